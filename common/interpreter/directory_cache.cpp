#include "common/interpreter/directory_cache.h"

#include <algorithm>
#include <cstring>

#include "common/base/ascii.h"
#include "common/fs/file_system.h"
#include "common/fs/paths.h"
#include "common/text/wildcard.h"

namespace site {

namespace {

// Name order without regard to case, as the site's disk lists names; names
// equal but for case keep a fixed order.
bool name_before(const std::string& a, const std::string& b) {
    const size_t common = a.size() < b.size() ? a.size() : b.size();
    // The names of one directory share long starts ("P0300_Coteau_2015"):
    // bytes that are the same are the same without regard to case, so the
    // case-blind comparison starts where the bytes first differ, found
    // eight at a time.
    size_t same = 0;
    while (same + 8 <= common && std::memcmp(a.data() + same, b.data() + same, 8) == 0) same += 8;
    for (size_t i = same; i < common; ++i) {
        if (a[i] == b[i]) continue;
        const char x = lower_ascii(a[i]), y = lower_ascii(b[i]);
        if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

bool starts_with_ignoring_case(const std::string& name, const std::string& prefix) {
    if (name.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (lower_ascii(name[i]) != lower_ascii(prefix[i])) return false;
    return true;
}

}  // namespace

bool NameOrder::operator()(const std::string& a, const std::string& b) const { return name_before(a, b); }

std::optional<DirectoryStamp> DirectoryCache::look(const std::string& directory) {
    const auto seen = stamps_.find(directory);
    std::optional<DirectoryStamp> stamp =
        seen == stamps_.end() ? fs_.directory_stamp(directory) : fs_.directory_stamp_again(directory, seen->second);
    if (stamp)
        stamps_[directory] = *stamp;
    else if (seen != stamps_.end())
        stamps_.erase(seen);
    return stamp;
}

CachedEntries* DirectoryCache::entries(const std::string& directory) {
    const std::optional<DirectoryStamp> stamp = look(directory);
    if (!stamp) return nullptr;
    auto cached = listings_.find(identity_of(*stamp));
    if (cached != listings_.end() && cached->second.stamp.same_time(*stamp)) return &cached->second.entries;
    std::optional<std::vector<DirectoryEntry>> read = fs_.list(directory);
    if (!read) return nullptr;
    Listing& listing = listings_[identity_of(*stamp)];
    read_as_.insert(key_of(directory));
    listing.stamp = *stamp;
    listing.entries.clear();
    for (DirectoryEntry& entry : *read) listing.entries[std::move(entry.name)].is_directory = entry.is_directory;
    return &listing.entries;
}

std::optional<std::vector<std::string>> DirectoryCache::matching_names(const std::string& directory,
                                                                       const std::string& pattern, bool files_only) {
    if (keeping_ == Keeping::nothing) return matching_names_read_once(directory, pattern, files_only);
    CachedEntries* listed = entries(directory);
    if (listed == nullptr) return std::nullopt;
    std::vector<std::string> names;
    // Names are in case-blind order, so only the run that begins with the
    // pattern's literal start needs matching. Its upper-case form sorts
    // first among the names equal to it but for case.
    const std::string prefix = pattern.substr(0, pattern.find_first_of("*?"));
    for (auto it = listed->lower_bound(upper_ascii(prefix));
         it != listed->end() && starts_with_ignoring_case(it->first, prefix); ++it) {
        if (!(files_only && it->second.is_directory) && wildcard_match(pattern, it->first)) names.push_back(it->first);
    }
    return names;
}

std::optional<std::vector<std::string>> DirectoryCache::matching_names_read_once(const std::string& directory,
                                                                                 const std::string& pattern,
                                                                                 bool files_only) {
    std::optional<std::vector<DirectoryEntry>> read = fs_.list(directory);
    if (!read) return std::nullopt;
    std::vector<std::string> names;
    for (DirectoryEntry& entry : *read)
        if (!(files_only && entry.is_directory) && wildcard_match(pattern, entry.name))
            names.push_back(std::move(entry.name));
    std::sort(names.begin(), names.end(), name_before);
    return names;
}

DirectoryCache::Listing* DirectoryCache::restamped(const std::string& directory) {
    if (read_as_.count(key_of(directory)) == 0) return nullptr;
    const std::optional<DirectoryStamp> stamp = look(directory);
    if (!stamp) return nullptr;
    auto cached = listings_.find(identity_of(*stamp));
    if (cached == listings_.end()) return nullptr;
    cached->second.stamp = *stamp;
    return &cached->second;
}

const std::string& DirectoryCache::key_of(const std::string& directory) {
    auto known = keys_.find(directory);
    if (known == keys_.end()) known = keys_.emplace(directory, path_key(directory)).first;
    return known->second;
}

void DirectoryCache::moved(const std::string& from_directory, const std::string& to_directory,
                           const std::vector<OwnMove>& moves) {
    if (moves.empty()) return;
    Listing* source = restamped(from_directory);
    if (source != nullptr)
        for (const OwnMove& move : moves) source->entries.erase(move.from_name);
    Listing* target = to_directory == from_directory ? source : restamped(to_directory);
    if (target != nullptr)
        for (const OwnMove& move : moves) added(*target, to_directory, move.to_name);
}

void DirectoryCache::added(Listing& listing, const std::string& directory, const std::string& name) {
    const std::optional<FileInfo> info = fs_.listed_info(join_path(directory, name));
    if (!info) {
        listing.entries.erase(name);
        return;
    }
    CachedEntry& entry = listing.entries[name];
    entry.is_directory = info->is_directory;
    entry.info = info;
    entry.dir_line.clear();
}

}  // namespace site
