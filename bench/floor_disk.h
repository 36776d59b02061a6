// The file-system calls of the benchmark's floor, one source for each
// platform (floor_disk_posix.cpp, floor_disk_win32.cpp), so that floor.cpp
// says only which work is done. Each function is as few system calls as its
// platform allows for what it does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace floor_disk {

// The separator of the platform's paths.
extern const char kSeparator;

// What one look at a file tells without opening it: enough to see that it
// changed.
struct Look {
    std::uint64_t volume = 0;  // which file, where the look tells it (0 if not)
    std::uint64_t index = 0;
    std::uint64_t size = 0;
    std::int64_t modified_ticks = 0;  // the modification time in the platform's finest unit
    std::time_t modified = 0;         // the same, in seconds

    bool operator==(const Look& other) const {
        return volume == other.volume && index == other.index && size == other.size &&
               modified_ticks == other.modified_ticks;
    }
    bool operator!=(const Look& other) const { return !(*this == other); }
};

// A file's first bytes and its look, from one opening.
struct Head {
    std::string bytes;
    Look look;
};

// The names in `directory`, without "." and "..", in the order the file
// system gives them; none when it cannot be read.
std::vector<std::string> list_names(const std::string& directory);

// Opens the file, reads its first `bytes` bytes (none when 0), takes its
// look from the open file, closes it; nothing when it cannot be opened.
std::optional<Head> read_head(const std::string& path, std::size_t bytes);

// One look at the file (stat); nothing when it is not there.
std::optional<Look> look_at(const std::string& path);

// The whole file; nothing when it cannot be read.
std::optional<std::string> read_whole(const std::string& path);

// Makes the file hold `content`; false when it cannot be written.
bool write_whole(const std::string& path, const std::string& content);

// Renames a file, refusing to replace one that has the new name, as the
// programs' renames and moves do.
bool move_refusing(const std::string& from, const std::string& to);

enum class Made { Created, Existed, Failed };

// Makes a directory; one call tells whether it was new.
Made make_directory(const std::string& path);

// The local time of an instant, as the programs take a file's date.
std::tm local_time(std::time_t when);

// The Program Files folder, from the environment as the stamper reads it.
std::string program_files();

}  // namespace floor_disk
