// The floor's file-system calls on Windows, through the "A" entry points
// that the programs use too (names in the ANSI code page).
#include <windows.h>

#include <algorithm>
#include <cstdlib>

#include "floor_disk.h"

namespace floor_disk {

const char kSeparator = '\\';

namespace {

// 100-nanosecond ticks from 1601 to 1970.
constexpr std::int64_t kUnixEpochTicks = 116444736000000000LL;
constexpr std::int64_t kTicksPerSecond = 10000000;

std::int64_t ticks_of(const FILETIME& time) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

Look look_of(DWORD size_high, DWORD size_low, const FILETIME& written) {
    Look look;
    look.size = (static_cast<std::uint64_t>(size_high) << 32) | size_low;
    look.modified_ticks = ticks_of(written);
    look.modified = static_cast<std::time_t>((look.modified_ticks - kUnixEpochTicks) / kTicksPerSecond);
    return look;
}

HANDLE open_to_read(const std::string& path) {
    return ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Reads up to `limit` bytes from `file` into `bytes`; false on a read error.
bool read_into(HANDLE file, std::string& bytes, std::size_t limit) {
    char chunk[1 << 16];
    while (bytes.size() < limit) {
        const DWORD wanted = static_cast<DWORD>(std::min(sizeof chunk, limit - bytes.size()));
        DWORD got = 0;
        if (!::ReadFile(file, chunk, wanted, &got, nullptr)) return false;
        if (got == 0) break;
        bytes.append(chunk, got);
    }
    return true;
}

}  // namespace

std::vector<std::string> list_names(const std::string& directory) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    const HANDLE search = ::FindFirstFileA((directory + kSeparator + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
    return names;
}

std::optional<Head> read_head(const std::string& path, std::size_t bytes) {
    const HANDLE file = open_to_read(path);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    Head head;
    BY_HANDLE_FILE_INFORMATION info;
    const bool read = read_into(file, head.bytes, bytes) && ::GetFileInformationByHandle(file, &info);
    ::CloseHandle(file);
    if (!read) return std::nullopt;
    head.look = look_of(info.nFileSizeHigh, info.nFileSizeLow, info.ftLastWriteTime);
    head.look.volume = info.dwVolumeSerialNumber;
    head.look.index = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return head;
}

std::optional<Look> look_at(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    return look_of(data.nFileSizeHigh, data.nFileSizeLow, data.ftLastWriteTime);
}

std::optional<std::string> read_whole(const std::string& path) {
    const HANDLE file = open_to_read(path);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string content;
    const bool read = read_into(file, content, static_cast<std::size_t>(-1));
    ::CloseHandle(file);
    if (!read) return std::nullopt;
    return content;
}

bool write_whole(const std::string& path, const std::string& content) {
    const HANDLE file =
        ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool all = ::WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
                     written == content.size();
    return ::CloseHandle(file) && all;
}

bool move_refusing(const std::string& from, const std::string& to) {
    return ::MoveFileExA(from.c_str(), to.c_str(), 0) != 0;
}

Made make_directory(const std::string& path) {
    if (::CreateDirectoryA(path.c_str(), nullptr)) return Made::Created;
    return ::GetLastError() == ERROR_ALREADY_EXISTS ? Made::Existed : Made::Failed;
}

// By the rules of the time zone in force at that instant, as the programs'
// Windows build takes a file's date.
std::tm local_time(std::time_t when) {
    const std::uint64_t ticks = static_cast<std::uint64_t>(when * kTicksPerSecond + kUnixEpochTicks);
    const FILETIME instant{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME utc, local;
    std::tm parts{};
    if (!::FileTimeToSystemTime(&instant, &utc) || !::SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
        return parts;
    parts.tm_year = local.wYear - 1900;
    parts.tm_mon = local.wMonth - 1;
    parts.tm_mday = local.wDay;
    parts.tm_hour = local.wHour;
    parts.tm_min = local.wMinute;
    return parts;
}

// Where the 32-bit acquisition software is installed.
std::string program_files() {
    for (const char* name : {"ProgramFiles(x86)", "ProgramFiles"})
        if (const char* value = std::getenv(name)) return value;
    return "";
}

}  // namespace floor_disk
