// The test support on Windows, with the "A" entry points that the programs'
// platform layer uses.
#include <windows.h>

#include <cstdlib>
#include <stdexcept>

#include "tests/support/test_platform.h"

namespace testing_site {

// Both copies of the environment: the C runtime's, which std::getenv reads,
// and the process's, which the programs' platform layer reads.
void set_environment(const std::string& name, const std::optional<std::string>& value) {
    ::_putenv_s(name.c_str(), value ? value->c_str() : "");
    ::SetEnvironmentVariableA(name.c_str(), value ? value->c_str() : nullptr);
}

std::time_t utc_time_of(std::tm parts) { return ::_mkgmtime(&parts); }

std::string system_temp_directory() {
    char buffer[MAX_PATH + 1];
    const DWORD length = ::GetTempPathA(sizeof buffer, buffer);
    if (length == 0 || length >= sizeof buffer) return ".";
    return std::string(buffer, length - 1);  // without the final backslash
}

// The process id and a count make the name; a directory left by an earlier
// process of the same id only moves the count on. The new directory inherits
// its parent's rights, as Windows gives them.
std::string make_temp_directory(const std::string& parent, const std::string& prefix) {
    static unsigned count = 0;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const std::string name =
            parent + "\\" + prefix + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(count++);
        if (::CreateDirectoryA(name.c_str(), nullptr)) return name;
    }
    throw std::runtime_error("cannot create a temporary directory in " + parent);
}

bool remove_directory(const std::string& path) { return ::RemoveDirectoryA(path.c_str()) != 0; }

void open_to_owner(const std::string&) {}

// A directory opens only with FILE_FLAG_BACKUP_SEMANTICS.
bool set_entry_time(const std::string& path, std::time_t when) {
    const HANDLE entry =
        ::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (entry == INVALID_HANDLE_VALUE) return false;
    // 100-nanosecond intervals from 1601.
    const unsigned long long ticks = static_cast<unsigned long long>(when) * 10000000ULL + 116444736000000000ULL;
    FILETIME written;
    written.dwLowDateTime = static_cast<DWORD>(ticks);
    written.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    const bool done = ::SetFileTime(entry, nullptr, nullptr, &written) != 0;
    ::CloseHandle(entry);
    return done;
}

bool set_file_size(const std::string& path, std::uint64_t size) {
    const HANDLE file =
        ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(size);
    const bool done = ::SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && ::SetEndOfFile(file);
    ::CloseHandle(file);
    return done;
}

bool replace_file(const std::string& from, const std::string& to) {
    return ::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool make_hard_link(const std::string& existing, const std::string& path) {
    return ::CreateHardLinkA(path.c_str(), existing.c_str(), nullptr) != 0;
}

const bool kPosixOnlyEntries = false;

bool make_symbolic_link(const std::string&, const std::string&) { return false; }

bool make_fifo(const std::string&) { return false; }

}  // namespace testing_site
