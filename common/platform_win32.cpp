// The platform layer on Windows. File names and the trace are 8-bit text in
// the ANSI code page, so the "A" entry points are used throughout.
#include <direct.h>
#include <io.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/utime.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "platform.h"

namespace site {

const char kPathSeparator = '\\';
const char* const kTraceEAcute = "\xE9";

bool change_directory(const std::string& path) { return ::_chdir(path.c_str()) == 0; }

bool make_directory(const std::string& path) { return ::_mkdir(path.c_str()) == 0; }

std::string current_directory() {
    char buffer[MAX_PATH * 4];
    const DWORD length = ::GetCurrentDirectoryA(sizeof buffer, buffer);
    if (length == 0 || length >= sizeof buffer) return ".";
    return std::string(buffer, length);
}

std::optional<std::vector<DirectoryEntry>> list_directory(const std::string& path) {
    WIN32_FIND_DATAA found;
    const HANDLE search = ::FindFirstFileA((path + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        if (::GetLastError() == ERROR_FILE_NOT_FOUND) return std::vector<DirectoryEntry>();
        return std::nullopt;
    }
    std::vector<DirectoryEntry> entries;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        entries.push_back({name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
    return entries;
}

namespace {

// 100-nanosecond intervals from 1601 to 1970.
constexpr unsigned long long kUnixEpochInFileTime = 116444736000000000ULL;

std::time_t to_time_t(const FILETIME& time) {
    const unsigned long long ticks = (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    return static_cast<std::time_t>((ticks - kUnixEpochInFileTime) / 10000000ULL);
}

bool exists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Whether two paths name the same directory entry, as a rename that only
// changes the case of a name does.
bool same_entry(const std::string& a, const std::string& b) {
    char full_a[MAX_PATH * 4], full_b[MAX_PATH * 4];
    const DWORD length_a = ::GetFullPathNameA(a.c_str(), sizeof full_a, full_a, nullptr);
    const DWORD length_b = ::GetFullPathNameA(b.c_str(), sizeof full_b, full_b, nullptr);
    return length_a != 0 && length_a < sizeof full_a && length_a == length_b &&
           ::CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, full_a, static_cast<int>(length_a), full_b,
                            static_cast<int>(length_b)) == CSTR_EQUAL &&
           std::string(full_a, length_a) != std::string(full_b, length_b);
}

}  // namespace

std::optional<DirectoryStamp> directory_stamp(const std::string& path) {
    const HANDLE handle = ::CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info;
    const bool read = ::GetFileInformationByHandle(handle, &info) != 0;
    ::CloseHandle(handle);
    if (!read || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return std::nullopt;
    DirectoryStamp stamp;
    stamp.device = info.dwVolumeSerialNumber;
    stamp.index = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    stamp.seconds = info.ftLastWriteTime.dwHighDateTime;
    stamp.fraction = info.ftLastWriteTime.dwLowDateTime;
    return stamp;
}

std::optional<FileInfo> file_info(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    FileInfo info;
    info.is_directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    info.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    info.modified = to_time_t(data.ftLastWriteTime);
    return info;
}

std::FILE* open_regular_file(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return nullptr;
    struct _stat64 st;
    if (::_fstat64(::_fileno(file), &st) != 0 || (st.st_mode & _S_IFREG) == 0) {
        std::fclose(file);
        return nullptr;
    }
    return file;
}

MoveOutcome move_file(const std::string& from, const std::string& to) {
    if (!exists(from)) return MoveOutcome::SourceMissing;
    if (exists(to) && !same_entry(from, to)) return MoveOutcome::TargetExists;
    // Without MOVEFILE_REPLACE_EXISTING the move never replaces a file. To
    // another volume it is a copy written through to the disk, and the source
    // is deleted only once the copy is complete.
    if (::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH))
        return MoveOutcome::Moved;
    switch (::GetLastError()) {
        case ERROR_ALREADY_EXISTS:
        case ERROR_FILE_EXISTS: return MoveOutcome::TargetExists;
        case ERROR_FILE_NOT_FOUND: return MoveOutcome::SourceMissing;
        case ERROR_FILENAME_EXCED_RANGE: return MoveOutcome::NameTooLong;
        default: return MoveOutcome::Failed;
    }
}

bool set_modified_time(const std::string& path, std::time_t when) {
    struct _utimbuf times = {when, when};
    return ::_utime(path.c_str(), &times) == 0;
}

std::optional<DosStamp> file_dos_stamp(std::FILE* file) {
    if (file == nullptr) return std::nullopt;
    const HANDLE handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(file)));
    FILETIME written, local;
    DosStamp stamp;
    if (handle == INVALID_HANDLE_VALUE || !::GetFileTime(handle, nullptr, nullptr, &written) ||
        !::FileTimeToLocalFileTime(&written, &local) || !::FileTimeToDosDateTime(&local, &stamp.date, &stamp.time))
        return std::nullopt;
    return stamp;
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

}  // namespace site
