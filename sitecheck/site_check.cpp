#include "sitecheck/site_check.h"

#include <algorithm>
#include <map>
#include <utility>

#include "common/base/ascii.h"
#include "common/fs/file_keeper.h"
#include "common/fs/memory_file_system.h"
#include "common/fs/paths.h"
#include "common/interpreter/interpreter.h"
#include "common/text/listing.h"
#include "common/text/name_rule.h"
#include "filer/filing_pass.h"
#include "sitecheck/archive_audit.h"
#include "stamper/photometer_number.h"
#include "stamper/site_name.h"
#include "stamper/stamping_pass.h"

namespace site {

namespace {

// A path slot that the path file did not fill.
constexpr const char* kUnset = "\x01";
constexpr const char* kAlreadyArchivedText = "the archive already holds the same bytes under this name: this copy goes";
constexpr const char* kOwnFinding = "sitecheck";
constexpr const char* kSentHoldsNameText = "a file of that name is already in the sent directory";
constexpr const char* kTransferFailsText = "the transfer cannot put it in the sent directory";

// The paths a program reads from the path file (nothing: there is none),
// and which of them come from its defaults.
PathConfig read_paths(const std::optional<TextReader>& path_file, const PathConfig& defaults,
                      std::vector<std::string>& from_defaults) {
    Trace ignored;
    PathConfig paths{kUnset, kUnset, kUnset};
    if (path_file) {
        TextReader reader = *path_file;
        paths = read_path_config(paths, reader, ignored);
    }
    const std::pair<std::string PathConfig::*, const char*> slots[] = {
        {&PathConfig::base, "base"}, {&PathConfig::to_send, "to-send"}, {&PathConfig::sent, "sent"}};
    for (const auto& [slot, label] : slots) {
        if (paths.*slot != kUnset) continue;
        paths.*slot = defaults.*slot;
        from_defaults.push_back(label);
    }
    return paths;
}

const char* empty_path_code(EmptyPath empty) {
    switch (empty) {
        case EmptyPath::Base: return "no-base-path";
        case EmptyPath::ToSend: return "no-to-send-path";
        case EmptyPath::Sent: return "no-sent-path";
    }
    return "no-path";
}

// The paths as the program works with them; nothing when the configuration
// stops it, with the program's own words for why in `stopped_by`, and the
// problem.
std::optional<PathConfig> working(const PathConfig& read, WorkDirectory work, const std::string& start,
                                  std::string& stopped_by, std::vector<Problem>& problems) {
    WorkingPaths found = working_paths(read, work, start);
    if (found.empty) {
        stopped_by = empty_path_line(*found.empty);
        problems.push_back({empty_path_code(*found.empty), stopped_by});
    }
    return found.paths;
}

// A line longer than the line buffer is read in pieces, each taken as a line
// of its own: the programs then take their paths from the wrong lines.
void check_path_file_lines(const std::optional<TextReader>& path_file, const SiteConfiguration& configuration,
                           std::vector<Problem>& problems) {
    if (!path_file) return;
    std::optional<TextReader> file = path_file;
    std::string line;
    for (size_t piece = 0, number = 1; piece < 3 && file->read_line(line, kLineBufferSize); ++piece) {
        if (line.find('\n') == std::string::npos && !file->eof()) {
            problems.push_back(
                {"path-line-too-long",
                 configuration.path_file + ": line " + std::to_string(number) + " is longer than " +
                     std::to_string(kLineBufferSize - 1) +
                     " characters: the programs read it cut into pieces, each taken as a line of its own"});
            return;
        }
        ++number;
    }
}

void require_directory(FileSystem& disk, const std::string& path, const char* what, std::vector<Problem>& problems) {
    if (!is_directory(disk, path)) {
        problems.push_back({std::string("no-") + what + "-directory",
                            std::string("the ") + what + " directory " + path + " does not exist"});
        return;
    }
    // A spelling the in-memory layer cannot follow would make the dry run
    // see an empty site: say so rather than foretell nothing.
    MemoryFileSystem probe(&disk);
    if (!is_directory(probe, path))
        problems.push_back({"path-not-followed",
                            std::string("sitecheck cannot follow the path of the ") + what + " directory " + path});
}

bool is_par_name(const std::string& name) {
    return name.size() > 4 && lower_ascii(name.substr(name.size() - 4)) == ".par";
}

// Whether a listing takes the entries that cannot even be looked at: a
// name the system cannot open is still a file waiting, and the passes say
// why they leave it.
enum class Unopenable { Left, Taken };

// The regular files of a directory; with Unopenable::Taken also the
// entries that are no directory and cannot be looked at.
std::vector<std::string> regular_files_in(FileSystem& fs, const std::string& directory,
                                          Unopenable unopenable = Unopenable::Left) {
    std::vector<std::string> names;
    if (const auto listed = fs.list(directory))
        for (const DirectoryEntry& entry : *listed) {
            const std::optional<FileInfo> info = fs.info(join_path(directory, entry.name));
            if ((info && info->is_regular) || (unopenable == Unopenable::Taken && !entry.is_directory && !info))
                names.push_back(entry.name);
        }
    return names;
}

void read_parameter_files(FileSystem& disk, Host& host, SiteConfiguration& configuration) {
    configuration.program_files = host.program_files_directory();
    configuration.parameter_directory = parameter_directory(configuration.program_files);
    for (const std::string& name : regular_files_in(disk, configuration.parameter_directory))
        if (is_par_name(name)) configuration.parameter_files.push_back(name);
}

// A .K7 file waiting to be stamped needs its parameter file, with a Number
// line: without it the file keeps its name for ever.
void check_parameter_files(FileSystem& disk, const SiteConfiguration& configuration, const std::string& to_send,
                           std::vector<Problem>& problems) {
    std::map<std::string, int> needed;
    for (const std::string& name : regular_files_in(disk, to_send)) {
        if (!is_listed_k7(name)) continue;
        const FileRead data = disk.read(join_path(to_send, name), kK7HeaderSize);
        const std::optional<K7Header> header = data.status == FsStatus::Ok ? k7_header_of(data.bytes) : std::nullopt;
        if (header) ++needed[par_file_name(*header)];
    }
    for (const auto& [par, count] : needed) {
        const std::string path = join_path(configuration.parameter_directory, par);
        const std::optional<TextReader> text = read_text(disk, path);
        TextReader reader = text ? *text : TextReader::from_bytes("");
        if (text && parse_par(reader).found) continue;
        problems.push_back({text ? "parameter-file-without-number" : "parameter-file-missing",
                            "the parameter file " + path + (text ? " has no Number line" : " is missing") +
                                " (needed by " + std::to_string(count) + " .K7 file(s) waiting to be stamped)"});
    }
}

// The configuration, the path file read once (`path_file`) for both
// programs.
SiteConfiguration read_configuration(FileSystem& disk, Host& host, const std::string& start,
                                     const std::optional<TextReader>& path_file) {
    SiteConfiguration configuration;
    configuration.start_directory = start;
    configuration.path_file = join_path(start, kPathConfigFile);
    configuration.path_file_found = path_file.has_value();
    configuration.stamper = read_paths(path_file, kStamperDefaults, configuration.stamper_defaults);
    configuration.filer = read_paths(path_file, kFilerDefaults, configuration.filer_defaults);
    read_parameter_files(disk, host, configuration);
    configuration.site_file = join_path(start, kSiteFile);
    FileValueCache<std::string> once;
    configuration.site_name = read_site_name(disk, start, once);
    return configuration;
}

void check_site_name(const SiteConfiguration& configuration, std::vector<Problem>& problems) {
    if (!configuration.site_name)
        problems.push_back({"site-file-unreadable", "no site name: " + configuration.site_file + " cannot be read"});
    else if (configuration.site_name->empty())
        problems.push_back(
            {"no-site-name", "no site name: " + configuration.site_file + " names no site under [NAME SITE]"});
}

// Why the transfer leaves files in the to-send directory: by name key, and
// for every file when it cannot run at all.
struct LeftByTransfer {
    std::map<std::string, StayReason> files;
    std::optional<StayReason> all;

    StayReason of(const std::string& name) const {
        const auto found = files.find(name_key(name));
        if (found != files.end()) return found->second;
        return all.value_or(StayReason{kTransferFails, kOwnFinding, kTransferFailsText});
    }
};

// What the site's transfer tool does once the files are sent: each file of
// the to-send directory goes to the sent directory, never onto another.
LeftByTransfer transfer(FileSystem& fs, const std::string& to_send, const std::string& sent, Trace& trace) {
    LeftByTransfer left;
    for (const std::string& name : regular_files_in(fs, to_send)) {
        const std::string target = join_path(sent, name);
        StayReason stays{kSentHoldsName, kOwnFinding, kSentHoldsNameText};
        if (!fs.info(target)) {
            const MoveOutcome outcome = fs.move(join_path(to_send, name), target);
            if (outcome == MoveOutcome::Moved) {
                trace << name << " -> " << sent << "\n";
                continue;
            }
            stays = {kTransferFails, kOwnFinding, std::string(kTransferFailsText) + " (" + move_code(outcome) + ")"};
        }
        trace << name << ": " << stays.text << ", left in to-send\n";
        left.files[name_key(name)] = std::move(stays);
    }
    return left;
}

// The directories as the programs reach them: each path resolved once, the
// way the file system resolves it.
std::optional<PathConfig> reached(FileSystem& fs, std::optional<PathConfig> paths) {
    if (!paths) return paths;
    for (std::string* directory : {&paths->base, &paths->to_send, &paths->sent})
        if (std::optional<std::string> entered = fs.directory_to_enter(*directory)) *directory = *entered;
    return paths;
}

struct WaitingFile {
    std::string directory;  // "to-send" or "sent"
    std::string working;    // the directory as the programs name it
    std::string name;
    std::optional<StayReason> stays_because;  // known before any pass runs: it stays where it is
    std::optional<std::time_t> modified;
};

// Why each program would do nothing; empty when it runs.
struct Stops {
    std::string stamper, filer;
};

// `stopped` names the program and why it does nothing, when it does not run.
void take_inventory(FileSystem& fs, const char* directory, const std::string& path,
                    const std::optional<StayReason>& stopped, std::vector<WaitingFile>& files) {
    for (const std::string& name : regular_files_in(fs, path, Unopenable::Taken)) {
        const std::optional<FileInfo> info = fs.info(join_path(path, name));
        files.push_back(
            {directory, path, name, stopped, info ? std::optional<std::time_t>(info->modified) : std::nullopt});
    }
}

std::optional<StayReason> stopped(bool runs, const char* program, const std::string& why) {
    if (runs) return std::nullopt;
    return StayReason{kProgramStopped, program, why};
}

// The files waiting in the to-send and sent directories, as the programs
// would find them; where a program would do nothing, in the directory it
// would have worked in.
std::vector<WaitingFile> waiting_files(FileSystem& fs, const SiteConfiguration& configuration,
                                       const std::optional<PathConfig>& stamper, const std::optional<PathConfig>& filer,
                                       const Stops& stops) {
    const auto idle = [&](const std::string& configured) {
        return configured.empty() ? configured
                                  : fs.directory_to_enter(absolute_path(configured, configuration.start_directory))
                                        .value_or(std::string());
    };
    const std::string to_send = stamper ? stamper->to_send : idle(configuration.stamper.to_send);
    const std::string sent = filer ? filer->sent : idle(configuration.filer.sent);
    std::vector<WaitingFile> files;
    if (!to_send.empty())
        take_inventory(fs, "to-send", to_send, stopped(stamper.has_value(), "tolvik", stops.stamper), files);
    if (!sent.empty() && path_key(sent) != path_key(to_send))
        take_inventory(fs, "sent", sent, stopped(filer.has_value(), "brasko", stops.filer), files);
    return files;
}

// `path` below `base`, both normalized, compared as the file system
// compares names.
std::string relative_to(const std::string& path, const std::string& base) {
    const std::string key = path_key(path), base_key = path_key(base);
    if (key.size() > base_key.size() && key.compare(0, base_key.size(), base_key) == 0 &&
        is_path_separator(key[base_key.size()]) && path.size() == key.size())
        return path.substr(base_key.size() + 1);
    return path;
}

// What the passes said of a file that stays in the sent directory: tolvik
// of a file that kept its name in to-send, then brasko.
std::vector<StayReason> reasons_for_staying(const WaitingFile& file, const FilePrediction& prediction,
                                            const ReasonsHeard& stamper, const ReasonsHeard& filer) {
    std::vector<StayReason> reasons;
    if (file.directory == "to-send" && prediction.new_name == file.name) reasons = stamper.of(file.name);
    for (StayReason& reason : filer.of(prediction.new_name)) reasons.push_back(std::move(reason));
    if (reasons.empty())
        reasons.push_back(
            {kNotTaken, kOwnFinding, "brasko takes no file of this name (neither .K7, .K8 nor .raw with a '_')"});
    return reasons;
}

// The reasons as one text: each program's words after its name, what the
// dry run finds itself as it stands.
std::string reason_text(const std::vector<StayReason>& reasons) {
    std::string text;
    const std::string* program = nullptr;
    for (const StayReason& reason : reasons) {
        if (program != nullptr && *program == reason.program && reason.program != kOwnFinding) {
            text += " " + reason.text;
            continue;
        }
        if (!text.empty()) text += "; ";
        text += reason.program == kOwnFinding ? reason.text : reason.program + ": " + reason.text;
        program = &reason.program;
    }
    return text;
}

// The archived file whose name gives the latest date.
struct NewestArchived {
    std::optional<NameDate> date;
    std::string path;

    void consider(const std::string& path_now, const std::string& name) {
        const std::optional<NameDate> named = date_in_name(name);
        if (!named || (date && !(*date < *named))) return;
        date = named;
        path = path_now;
    }
};

// The files of the programs' own temporary forms in the base directory and
// the archive below it (photometer and year folders, wetsensor and its
// folders), and the newest date that a name in the archive gives; the
// to-send and sent directories are taken with the waiting files.
void look_at_archive(FileSystem& fs, const PathConfig& paths, std::vector<Leftover>& leftovers,
                     NewestArchived& newest) {
    const std::string skipped[] = {path_key(paths.to_send), path_key(paths.sent)};
    const auto look = [&](const std::string& directory, int depth, const auto& self) -> void {
        const std::optional<std::vector<DirectoryEntry>> entries = fs.list(directory);
        if (!entries) return;
        for (const DirectoryEntry& entry : *entries) {
            const std::string path = join_path(directory, entry.name);
            if (entry.is_directory) {
                if (depth < 2 && path_key(path) != skipped[0] && path_key(path) != skipped[1])
                    self(path, depth + 1, self);
            } else if (is_own_temporary_name(entry.name)) {
                leftovers.push_back({path, is_set_aside_record(entry.name) ? kRecordSetAside : kOwnTemporary});
            } else if (depth == 2) {
                newest.consider(path, entry.name);
            }
        }
    };
    look(paths.base, 0, look);
}

// The year of an instant in local time, as the stamper would name a file
// of that time stamp; nothing when the date word cannot hold it.
std::optional<unsigned> stamped_year(Host& host, std::time_t when) {
    FileInfo info;
    info.modified = when;
    const std::optional<DosStamp> stamp = dos_stamp_of(host, info);
    if (!stamp) return std::nullopt;
    return stamp->year();
}

// What the clocks say: a waiting file dated after the check or in a year
// far from the PC clock's, and a PC clock behind the archive's dates.
void check_clocks(Host& host, SiteCheck& check, const NewestArchived& newest) {
    const std::optional<unsigned> clock_year = stamped_year(host, check.checked_at);
    const std::string now = local_minute_text(host, check.checked_at);
    for (const FilePrediction& file : check.files) {
        if (!file.modified) continue;
        const std::optional<unsigned> year = stamped_year(host, *file.modified);
        if (*file.modified > check.checked_at + kClockSlackSeconds)
            check.clock_warnings.push_back({"future-time-stamp", file.path,
                                            "its time stamp, " + local_minute_text(host, *file.modified) +
                                                ", is after the PC clock's time, " + now});
        else if (year && clock_year && (*year + 1 < *clock_year || *clock_year + 1 < *year))
            check.clock_warnings.push_back({"year-far-from-clock", file.path,
                                            "its time stamp gives the year " + std::to_string(*year) +
                                                ", the PC clock " + std::to_string(*clock_year) +
                                                ": tolvik names a file by the year of its time stamp"});
    }
    const std::optional<std::tm> local = host.local_time_of(check.checked_at);
    if (!newest.date || !local) return;
    const NameDate today{local->tm_year + 1900, local->tm_mon + 1, local->tm_mday};
    if (today < *newest.date)
        check.clock_warnings.push_back({"clock-before-archive", newest.path,
                                        "the PC clock says " + today.text() + ", before " + newest.date->text() +
                                            ", the date in the name of this archived file"});
}

// What the two passes and the transfer said of the files, as they ran over
// the overlay.
struct Heard {
    ReasonsHeard stamper{"tolvik"};
    ReasonsHeard filer{"brasko"};
    LeftByTransfer transfer;
};

// Where the passes leave a file that they could take, and why it stays
// where it stays.
void follow(const WaitingFile& file, const std::map<std::string, std::string>& moved,
            const std::optional<PathConfig>& stamper, const std::optional<PathConfig>& filer, const Stops& stops,
            const Heard& heard, FilePrediction& prediction) {
    const auto found = moved.find(path_key(prediction.path));
    prediction.final_path = found == moved.end() ? normalized_path(prediction.path) : found->second;
    const SplitPath final_place = split_path(prediction.final_path);
    prediction.new_name = final_place.name;
    const std::string final_directory = path_key(final_place.directory);
    const bool in_sent = filer && final_directory == path_key(filer->sent);
    if (stamper && final_directory == path_key(stamper->to_send) && !in_sent) {
        // What tolvik said of a file that kept its name, then why the
        // transfer left it.
        prediction.fate = Fate::StaysInToSend;
        if (prediction.new_name == file.name) prediction.reasons = heard.stamper.of(file.name);
        prediction.reasons.push_back(
            filer ? heard.transfer.of(prediction.new_name)
                  : StayReason{kProgramStopped, "brasko", stops.filer + ", and the transfer is not foretold"});
    } else if (in_sent) {
        prediction.fate = Fate::StaysInSent;
        prediction.reasons = reasons_for_staying(file, prediction, heard.stamper, heard.filer);
    } else {
        prediction.fate = Fate::Filed;
        prediction.archive_folder =
            filer ? relative_to(final_place.directory, normalized_path(filer->base)) : final_place.directory;
    }
}

FilePrediction predict(const WaitingFile& file, MemoryFileSystem& overlay,
                       const std::map<std::string, std::string>& moved, const std::optional<PathConfig>& stamper,
                       const std::optional<PathConfig>& filer, const Stops& stops, const Heard& heard) {
    FilePrediction prediction;
    prediction.directory = file.directory;
    prediction.name = file.name;
    prediction.path = join_path(file.working, file.name);
    prediction.modified = file.modified;
    const std::string original = path_key(prediction.path);
    if (file.stays_because) {
        prediction.fate = file.directory == "to-send" ? Fate::StaysInToSend : Fate::StaysInSent;
        prediction.new_name = file.name;
        prediction.final_path = prediction.path;
        prediction.reasons = {*file.stays_because};
    } else if (overlay.removed_from_below().count(original)) {
        prediction.fate = Fate::AlreadyArchived;
        prediction.new_name = file.name;
        prediction.reasons = {{kAlreadyArchived, kOwnFinding, kAlreadyArchivedText}};
    } else {
        follow(file, moved, stamper, filer, stops, heard, prediction);
    }
    prediction.reason = reason_text(prediction.reasons);
    prediction.collision = std::any_of(prediction.reasons.begin(), prediction.reasons.end(),
                                       [](const StayReason& reason) { return is_collision(reason); });
    return prediction;
}

}  // namespace

int SiteCheck::status() const {
    if (!problems.empty()) return 2;
    if (!leftovers.empty() || !clock_warnings.empty()) return 1;
    for (const FilePrediction& file : files)
        if (file.fate == Fate::StaysInToSend || file.fate == Fate::StaysInSent) return 1;
    return 0;
}

SiteCheck check_site(FileSystem& disk, Host& host, const std::string& start_directory, Trace::Keep traces) {
    SiteCheck check;
    check.checked_at = host.now();
    const std::optional<TextReader> path_file = read_text(disk, join_path(start_directory, kPathConfigFile));
    check.configuration = read_configuration(disk, host, start_directory, path_file);
    SiteConfiguration& configuration = check.configuration;
    check_path_file_lines(path_file, configuration, check.problems);
    Stops stops;
    const std::optional<PathConfig> stamper =
        working(configuration.stamper, WorkDirectory::ToSend, start_directory, stops.stamper, check.problems);
    const std::optional<PathConfig> filer =
        working(configuration.filer, WorkDirectory::Sent, start_directory, stops.filer, check.problems);
    if (stamper) {
        require_directory(disk, stamper->base, "base", check.problems);
        require_directory(disk, stamper->to_send, "to-send", check.problems);
        check_parameter_files(disk, configuration, stamper->to_send, check.problems);
    }
    if (filer) {
        if (!stamper || filer->base != stamper->base) require_directory(disk, filer->base, "base", check.problems);
        require_directory(disk, filer->sent, "sent", check.problems);
    }
    check_site_name(configuration, check.problems);

    MemoryFileSystem overlay(&disk);
    const std::optional<PathConfig> stamper_reaches = reached(overlay, stamper);
    const std::optional<PathConfig> filer_reaches = reached(overlay, filer);
    const std::vector<WaitingFile> files = waiting_files(overlay, configuration, stamper_reaches, filer_reaches, stops);
    Trace stamper_trace(traces), transfer_trace(traces), filer_trace(traces);
    Heard heard;
    if (stamper) {
        BuiltinInterpreter interpreter(stamper_trace, overlay, start_directory, host);
        run_stamping_pass(stamper_trace, interpreter, overlay, host, heard.stamper);
    }
    if (stamper && filer && !is_directory(overlay, filer->sent))
        heard.transfer.all =
            StayReason{kTransferFails, kOwnFinding, std::string(kTransferFailsText) + ": it is not there"};
    else if (stamper && filer && is_directory(overlay, stamper->to_send) &&
             path_key(stamper_reaches->to_send) != path_key(filer_reaches->sent))
        heard.transfer = transfer(overlay, stamper_reaches->to_send, filer_reaches->sent, transfer_trace);
    if (filer) {
        BuiltinInterpreter interpreter(filer_trace, overlay, start_directory, host);
        run_filing_pass(filer_trace, interpreter, overlay, heard.filer);
    }
    configuration.stamper_record = heard.stamper.move_record();
    configuration.filer_record = heard.filer.move_record();
    NewestArchived newest;
    for (const std::optional<PathConfig>* paths : {&stamper_reaches, &filer_reaches})
        if (*paths && (paths == &stamper_reaches || !stamper_reaches || (*paths)->base != stamper_reaches->base))
            look_at_archive(disk, **paths, check.leftovers, newest);
    // A temporary that a recorded move names is gone once the run has
    // finished that move: only what the cycle leaves is a leftover.
    check.leftovers.erase(std::remove_if(check.leftovers.begin(), check.leftovers.end(),
                                         [&](const Leftover& leftover) { return !overlay.info(leftover.path); }),
                          check.leftovers.end());
    check.stamper_trace = stamper_trace.text();
    check.transfer_trace = transfer_trace.text();
    check.filer_trace = filer_trace.text();

    const std::map<std::string, std::string> moved = overlay.moved_from_below();
    for (const WaitingFile& file : files)
        check.files.push_back(predict(file, overlay, moved, stamper_reaches, filer_reaches, stops, heard));
    check_clocks(host, check, newest);
    return check;
}

std::optional<PathConfig> filer_paths(FileSystem& disk, const std::string& start_directory,
                                      std::vector<Problem>& problems) {
    const std::optional<TextReader> path_file = read_text(disk, join_path(start_directory, kPathConfigFile));
    std::vector<std::string> from_defaults;
    std::string stopped_by;
    return reached(disk, working(read_paths(path_file, kFilerDefaults, from_defaults), WorkDirectory::Sent,
                                 start_directory, stopped_by, problems));
}

}  // namespace site
