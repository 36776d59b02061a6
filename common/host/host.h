// What the passes and the built-in interpreter ask of the machine, beside
// its disk: the clock and the local time, the environment, and the Program
// Files folder where the acquisition software keeps its parameter files.
//
// The passes take a Host rather than asking the platform, so that a test
// or a dry run gives them a machine of its own (a fixed clock, a time
// zone, a Program Files folder) without touching the process's
// environment.
#pragma once

#include <ctime>
#include <optional>
#include <string>

#include "common/base/disk_types.h"
#include "common/base/dos_time.h"

namespace site {

class Host {
public:
    virtual ~Host() = default;

    virtual std::time_t now() = 0;
    // An instant in local time, by the time-zone rules in force at that
    // instant; nothing when it cannot be converted.
    virtual std::optional<std::tm> local_time_of(std::time_t when) = 0;
    // The value of an environment variable, its name matched without regard
    // to case; nothing when it is not set.
    virtual std::optional<std::string> environment_variable(const std::string& name) = 0;
    // Empty when the system names none.
    virtual std::string program_files_directory() = 0;
    // The directory the program was started in, where its configuration is.
    virtual std::string start_directory() = 0;
};

// The machine the program runs on, through the platform layer.
Host& system_host();

// A file's last-modification time in local time, as the site's disk keeps
// it; nothing outside the years the date word can hold.
std::optional<DosStamp> dos_stamp_of(Host& host, const FileInfo& info);

// The host's local time at `when`, as asctime prints it
// ("Sun Mar  1 14:20:00 2015\n").
std::string local_time_text(Host& host, std::time_t when);

// `%NAME%` replaced by the value of the environment variable NAME, names
// matched without regard to case; an unset name stays as written.
std::string expand_environment(Host& host, const std::string& text);

}  // namespace site
