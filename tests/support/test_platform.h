// The few services of the test support that differ between POSIX and
// Windows, with one implementation per family (test_platform_posix.cpp,
// test_platform_win32.cpp), as the programs' own platform layer has.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

namespace testing_site {

// Sets an environment variable of this process where both std::getenv and
// site::environment_variable read it; with no value, removes it.
void set_environment(const std::string& name, const std::optional<std::string>& value);

// The time_t of a calendar time in UTC.
std::time_t utc_time_of(std::tm parts);

// The system's temporary directory: TMPDIR, else /tmp on POSIX; the user's
// temporary directory on Windows.
std::string system_temp_directory();

// Creates a new directory in `parent` whose name starts with `prefix` (on
// POSIX open to its owner only) and gives its path; throws when none can be
// made.
std::string make_temp_directory(const std::string& parent, const std::string& prefix);

// Removes an empty directory; false on failure.
bool remove_directory(const std::string& path);

// Gives the owner every right on a directory (that a test may have taken
// away), so that what is in it can be removed.
void open_to_owner(const std::string& directory);

// Sets the modification time of a file or a directory; false on failure.
bool set_entry_time(const std::string& path, std::time_t when);

// Sets a file's size, as a sparse file where the file system allows.
bool set_file_size(const std::string& path, std::uint64_t size);

// Renames a file over whatever stands at `to`, as another program may.
bool replace_file(const std::string& from, const std::string& to);

// A second name for a file.
bool make_hard_link(const std::string& existing, const std::string& path);

// Whether the tests can make symbolic links, FIFOs and names that Windows
// cannot hold: on POSIX; not on Windows, which has no FIFOs, lets only a
// privileged user make links, and refuses such names.
extern const bool kPosixOnlyEntries;
bool make_symbolic_link(const std::string& target, const std::string& path);
bool make_fifo(const std::string& path);

}  // namespace testing_site

// Skips the current test where the platform cannot hold what it makes.
#define SKIP_WITHOUT_POSIX_ONLY_ENTRIES() \
    if (!testing_site::kPosixOnlyEntries) GTEST_SKIP() << "makes symbolic links, FIFOs or names that only POSIX holds"
