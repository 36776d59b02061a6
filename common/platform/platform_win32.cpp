// The platform layer on Windows. File names and the trace are 8-bit text in
// the ANSI code page, so the "A" entry points are used throughout.
#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/utime.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "common/base/ascii.h"
#include "common/platform/platform.h"
#include "common/text/name_rule.h"

namespace site {

bool change_directory(const std::string& path) { return ::_chdir(path.c_str()) == 0; }

bool make_directory(const std::string& path) { return ::_mkdir(path.c_str()) == 0; }

std::string current_directory() {
    char buffer[MAX_PATH * 4];
    const DWORD length = ::GetCurrentDirectoryA(sizeof buffer, buffer);
    if (length == 0 || length >= sizeof buffer) return ".";
    return std::string(buffer, length);
}

std::optional<DirectoryStamp> enterable_directory(const std::string& path) {
    // The full path is made from the spelling alone, so the stamp needs no
    // identity to tell which name a directory entered at `path` has.
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return std::nullopt;
    return DirectoryStamp();
}

std::optional<std::string> entered_directory_name(const std::string& path) {
    char buffer[MAX_PATH * 4];
    const DWORD length = ::GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
    if (length == 0 || length >= sizeof buffer) return std::nullopt;
    std::string full(buffer, length);
    // The full path keeps a final separator that `path` ends with; the
    // current directory has none once entered, but at a drive's or a
    // share's root ("C:\", "\\server\share\").
    const bool drive_root = full.size() == 3 && full[1] == ':';
    const bool share_root =
        full.compare(0, 2, "\\\\") == 0 && full.find('\\', full.find('\\', 2) + 1) == full.size() - 1;
    if (full.size() > 1 && full.back() == '\\' && !drive_root && !share_root) full.pop_back();
    return full;
}

bool may_change_directory(const std::string& path) {
    const HANDLE handle =
        ::CreateFileA(path.c_str(), FILE_ADD_FILE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    ::CloseHandle(handle);
    return true;
}

namespace {

// A name of the disk in the ANSI code page, as the "A" entry points take
// it; a character the code page cannot spell (no best-fit stand-in, which
// would name another file) is written by unspellable_character.
std::string ansi_name(const wchar_t* wide) {
    // UTF-8 (a code page Windows may be set to) spells every character, and
    // takes neither the flag nor the answer.
    static const bool utf8 = ::GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    // Most names are spelt whole at once; one with a character the code
    // page cannot spell is spelt again character by character.
    char whole[MAX_PATH * 4];
    BOOL any_unspellable = FALSE;
    const int whole_length =
        ::WideCharToMultiByte(CP_ACP, flags, wide, -1, whole, sizeof whole, nullptr, utf8 ? nullptr : &any_unspellable);
    if (whole_length > 0 && !any_unspellable) return std::string(whole, static_cast<size_t>(whole_length) - 1);
    std::string name;
    for (const wchar_t* at = wide; *at != L'\0';) {
        const int units = (at[0] >= 0xD800 && at[0] < 0xDC00 && at[1] >= 0xDC00 && at[1] < 0xE000) ? 2 : 1;
        char bytes[8];
        BOOL unspellable = FALSE;
        const int length = ::WideCharToMultiByte(CP_ACP, flags, at, units, bytes, sizeof bytes, nullptr,
                                                 utf8 ? nullptr : &unspellable);
        if (length <= 0 || unspellable) {
            const unsigned code_point =
                units == 2 ? 0x10000u + ((at[0] - 0xD800u) << 10) + (at[1] - 0xDC00u) : static_cast<unsigned>(at[0]);
            name += unspellable_character(code_point);
        } else {
            name.append(bytes, static_cast<size_t>(length));
        }
        at += units;
    }
    return name;
}

}  // namespace

std::optional<std::vector<DirectoryEntry>> list_directory(const std::string& path) {
    const int wide_length = ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    if (wide_length <= 0) return std::nullopt;
    std::wstring pattern(static_cast<size_t>(wide_length) - 1, L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, &pattern[0], wide_length);
    pattern += L"\\*";
    WIN32_FIND_DATAW found;
    const HANDLE search = ::FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        if (::GetLastError() == ERROR_FILE_NOT_FOUND) return std::vector<DirectoryEntry>();
        return std::nullopt;
    }
    std::vector<DirectoryEntry> entries;
    do {
        const std::string name = ansi_name(found.cFileName);
        if (name == "." || name == "..") continue;
        entries.push_back({name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return entries;
}

namespace {

// 100-nanosecond intervals from 1601 to 1970.
constexpr unsigned long long kUnixEpochInFileTime = 116444736000000000ULL;

FILETIME file_time_of(std::time_t when) {
    const unsigned long long ticks = static_cast<unsigned long long>(when) * 10000000ULL + kUnixEpochInFileTime;
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(ticks);
    time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return time;
}

std::time_t to_time_t(const FILETIME& time) {
    const unsigned long long ticks = (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    return static_cast<std::time_t>((ticks - kUnixEpochInFileTime) / 10000000ULL);
}

// What the system says of the entry at `path` without opening it: its
// attributes, size and times. A link (a reparse point) is described as
// itself, not as what it leads to.
std::optional<WIN32_FILE_ATTRIBUTE_DATA> attribute_data(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    return data;
}

bool is_link(const WIN32_FILE_ATTRIBUTE_DATA& data) {
    return (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// What the entry at `path` says of itself once opened, a link followed to
// what it leads to; nothing when it cannot be opened or asked.
std::optional<BY_HANDLE_FILE_INFORMATION> followed_information(const std::string& path) {
    const HANDLE handle = ::CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info;
    const bool read = ::GetFileInformationByHandle(handle, &info) != 0;
    ::CloseHandle(handle);
    if (!read) return std::nullopt;
    return info;
}

}  // namespace

std::optional<DirectoryStamp> directory_stamp(const std::string& path) {
    const std::optional<BY_HANDLE_FILE_INFORMATION> opened = followed_information(path);
    if (!opened || (opened->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return std::nullopt;
    const BY_HANDLE_FILE_INFORMATION& info = *opened;
    DirectoryStamp stamp;
    stamp.device = info.dwVolumeSerialNumber;
    stamp.index = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    stamp.changed_high = info.ftLastWriteTime.dwHighDateTime;
    stamp.changed_low = info.ftLastWriteTime.dwLowDateTime;
    return stamp;
}

// Opening a directory to ask which one it is costs three questions, and a
// dozen round trips to the server under Wine (the volume's serial number);
// the time alone is one question that does not open it. A link is opened,
// so that the time is that of the directory it leads to.
std::optional<DirectoryStamp> directory_stamp_again(const std::string& path, const DirectoryStamp& earlier) {
    const std::optional<WIN32_FILE_ATTRIBUTE_DATA> data = attribute_data(path);
    if (!data || (data->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return std::nullopt;
    if (is_link(*data)) return directory_stamp(path);
    DirectoryStamp stamp = earlier;
    stamp.changed_high = data->ftLastWriteTime.dwHighDateTime;
    stamp.changed_low = data->ftLastWriteTime.dwLowDateTime;
    return stamp;
}

namespace {

FsStatus status_of(DWORD error) {
    switch (error) {
        case ERROR_SUCCESS: return FsStatus::Ok;
        case ERROR_ALREADY_EXISTS:
        case ERROR_FILE_EXISTS: return FsStatus::Exists;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND: return FsStatus::NotFound;
        case ERROR_INVALID_NAME: return FsStatus::BadName;
        case ERROR_NOT_SAME_DEVICE: return FsStatus::CrossDevice;
        case ERROR_FILENAME_EXCED_RANGE: return FsStatus::NameTooLong;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
        case ERROR_FILE_TOO_LARGE: return FsStatus::NoSpace;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_WRITE_PROTECT: return FsStatus::AccessDenied;
        case ERROR_LOCK_VIOLATION: return FsStatus::Busy;
        default: return FsStatus::Failed;
    }
}

FsStatus last_status() { return status_of(::GetLastError()); }

HANDLE handle_of(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

std::intptr_t handle_value(HANDLE handle) { return reinterpret_cast<std::intptr_t>(handle); }

FileInfo info_of(const BY_HANDLE_FILE_INFORMATION& data) {
    FileInfo info;
    info.is_directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    info.is_regular = (data.dwFileAttributes &
                       (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
    info.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    info.modified = to_time_t(data.ftLastWriteTime);
    info.modified_fraction =
        static_cast<std::int64_t>(((static_cast<unsigned long long>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                                   data.ftLastWriteTime.dwLowDateTime) %
                                  10000000ULL);
    info.device = data.dwVolumeSerialNumber;
    info.index = (static_cast<std::uint64_t>(data.nFileIndexHigh) << 32) | data.nFileIndexLow;
    info.links = data.nNumberOfLinks;
    return info;
}

// The same from what the system says of a path without opening it: no
// file index, no count of names.
FileInfo info_of(const WIN32_FILE_ATTRIBUTE_DATA& data) {
    BY_HANDLE_FILE_INFORMATION opened = {};
    opened.dwFileAttributes = data.dwFileAttributes;
    opened.ftLastWriteTime = data.ftLastWriteTime;
    opened.nFileSizeHigh = data.nFileSizeHigh;
    opened.nFileSizeLow = data.nFileSizeLow;
    return info_of(opened);
}

// Opens an entry itself (a directory, or a link rather than its target) to
// ask what it is.
HANDLE open_entry(const std::string& path) {
    return ::CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

// What the entry opened as `handle` is; the handle is closed.
std::optional<FileInfo> info_and_close(HANDLE handle) {
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION data;
    const bool read = ::GetFileInformationByHandle(handle, &data) != 0;
    ::CloseHandle(handle);
    if (!read) return std::nullopt;
    return info_of(data);
}

}  // namespace

std::optional<FileInfo> file_info(const std::string& path) { return info_and_close(open_entry(path)); }

std::optional<FileInfo> listed_info(const std::string& path) {
    const std::optional<WIN32_FILE_ATTRIBUTE_DATA> data = attribute_data(path);
    if (!data) return std::nullopt;
    return info_of(*data);
}

// One question without opening the file, which gives no file index; a
// link is opened, so that the answer is of the file it leads to.
std::optional<FileInfo> target_info(const std::string& path) {
    const std::optional<WIN32_FILE_ATTRIBUTE_DATA> data = attribute_data(path);
    if (!data) return std::nullopt;
    if (!is_link(*data)) return info_of(*data);
    std::optional<BY_HANDLE_FILE_INFORMATION> opened = followed_information(path);
    if (!opened) return std::nullopt;
    // Opened, a link is followed: a reparse point still there is not a link
    // but a file kept in another form (deduplicated, or held in the cloud),
    // and is read as a file.
    opened->dwFileAttributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_REPARSE_POINT);
    return info_of(*opened);
}

OsFile OsFile::open_regular(const std::string& path, FsStatus& status) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        status = last_status();
        return OsFile();
    }
    if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) {
        status = FsStatus::NotRegular;
        return OsFile();
    }
    return adopt_regular(handle_value(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)),
                         status);
}

OsFile OsFile::adopt_regular(std::intptr_t handle, FsStatus& status) {
    if (handle_of(handle) == INVALID_HANDLE_VALUE) {
        status = last_status();
        return OsFile();
    }
    OsFile file(handle);
    BY_HANDLE_FILE_INFORMATION data;
    if (::GetFileType(handle_of(handle)) != FILE_TYPE_DISK || !::GetFileInformationByHandle(handle_of(handle), &data)) {
        status = FsStatus::NotRegular;
        return OsFile();
    }
    file.info_at_open_ = info_of(data);
    status = FsStatus::Ok;
    return file;
}

OsFile OsFile::create_new(const std::string& path, FsStatus& status) {
    const HANDLE handle = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                        CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    status = handle == INVALID_HANDLE_VALUE ? last_status() : FsStatus::Ok;
    return handle == INVALID_HANDLE_VALUE ? OsFile() : OsFile(handle_value(handle));
}

OsFile OsFile::open_for_locking(const std::string& path, FsStatus& status) {
    return adopt_regular(handle_value(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)),
                         status);
}

long long OsFile::read(char* buffer, std::size_t size) {
    DWORD got = 0;
    const DWORD wanted = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
    if (!::ReadFile(handle_of(handle_), buffer, wanted, &got, nullptr)) return -1;
    return got;
}

FsStatus OsFile::write_all(const char* data, std::size_t size) {
    while (size > 0) {
        const DWORD wanted = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!::WriteFile(handle_of(handle_), data, wanted, &written, nullptr)) return last_status();
        if (written == 0) return FsStatus::NoSpace;
        data += written;
        size -= written;
    }
    return FsStatus::Ok;
}

FsStatus OsFile::flush() { return ::FlushFileBuffers(handle_of(handle_)) ? FsStatus::Ok : last_status(); }

bool OsFile::rewind() {
    LARGE_INTEGER start;
    start.QuadPart = 0;
    return ::SetFilePointerEx(handle_of(handle_), start, nullptr, FILE_BEGIN) != 0;
}

std::optional<FileInfo> OsFile::info() const {
    BY_HANDLE_FILE_INFORMATION data;
    if (!::GetFileInformationByHandle(handle_of(handle_), &data)) return std::nullopt;
    return info_of(data);
}

bool OsFile::set_modified(std::time_t when) {
    const FILETIME written = file_time_of(when);
    return ::SetFileTime(handle_of(handle_), nullptr, nullptr, &written) != 0;
}

FsStatus OsFile::try_lock() {
    OVERLAPPED whole = {};
    if (::LockFileEx(handle_of(handle_), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD,
                     &whole))
        return FsStatus::Ok;
    const DWORD error = ::GetLastError();
    return error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING ? FsStatus::Busy : status_of(error);
}

FsStatus OsFile::close() {
    if (!is_open()) return FsStatus::Ok;
    const bool closed = ::CloseHandle(handle_of(handle_)) != 0;
    handle_ = kNoHandle;
    return closed ? FsStatus::Ok : last_status();
}

FsStatus rename_no_replace(const std::string& from, const std::string& to) {
    // Without MOVEFILE_REPLACE_EXISTING the rename never replaces a file, and
    // without MOVEFILE_COPY_ALLOWED it never copies: another volume is
    // ERROR_NOT_SAME_DEVICE, and the caller copies itself. But a target that
    // is the very file under a second name (a hard link, the same path
    // spelt another way) can be taken as done, both names left (Wine does
    // so): what stands at `to` is looked for first.
    if (::GetFileAttributesA(to.c_str()) != INVALID_FILE_ATTRIBUTES) return FsStatus::Exists;
    return ::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) ? FsStatus::Ok : last_status();
}

FsStatus rename_file(const std::string& from, const std::string& to) { return rename_no_replace(from, to); }

FsStatus remove_file(const std::string& path) {
    if (::DeleteFileA(path.c_str())) return FsStatus::Ok;
    const DWORD error = ::GetLastError();
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    // A read-only file is removed as POSIX removes it: the directory decides.
    if (error != ERROR_ACCESS_DENIED || attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & FILE_ATTRIBUTE_READONLY) == 0 ||
        !::SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY))
        return status_of(error);
    if (::DeleteFileA(path.c_str())) return FsStatus::Ok;
    const FsStatus status = last_status();
    ::SetFileAttributesA(path.c_str(), attributes);
    return status;
}

void flush_directory(const std::string& path) {
    const HANDLE handle = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return;
    ::FlushFileBuffers(handle);
    ::CloseHandle(handle);
}

unsigned long process_id() { return ::GetCurrentProcessId(); }

void sleep_milliseconds(unsigned milliseconds) { ::Sleep(milliseconds); }

bool set_modified_time(const std::string& path, std::time_t when) {
    struct _utimbuf times = {when, when};
    return ::_utime(path.c_str(), &times) == 0;
}

// The local time of an instant by the rules of the time zone in force at
// that instant: FileTimeToLocalFileTime would apply today's daylight-saving
// bias to a date of the other season.
std::optional<std::tm> local_time_of(std::time_t when) {
    const FILETIME instant = file_time_of(when);
    SYSTEMTIME utc, local;
    if (when < 0 || !::FileTimeToSystemTime(&instant, &utc) ||
        !::SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
        return std::nullopt;
    std::tm parts{};
    parts.tm_year = local.wYear - 1900;
    parts.tm_mon = local.wMonth - 1;
    parts.tm_mday = local.wDay;
    parts.tm_wday = local.wDayOfWeek;
    parts.tm_hour = local.wHour;
    parts.tm_min = local.wMinute;
    parts.tm_sec = local.wSecond;
    parts.tm_isdst = -1;
    return parts;
}

std::optional<std::string> environment_variable(const std::string& name) {
    const DWORD needed = ::GetEnvironmentVariableA(name.c_str(), nullptr, 0);
    if (needed == 0) return std::nullopt;
    std::string value(needed, '\0');
    const DWORD length = ::GetEnvironmentVariableA(name.c_str(), &value[0], needed);
    if (length >= needed) return std::nullopt;
    value.resize(length);
    return value;
}

std::string program_files_directory() {
    if (std::optional<std::string> x86 = environment_variable("ProgramFiles(x86)")) return *x86;
    return environment_variable("ProgramFiles").value_or("");
}

}  // namespace site
