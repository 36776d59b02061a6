// The platform layer: the few operating-system services that the passes and
// the built-in command interpreter need, with one implementation per family
// (platform_posix.cpp, platform_win32.cpp). Nothing outside these files
// knows which system it runs on.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace site {

// The separator that joins directory and file names: '\' on Windows, '/'
// elsewhere.
extern const char kPathSeparator;

// The "é" of the trace, in the console's 8-bit code page on Windows and in
// UTF-8 elsewhere.
extern const char* const kTraceEAcute;

// --- Directories -----------------------------------------------------------

// Changes the current directory; false when it does not exist or cannot be
// entered.
bool change_directory(const std::string& path);

// Creates one directory whose parent exists; false otherwise (already there,
// parent missing, no permission).
bool make_directory(const std::string& path);

// The current directory as an absolute path.
std::string current_directory();

struct DirectoryEntry {
    std::string name;
    bool is_directory = false;
};

// The entries of a directory other than "." and "..", in no particular order;
// nothing when the directory cannot be read.
std::optional<std::vector<DirectoryEntry>> list_directory(const std::string& path);

// Which directory a path leads to, whatever the path's spelling, and when
// its content last changed: the time changes whenever an entry is added,
// removed or renamed in it.
struct DirectoryStamp {
    std::uint64_t device = 0;
    std::uint64_t index = 0;
    std::int64_t seconds = 0;
    std::int64_t fraction = 0;
    bool same_time(const DirectoryStamp& other) const {
        return seconds == other.seconds && fraction == other.fraction;
    }
};

// Nothing when `path` is not a readable directory.
std::optional<DirectoryStamp> directory_stamp(const std::string& path);

struct FileInfo {
    bool is_directory = false;
    std::uint64_t size = 0;
    std::time_t modified = 0;
};

// What `path` is, without following a final symbolic link; nothing when
// there is no such entry.
std::optional<FileInfo> file_info(const std::string& path);

// --- Files -------------------------------------------------------------------

// The whole content of a regular file; nothing when it cannot be read.
std::optional<std::string> read_whole_file(const std::string& path);

// Opens a regular file for binary reading; nullptr for anything else
// (missing, a directory, unreadable).
std::FILE* open_regular_file(const std::string& path);

enum class MoveOutcome { Moved, TargetExists, SourceMissing, NameTooLong, Failed };

// Moves one file to a new full path, never replacing what stands there.
// Across file systems the file is copied, flushed to disk and checked before
// the source is removed; a copy that fails is removed again, so the source
// stays the only copy.
MoveOutcome move_file(const std::string& from, const std::string& to);

// Sets a file's modification time; false on failure.
bool set_modified_time(const std::string& path, std::time_t when);

// --- Time ------------------------------------------------------------------

// A modification time in local time, packed as MS-DOS date and time words.
struct DosStamp {
    std::uint16_t date = 0;
    std::uint16_t time = 0;

    unsigned year() const { return 1980u + (date >> 9); }
    unsigned month() const { return (date >> 5) & 0x0Fu; }
    unsigned day() const { return date & 0x1Fu; }
    unsigned hour() const { return time >> 11; }
    unsigned minute() const { return (time >> 5) & 0x3Fu; }
};

// The packing itself, shared by the implementations; nothing for a year
// outside 1980-2107, which the date word cannot hold.
std::optional<DosStamp> pack_dos_stamp(const std::tm& local);

// The last-modification stamp of an open file, in local time.
std::optional<DosStamp> file_dos_stamp(std::FILE* file);

// The current local time as asctime prints it ("Sun Mar  1 14:20:00 2015\n").
std::string local_time_text();

// --- Environment -------------------------------------------------------------

// The value of an environment variable, its name matched without regard to
// case as Windows does; nothing when it is not set.
std::optional<std::string> environment_variable(const std::string& name);

}  // namespace site
