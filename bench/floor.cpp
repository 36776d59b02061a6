// The floor of the benchmark: the file-system work that stamping and filing
// require and nothing more; no trace but what the filer's must hold, no
// command interpreter, no listing files.
//
//   floor stamp SITE   per .K7 and .K8 file of SITE/base/aenvoyer: open it,
//                      read the header bytes (.K7 only), take its time stamp
//                      from the open file, close it, rename it to a name of
//                      the stamper's shape. The site file and, for a .K7
//                      file, its parameter file get one look each to see
//                      whether they changed, and are read again only then;
//                      path.txt is written only when what it would hold
//                      changes.
//   floor file SITE    per file of SITE/base/envoye: one rename into its
//                      archive directory, which is made when it is new (the
//                      directories known to be there are kept); before a
//                      wet-sensor file, the listing of its directory on
//                      standard output, as the filer's trace prints it.
//
// SITE is a folder written by make_sample_site; run from anywhere, with
// ProgramFiles set as for the stamper. The calls themselves are in
// floor_disk_*.cpp, one file for each platform.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>

#include "floor_disk.h"

namespace {

using floor_disk::Look;

constexpr std::size_t kHeaderSize = 136;
constexpr std::size_t kParNameOffset = 128;
constexpr std::size_t kParNameLength = 8;
constexpr int kTwoByteNumber = 3;

std::string joined(const std::string& directory, const std::string& name) {
    std::string path;
    path.reserve(directory.size() + 1 + name.size());
    return path.append(directory).append(1, floor_disk::kSeparator).append(name);
}

bool contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

// A value taken from a text file, taken again only when one look at the
// file shows that it changed.
template <typename Value>
class KeptFile {
public:
    using Parse = Value (*)(const std::string& text);
    explicit KeptFile(Parse parse) : parse_(parse) {}

    std::optional<Value> get(const std::string& path) {
        const std::optional<Look> look = floor_disk::look_at(path);
        if (!look) return std::nullopt;
        auto kept = kept_.find(path);
        if (kept != kept_.end() && kept->second.look == *look) return kept->second.value;
        const std::optional<std::string> text = floor_disk::read_whole(path);
        if (!text) return std::nullopt;
        return kept_.insert_or_assign(path, Kept{*look, parse_(*text)}).first->second.value;
    }

private:
    struct Kept {
        Look look;
        Value value;
    };
    Parse parse_;
    std::map<std::string, Kept> kept_;
};

// The first word after the line "[NAME SITE]".
std::string site_name_of(const std::string& text) {
    const size_t section = text.find("[NAME SITE]");
    if (section == std::string::npos) return "";
    std::istringstream rest(text.substr(section));
    std::string skipped, name;
    std::getline(rest, skipped);
    rest >> name;
    return name;
}

// ADR from the record whose second word holds "Number"; nothing without one.
std::optional<int> adr_of(const std::string& text) {
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string first, second, third;
        long number = 0, adr = 0;
        if (words >> first >> second >> third >> number >> adr && contains(second, "Number"))
            return static_cast<int>(adr);
    }
    return std::nullopt;
}

// A number in at least `width` decimal digits, zero-filled.
std::string zero_filled(unsigned number, size_t width) {
    const std::string digits = std::to_string(number);
    return digits.size() < width ? std::string(width - digits.size(), '0') + digits : digits;
}

class Stamping {
public:
    explicit Stamping(const std::string& site)
        : to_send_(joined(joined(site, "base"), "aenvoyer")),
          program_files_(floor_disk::program_files()),
          par_directory_(joined(joined(program_files_, "ASTPWin"), "PAR")),
          site_file_(joined(site, "electron-site.ini")),
          path_txt_(joined(site, "path.txt")) {}

    void run() {
        for (const std::string& name : floor_disk::list_names(to_send_)) stamp(name);
    }

private:
    void stamp(const std::string& name) {
        const char kind = kind_of(name);
        if (kind == '\0') return;
        const size_t header_size = kind == '7' ? kHeaderSize : 0;
        const std::string path = joined(to_send_, name);
        const std::optional<floor_disk::Head> head = floor_disk::read_head(path, header_size);
        if (!head || head->bytes.size() < header_size) return;
        const std::optional<std::string> start = kind == '7' ? k7_start(head->bytes) : k8_start(name);
        if (!start) return;
        const std::string site_name = site_names_.get(site_file_).value_or("");
        const std::tm local = floor_disk::local_time(head->look.modified);
        floor_disk::move_refusing(path, joined(to_send_, stamped_name(name, kind, *start, site_name, local)));
    }

    // '7' or '8' for a name ending in .K7 or .K8, in either case.
    static char kind_of(const std::string& name) {
        const size_t n = name.size();
        if (n < 4 || name[n - 3] != '.' || (name[n - 2] != 'K' && name[n - 2] != 'k')) return '\0';
        return name[n - 1] == '7' || name[n - 1] == '8' ? name[n - 1] : '\0';
    }

    // "P<number>_", the number from the header in the form its parameter
    // file gives; nothing without a Number record.
    std::optional<std::string> k7_start(const std::string& header) {
        note_program_files();
        const std::string par_name(header.c_str() + kParNameOffset,
                                   ::strnlen(header.c_str() + kParNameOffset, kParNameLength));
        // Nothing: no parameter file; nothing in it: no Number record.
        const std::optional<std::optional<int>> par = adrs_.get(joined(par_directory_, par_name + ".PAR"));
        if (!par || !par->has_value()) return std::nullopt;
        const auto byte = [&header](size_t at) { return static_cast<unsigned char>(header[at]); };
        const unsigned number = **par == kTwoByteNumber ? byte(3) * 256u + byte(4) : byte(4);
        return "P" + zero_filled(number, 4) + "_";
    }

    // A .K8 file's first token, which already names its photometer.
    static std::optional<std::string> k8_start(const std::string& name) {
        return name.substr(0, name.find_first_of("_.")) + "_";
    }

    // The stamper writes the Program Files folder to path.txt at each
    // parameter lookup. That cannot change during a run: it is written at
    // the first lookup and not again.
    void note_program_files() {
        if (!path_txt_written_) path_txt_written_ = floor_disk::write_whole(path_txt_, program_files_ + " \r\n");
    }

    // P0300_Coteau_201501010000.K7, P0300_Coteau_201501010000-0000.k8.
    static std::string stamped_name(const std::string& name, char kind, const std::string& start,
                                    const std::string& site_name, const std::tm& local) {
        const std::string site_part = site_name.empty() ? "" : site_name + "_";
        const std::string year = std::to_string(local.tm_year + 1900);
        if (kind == '7') return start + site_part + year + name;
        const size_t extension = name.size() - 3;
        const size_t stem_start = std::min(start.size(), extension);
        const std::string stem = name.substr(stem_start, extension - stem_start);
        return start + site_part + year + stem + "-" + zero_filled(static_cast<unsigned>(local.tm_hour), 2) +
               zero_filled(static_cast<unsigned>(local.tm_min), 2) + ".k8";
    }

    const std::string to_send_;
    const std::string program_files_;
    const std::string par_directory_;
    const std::string site_file_;
    const std::string path_txt_;
    bool path_txt_written_ = false;
    KeptFile<std::string> site_names_{site_name_of};
    KeptFile<std::optional<int>> adrs_{adr_of};
};

// A wet-sensor directory's listing, kept up to date with the moves into it,
// in the form of the filer's "dir".
class Listing {
public:
    void add(const std::string& name, const Look& look) {
        char stamp[32];
        const std::tm local = floor_disk::local_time(look.modified);
        std::strftime(stamp, sizeof stamp, "%d/%m/%Y  %H:%M", &local);
        char start[64];
        std::snprintf(start, sizeof start, "%-17s %17llu ", stamp, static_cast<unsigned long long>(look.size));
        lines_[name] = start + name + "\n";
        bytes_ += look.size;
    }

    void print(const std::string& directory) const {
        std::printf(" Directory of %s\n\n", directory.c_str());
        for (const auto& entry : lines_) std::fwrite(entry.second.data(), 1, entry.second.size(), stdout);
        std::printf("%16llu File(s) %14llu bytes\n%16llu Dir(s)\n", static_cast<unsigned long long>(lines_.size()),
                    bytes_, 0ULL);
    }

private:
    std::map<std::string, std::string> lines_;  // in name order, as "dir" lists them
    unsigned long long bytes_ = 0;
};

class Filing {
public:
    explicit Filing(const std::string& site)
        : base_(joined(site, "base")), sent_(joined(base_, "envoye")), wet_sensors_(joined(base_, "wetsensor")) {}

    void run() {
        for (const std::string& name : floor_disk::list_names(sent_)) file(name);
    }

private:
    void file(const std::string& name) {
        if (contains(name, ".K7") || contains(name, ".k8") || contains(name, ".K8"))
            file_photometer(name);
        else if (contains(name, ".raw"))
            file_wet_sensor(name);
    }

    // P0300_Coteau_201501010000.K7 goes to base/300/2015.
    void file_photometer(const std::string& name) {
        const std::string year = after_last_underscore(name);
        if (name.size() < 6 || name[0] != 'P' || name[5] != '_' || year.size() != 4) return;
        const std::string photometer = name.substr(name[1] == '0' ? 2 : 1, name[1] == '0' ? 3 : 4);
        const std::string photometer_directory = joined(base_, photometer);
        const std::string directory = joined(photometer_directory, year);
        if (ensure_directory(photometer_directory) == floor_disk::Made::Failed ||
            ensure_directory(directory) == floor_disk::Made::Failed)
            return;
        floor_disk::move_refusing(joined(sent_, name), joined(directory, name));
    }

    // wet_201501010000_A001.raw goes to base/wetsensor/A001, after the
    // listing of that directory.
    void file_wet_sensor(const std::string& name) {
        const std::string sub = after_last_underscore(name);
        if (sub.empty() || ensure_directory(wet_sensors_) == floor_disk::Made::Failed) return;
        const std::string directory = joined(wet_sensors_, sub);
        const floor_disk::Made made = ensure_directory(directory);
        if (made == floor_disk::Made::Failed) return;
        Listing& listing = listing_of(directory, made);
        listing.print(directory);
        const std::string archived = joined(directory, name);
        if (!floor_disk::move_refusing(joined(sent_, name), archived)) return;
        // The listing needs the moved file's size and date.
        if (const std::optional<Look> look = floor_disk::look_at(archived)) listing.add(name, *look);
    }

    static std::string after_last_underscore(const std::string& name) {
        const size_t underscore = name.rfind('_');
        return underscore == std::string::npos ? "" : name.substr(underscore + 1, 4);
    }

    // A directory this run made or found before needs no call.
    floor_disk::Made ensure_directory(const std::string& path) {
        if (known_.count(path) != 0) return floor_disk::Made::Existed;
        const floor_disk::Made made = floor_disk::make_directory(path);
        if (made != floor_disk::Made::Failed) known_.insert(path);
        return made;
    }

    // A directory made by this run starts empty; one already there is read
    // once.
    Listing& listing_of(const std::string& directory, floor_disk::Made made) {
        auto [listed, added] = listings_.try_emplace(directory);
        if (added && made == floor_disk::Made::Existed)
            for (const std::string& name : floor_disk::list_names(directory))
                if (const std::optional<Look> look = floor_disk::look_at(joined(directory, name)))
                    listed->second.add(name, *look);
        return listed->second;
    }

    const std::string base_;
    const std::string sent_;
    const std::string wet_sensors_;
    std::set<std::string> known_;
    std::map<std::string, Listing> listings_;
};

}  // namespace

int main(int argc, char** argv) {
    const bool stamp = argc == 3 && std::strcmp(argv[1], "stamp") == 0;
    if (argc != 3 || (!stamp && std::strcmp(argv[1], "file") != 0)) {
        std::fprintf(stderr, "usage: floor stamp|file SITE\n");
        return 2;
    }
    if (stamp)
        Stamping(argv[2]).run();
    else
        Filing(argv[2]).run();
    return 0;
}
