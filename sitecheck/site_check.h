// The dry run of a site: what tolvik, the transfer to the sent directory and
// brasko would do to each data file, worked out by running the real passes
// over an in-memory copy of the site's changes. Nothing on the disk changes.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/base/trace.h"
#include "common/fs/file_system.h"
#include "common/host/host.h"
#include "common/site/path_config.h"
#include "sitecheck/reasons.h"

namespace site {

// The configuration as the two programs would read it.
struct SiteConfiguration {
    std::string start_directory;
    std::string path_file;  // path_autok7.txt, where it is looked for
    bool path_file_found = false;
    PathConfig stamper;  // the paths tolvik works with
    PathConfig filer;    // the paths brasko works with
    // Which of "base", "to-send" and "sent" come from a program's built-in
    // defaults rather than from the path file.
    std::vector<std::string> stamper_defaults;
    std::vector<std::string> filer_defaults;
    std::string program_files;
    std::string parameter_directory;
    std::vector<std::string> parameter_files;  // the .PAR files found there
    std::string site_file;
    std::optional<std::string> site_name;
    // What each program's run finds at its move record's name first.
    RecordFound stamper_record = RecordFound::Nothing;
    RecordFound filer_record = RecordFound::Nothing;
};

// A file of the programs' own temporary forms found in the base directory
// or the archive below it: what a stopped move or a record set aside left.
struct Leftover {
    std::string path;
    std::string code;  // "own-temporary" or "record-set-aside"
};

enum class Fate {
    Filed,            // ends in the archive
    StaysInToSend,    // the transfer could not take it
    StaysInSent,      // brasko leaves it in the sent directory
    AlreadyArchived,  // the archive holds the same bytes: the sent copy goes
};

struct FilePrediction {
    std::string directory;       // "to-send" or "sent": where the file is now
    std::string name;            // its name now
    std::string path;            // its whole path now
    std::string new_name;        // its name at the end
    std::string final_path;      // its whole path at the end; empty when it goes
    std::string archive_folder;  // under the base directory, when filed
    Fate fate = Fate::StaysInSent;
    std::vector<StayReason> reasons;      // why it stays (or, already archived, why it goes)
    std::string reason;                   // the same as one text: "tolvik: ...; brasko: ..."
    bool collision = false;               // another file holds the name it would take
    std::optional<std::time_t> modified;  // its time stamp now; nothing when it cannot be read
};

// What is wrong with the configuration: a stable code, for monitoring,
// and what it is in words.
struct Problem {
    std::string code;  // "no-sent-directory", "parameter-file-missing", ...
    std::string text;
};

// A time stamp up to this far after the check is taken as the check's
// time: file systems round times up, and clocks differ a little.
constexpr std::time_t kClockSlackSeconds = 120;

// A sign that a clock was or is wrong: a waiting file dated after the
// check, or in a year far from the PC clock's, or a PC clock behind the
// dates that the archive's names give.
struct ClockWarning {
    std::string code;  // "future-time-stamp", "year-far-from-clock", "clock-before-archive"
    std::string path;  // the file; for clock-before-archive, the newest-dated archived file
    std::string text;
};

struct SiteCheck {
    std::time_t checked_at = 0;  // the host's clock when the check ran
    SiteConfiguration configuration;
    std::vector<Problem> problems;  // what is wrong with the configuration
    std::vector<FilePrediction> files;
    std::vector<Leftover> leftovers;
    std::vector<ClockWarning> clock_warnings;
    // What the programs would print, when asked for (Trace::Keep::text).
    std::string stamper_trace;
    std::string transfer_trace;
    std::string filer_trace;

    // 0: every file would be handled; 1: some would stay where they are,
    // the programs left files of their own behind, or a clock looks wrong;
    // 2: the configuration
    // itself is wrong.
    int status() const;
};

// Runs the dry run of the site started from `start_directory`, reading
// through `disk`, which it never changes, on the machine `host`; with
// Trace::Keep::nothing the programs' traces are not kept.
SiteCheck check_site(FileSystem& disk, Host& host, const std::string& start_directory,
                     Trace::Keep traces = Trace::Keep::text);

// The paths brasko works with, read from the path file as it reads them
// and resolved as it reaches them; nothing, with the problem added to
// `problems`, when its configuration stops it.
std::optional<PathConfig> filer_paths(FileSystem& disk, const std::string& start_directory,
                                      std::vector<Problem>& problems);

}  // namespace site
