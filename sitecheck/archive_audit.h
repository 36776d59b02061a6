// The audit of the archive that brasko has built under the base directory:
// every file of the photometer and year folders and of the wet-sensor
// folders, judged by where brasko would file it, by its time stamp and
// size, by whether it is a file of the programs' own, and by whether the
// same bytes lie elsewhere in the archive. It changes nothing.
#pragma once

#include <cstddef>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "common/fs/file_system.h"
#include "common/host/host.h"
#include "sitecheck/site_check.h"

namespace site {

// The codes of the findings.
extern const char* const kMisfiled;            // brasko would file it in another folder
extern const char* const kNotTakenByBrasko;    // a data file's name that brasko would not take
extern const char* const kNotADataFile;        // neither a data file nor one of the programs'
extern const char* const kYearDiffers;         // its time stamp's year is not the year in its name
extern const char* const kFutureDate;          // dated after the check
extern const char* const kShortK7;             // a .K7 file shorter than its header
extern const char* const kEmptyFile;           // no bytes at all
extern const char* const kHalfWrittenListing;  // a listing whose writing was stopped
extern const char* const kStrayDirectory;      // a directory where the archive holds only files
extern const char* const kSameBytes;           // the same bytes as another file of the archive
extern const char* const kUnreadable;          // a file or folder that cannot be looked at or read

struct ArchiveFinding {
    std::string code;
    std::string path;      // the file's whole path
    std::string text;      // what it means, in words
    std::string would_go;  // kMisfiled: the folder brasko would file it in, below the base directory
    std::string same_as;   // kSameBytes: the whole path of the first file with those bytes
};

// One folder of the archive: how many data files it holds, and the first
// and last dates that their names give ("2015-03-01"), so that a gap shows.
struct ArchiveFolder {
    std::string folder;  // below the base directory: "300/2015", "wetsensor/A001"
    std::size_t files = 0;
    std::size_t undated = 0;  // files whose names give no date
    std::string first_date, last_date;
};

struct ArchiveAudit {
    std::time_t checked_at = 0;
    std::string base;               // the base directory, as brasko reaches it
    std::vector<Problem> problems;  // why the archive cannot be read
    std::size_t files = 0;          // files looked at below the base directory
    std::size_t files_read = 0;     // of them, read for their bytes
    std::vector<ArchiveFinding> findings;
    std::vector<ArchiveFolder> folders;

    // 0: nothing found; 1: findings; 2: the archive cannot be read.
    int status() const;
};

// Audits the archive of the site started from `start_directory`, through
// `disk`, which it never changes; times are judged by `host`'s clock.
ArchiveAudit audit_archive(FileSystem& disk, Host& host, const std::string& start_directory);

// A date that a stamped name gives after its last '_': four digits of the
// year, then month and day ("P0300_Coteau_201503011420.K7": 2015-03-01).
struct NameDate {
    int year = 0, month = 0, day = 0;
    std::string text() const;  // "2015-03-01"
    bool operator<(const NameDate& other) const;
};
std::optional<NameDate> date_in_name(const std::string& name);

// An instant in `host`'s local time, to the minute ("2015-03-01 14:20").
std::string local_minute_text(Host& host, std::time_t when);

}  // namespace site
