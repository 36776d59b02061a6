#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "tests/support/test_platform.h"

namespace testing_site {

void set_environment(const std::string& name, const std::optional<std::string>& value) {
    if (value)
        ::setenv(name.c_str(), value->c_str(), 1);
    else
        ::unsetenv(name.c_str());
}

std::time_t utc_time_of(std::tm parts) { return ::timegm(&parts); }

std::string system_temp_directory() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp && *tmp ? tmp : "/tmp";
}

std::string make_temp_directory(const std::string& parent, const std::string& prefix) {
    std::string name = parent + "/" + prefix + "XXXXXX";
    if (::mkdtemp(&name[0]) == nullptr) throw std::runtime_error("cannot create a temporary directory in " + parent);
    return name;
}

bool remove_directory(const std::string& path) { return ::rmdir(path.c_str()) == 0; }

void open_to_owner(const std::string& directory) { ::chmod(directory.c_str(), 0700); }

bool set_entry_time(const std::string& path, std::time_t when) {
    const utimbuf times = {when, when};
    return ::utime(path.c_str(), &times) == 0;
}

bool set_file_size(const std::string& path, std::uint64_t size) {
    return ::truncate(path.c_str(), static_cast<off_t>(size)) == 0;
}

bool replace_file(const std::string& from, const std::string& to) { return std::rename(from.c_str(), to.c_str()) == 0; }

bool make_hard_link(const std::string& existing, const std::string& path) {
    return ::link(existing.c_str(), path.c_str()) == 0;
}

const bool kPosixOnlyEntries = true;

bool make_symbolic_link(const std::string& target, const std::string& path) {
    return ::symlink(target.c_str(), path.c_str()) == 0;
}

bool make_fifo(const std::string& path) { return ::mkfifo(path.c_str(), 0644) == 0; }

}  // namespace testing_site
