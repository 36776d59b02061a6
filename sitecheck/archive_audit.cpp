#include "sitecheck/archive_audit.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <tuple>

#include "common/fs/file_keeper.h"
#include "common/fs/paths.h"
#include "filer/archive_place.h"
#include "filer/filing_pass.h"
#include "sitecheck/reasons.h"
#include "stamper/photometer_number.h"
#include "stamper/stamping_pass.h"

namespace site {

const char* const kMisfiled = "misfiled";
const char* const kNotTakenByBrasko = "not-taken-by-brasko";
const char* const kNotADataFile = "not-a-data-file";
const char* const kYearDiffers = "year-differs";
const char* const kFutureDate = "future-date";
const char* const kShortK7 = "short-k7";
const char* const kEmptyFile = "empty-file";
const char* const kHalfWrittenListing = "half-written-listing";
const char* const kStrayDirectory = "stray-directory";
const char* const kSameBytes = "same-bytes";
const char* const kUnreadable = "unreadable";

namespace {

// A file larger than this is not read whole to be hashed: its twins of the
// same size are found by comparing it with them in chunks instead.
constexpr std::uint64_t kHashedSizeLimit = 16u << 20;

std::string two_digits(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d", value);
    return text;
}

bool digits_at(const std::string& text, std::size_t from, std::size_t count) {
    if (text.size() < from + count) return false;
    for (std::size_t i = from; i < from + count; ++i)
        if (text[i] < '0' || text[i] > '9') return false;
    return true;
}

int number_at(const std::string& text, std::size_t from, std::size_t count) {
    return std::stoi(text.substr(from, count));
}

// A hash of a file's bytes, to find the files that may hold the same bytes
// among files of one size; the finding itself is proven byte by byte.
std::uint64_t bytes_hash(const std::string& bytes) {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (const char c : bytes) hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3ull;
    return hash;
}

const char* not_filed_text(NotFiled why) {
    switch (why) {
        case NotFiled::NoP: return "a photometer file's name without a 'P': brasko leaves such a file in sent";
        case NotFiled::NoUnderscore: return "no '_' in the name: brasko finds no folder for it";
        case NotFiled::DirectoryRefused:
            return "the name gives no folder that brasko would make (no photometer number, or no year of 1980-2107)";
        case NotFiled::PatternMissesFile:
            return "the pattern brasko moves its photometer's files with does not take this name";
        case NotFiled::MovesAnotherName: return "'.raw' is not at the end of the name: brasko would move another name";
        case NotFiled::OwnTemporary:
        case NotFiled::NotADataName: break;
    }
    return "";
}

// Whether a photometer file whose name gives no year lies in a year folder
// of its photometer: brasko's move of the photometer's pattern takes it
// into the year of whichever of its files is listed first.
bool goes_with_its_photometer(const ArchivePlace& place, const std::vector<std::string>& folders) {
    return place.not_filed == NotFiled::DirectoryRefused && !place.photometer.empty() && folders.size() == 2 &&
           name_key(folders[0]) == name_key(place.photometer);
}

std::string joined(const std::vector<std::string>& folders) {
    std::string text;
    for (const std::string& folder : folders) text += (text.empty() ? "" : "/") + folder;
    return text;
}

bool same_folders(const std::vector<std::string>& a, const std::vector<std::string>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (name_key(a[i]) != name_key(b[i])) return false;
    return true;
}

// Whether a file lies where brasko would file it.
enum class Placed { where_filed, elsewhere };

struct Candidate {
    std::uint64_t size = 0;
    Placed placed = Placed::where_filed;
    std::string path;
};

// One walk of the archive: each folder listed once, each file looked at
// once, and only the files that share a size with another read.
class ArchiveWalk {
public:
    ArchiveWalk(FileSystem& fs, Host& host, ArchiveAudit& audit, std::vector<std::string> skipped)
        : fs_(fs), host_(host), audit_(audit), skipped_(std::move(skipped)) {}

    bool walk_base(const std::string& base);
    void find_twins();
    void keep_folders();

private:
    void judge_own_file(const std::string& path, const std::string& name);
    void walk_folder(const std::string& directory, const std::vector<std::string>& folders);
    void judge_file(const std::string& path, const std::string& name, const std::vector<std::string>& folders);
    void judge_data_file(const std::string& path, const std::string& name, const FileInfo& info,
                         const ArchivePlace& place, const std::vector<std::string>& folders);
    void count_in_folder(const std::string& name, const std::vector<std::string>& folders);
    void twins_among(std::vector<Candidate>::const_iterator first, std::vector<Candidate>::const_iterator last);
    void found(const char* code, const std::string& path, std::string text) {
        audit_.findings.push_back({code, path, std::move(text), std::string(), std::string()});
    }
    bool skipped(const std::string& path) const {
        return std::find(skipped_.begin(), skipped_.end(), path_key(path)) != skipped_.end();
    }

    FileSystem& fs_;
    Host& host_;
    ArchiveAudit& audit_;
    std::vector<std::string> skipped_;  // path keys of the to-send and sent directories
    std::vector<Candidate> candidates_;
    std::map<std::string, ArchiveFolder> folders_;
};

bool ArchiveWalk::walk_base(const std::string& base) {
    const std::optional<std::vector<DirectoryEntry>> entries = fs_.list(base);
    if (!entries) return false;
    for (const DirectoryEntry& entry : *entries) {
        const std::string path = join_path(base, entry.name);
        if (!entry.is_directory)
            judge_own_file(path, entry.name);
        else if (!skipped(path))
            walk_folder(path, {entry.name});
    }
    return true;
}

// A file of the programs' own forms. The base directory holds their
// files (listings, move records): only what a stopped write or move left
// there is a finding.
void ArchiveWalk::judge_own_file(const std::string& path, const std::string& name) {
    for (const char* listing : {kStamperListingFile, kFilerListingFile})
        if (name_key(name) == name_key(std::string(listing) + kWholeWriteSuffix))
            found(kHalfWrittenListing, path,
                  std::string("the writing of ") + listing + " was stopped; the program's next run writes it again");
    if (is_set_aside_record(name))
        found(kRecordSetAside, path, "a file found at a move record's name and set aside as not a record");
    else if (is_own_temporary_name(name))
        found(kOwnTemporary, path, "a copy or an aside name of the programs' own, left by a stopped move");
}

void ArchiveWalk::walk_folder(const std::string& directory, const std::vector<std::string>& folders) {
    const std::optional<std::vector<DirectoryEntry>> entries = fs_.list(directory);
    if (!entries) {
        found(kUnreadable, directory, "the folder cannot be listed");
        return;
    }
    for (const DirectoryEntry& entry : *entries) {
        const std::string path = join_path(directory, entry.name);
        if (!entry.is_directory) {
            judge_file(path, entry.name, folders);
        } else if (folders.size() == 1 && !skipped(path)) {
            std::vector<std::string> below = folders;
            below.push_back(entry.name);
            walk_folder(path, below);
        } else if (!skipped(path)) {
            found(kStrayDirectory, path,
                  "a folder inside a year or wet-sensor folder: brasko makes none there, and it is not looked into");
        }
    }
}

void ArchiveWalk::judge_file(const std::string& path, const std::string& name,
                             const std::vector<std::string>& folders) {
    const std::optional<FileInfo> info = fs_.info(path);
    ++audit_.files;
    if (!info) {
        found(kUnreadable, path, "the file cannot be looked at");
        return;
    }
    const ArchivePlace place = archive_place(name);
    if (place.not_filed == NotFiled::OwnTemporary) {
        judge_own_file(path, name);
        return;
    }
    if (!info->is_regular || place.not_filed == NotFiled::NotADataName) {
        found(kNotADataFile, path,
              info->is_regular ? "neither a photometer (.K7, .K8) nor a wet-sensor (.raw) file" : "not a regular file");
        return;
    }
    judge_data_file(path, name, *info, place, folders);
}

void ArchiveWalk::judge_data_file(const std::string& path, const std::string& name, const FileInfo& info,
                                  const ArchivePlace& place, const std::vector<std::string>& folders) {
    count_in_folder(name, folders);
    const Placed placed =
        !place.not_filed && same_folders(place.folders, folders) ? Placed::where_filed : Placed::elsewhere;
    if (goes_with_its_photometer(place, folders)) {
        // Filed by the move of its photometer's pattern, with another file.
    } else if (place.not_filed) {
        found(kNotTakenByBrasko, path, not_filed_text(*place.not_filed));
    } else if (placed == Placed::elsewhere) {
        const std::string would_go = joined(place.folders);
        audit_.findings.push_back(
            {kMisfiled, path, "brasko would file it in " + would_go + ", not in " + joined(folders), would_go, ""});
    }
    if (info.size == 0)
        found(kEmptyFile, path, "the file holds no bytes");
    else if (is_listed_k7(name) && info.size < kK7HeaderSize)
        found(kShortK7, path,
              std::to_string(info.size) + " bytes: shorter than the " + std::to_string(kK7HeaderSize) +
                  "-byte header of a .K7 file");
    if (!place.year.empty()) {
        const std::optional<DosStamp> stamp = dos_stamp_of(host_, info);
        if (stamp && std::to_string(stamp->year()) != place.year)
            found(kYearDiffers, path,
                  "its time stamp is of " + std::to_string(stamp->year()) + ", its name of " + place.year +
                      ": the clock of the PC that stamped it may have been wrong");
    }
    if (info.modified > audit_.checked_at + kClockSlackSeconds)
        found(kFutureDate, path,
              "its time stamp, " + local_minute_text(host_, info.modified) + ", is after the check (" +
                  local_minute_text(host_, audit_.checked_at) + ")");
    if (info.size > 0) candidates_.push_back({info.size, placed, path});
}

void ArchiveWalk::count_in_folder(const std::string& name, const std::vector<std::string>& folders) {
    ArchiveFolder& folder = folders_[joined(folders)];
    ++folder.files;
    const std::optional<NameDate> date = date_in_name(name);
    if (!date) {
        ++folder.undated;
        return;
    }
    const std::string text = date->text();
    if (folder.first_date.empty() || text < folder.first_date) folder.first_date = text;
    if (folder.last_date.empty() || text > folder.last_date) folder.last_date = text;
}

void ArchiveWalk::find_twins() {
    std::sort(candidates_.begin(), candidates_.end(), [](const Candidate& a, const Candidate& b) {
        return std::tie(a.size, a.placed, a.path) < std::tie(b.size, b.placed, b.path);
    });
    for (auto first = candidates_.cbegin(); first != candidates_.cend();) {
        const auto last = std::find_if(first, candidates_.cend(),
                                       [&](const Candidate& candidate) { return candidate.size != first->size; });
        if (last - first > 1) twins_among(first, last);
        first = last;
    }
    candidates_.clear();
}

// Among files of one size: each read once for its hash (a file too large
// to read whole gets none), and each compared in chunks only with the
// first file of each set of the same hash. A file where brasko would file
// it comes first, so that the copy named as a twin is the one out of place.
void ArchiveWalk::twins_among(std::vector<Candidate>::const_iterator first,
                              std::vector<Candidate>::const_iterator last) {
    std::map<std::uint64_t, std::vector<std::string>> firsts;  // by hash: the first file of each set of bytes
    for (auto candidate = first; candidate != last; ++candidate) {
        std::uint64_t hash = 0;
        if (candidate->size <= kHashedSizeLimit) {
            const FileRead read = fs_.read(candidate->path);
            ++audit_.files_read;
            if (read.status != FsStatus::Ok) {
                found(kUnreadable, candidate->path, "the file cannot be read");
                continue;
            }
            hash = bytes_hash(read.bytes) | 1;
        }
        std::vector<std::string>& sets = firsts[hash];
        const auto twin = std::find_if(sets.begin(), sets.end(),
                                       [&](const std::string& path) { return fs_.same_bytes(path, candidate->path); });
        if (twin == sets.end()) {
            sets.push_back(candidate->path);
            continue;
        }
        audit_.findings.push_back({kSameBytes, candidate->path,
                                   "the same " + std::to_string(candidate->size) + " bytes as " + *twin, std::string(),
                                   *twin});
    }
}

void ArchiveWalk::keep_folders() {
    for (auto& [name, folder] : folders_) {
        folder.folder = name;
        audit_.folders.push_back(std::move(folder));
    }
    folders_.clear();
}

}  // namespace

std::string local_minute_text(Host& host, std::time_t when) {
    const std::optional<std::tm> local = host.local_time_of(when);
    if (!local) return "?";
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &*local);
    return text;
}

int ArchiveAudit::status() const {
    if (!problems.empty()) return 2;
    return findings.empty() ? 0 : 1;
}

std::string NameDate::text() const { return std::to_string(year) + "-" + two_digits(month) + "-" + two_digits(day); }

bool NameDate::operator<(const NameDate& other) const {
    return std::tie(year, month, day) < std::tie(other.year, other.month, other.day);
}

namespace {

// The date that the digits after `underscore` give, when they do.
std::optional<NameDate> date_after(const std::string& name, std::size_t underscore) {
    if (!digits_at(name, underscore + 1, 8)) return std::nullopt;
    const NameDate date{number_at(name, underscore + 1, 4), number_at(name, underscore + 5, 2),
                        number_at(name, underscore + 7, 2)};
    if (date.year < kFirstDosYear || date.year > kLastDosYear || date.month < 1 || date.month > 12 || date.day < 1 ||
        date.day > 31)
        return std::nullopt;
    return date;
}

}  // namespace

std::optional<NameDate> date_in_name(const std::string& name) {
    // A photometer file's date follows its last '_'; a wet-sensor file's
    // the '_' before, its folder's name coming last.
    const std::size_t last = name.rfind('_');
    if (last == std::string::npos) return std::nullopt;
    if (std::optional<NameDate> date = date_after(name, last)) return date;
    const std::size_t before = last == 0 ? std::string::npos : name.rfind('_', last - 1);
    if (before == std::string::npos) return std::nullopt;
    return date_after(name, before);
}

ArchiveAudit audit_archive(FileSystem& disk, Host& host, const std::string& start_directory) {
    ArchiveAudit audit;
    audit.checked_at = host.now();
    const std::optional<PathConfig> paths = filer_paths(disk, start_directory, audit.problems);
    if (!paths) return audit;
    audit.base = paths->base;
    ArchiveWalk walk(disk, host, audit, {path_key(paths->to_send), path_key(paths->sent)});
    if (!walk.walk_base(paths->base)) {
        audit.problems.push_back(
            {"no-base-directory", "the base directory " + paths->base + " does not exist or cannot be listed"});
        return audit;
    }
    walk.find_twins();
    walk.keep_folders();
    std::sort(audit.findings.begin(), audit.findings.end(), [](const ArchiveFinding& a, const ArchiveFinding& b) {
        return std::tie(a.code, a.path) < std::tie(b.code, b.path);
    });
    return audit;
}

}  // namespace site
