// Platform helpers that are the same on every system.
#include "platform.h"

#include <cstdio>

namespace site {

OsFile& OsFile::operator=(OsFile&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = other.handle_;
        other.handle_ = kNoHandle;
    }
    return *this;
}

std::optional<DosStamp> dos_stamp_of(const FileInfo& info) {
    const std::optional<std::tm> local = local_time_of(info.modified);
    if (!local) return std::nullopt;
    return pack_dos_stamp(*local);
}

std::string local_time_text() {
    static const char* const kWeekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const std::optional<std::tm> local = local_time_of(std::time(nullptr));
    if (!local) return "??? ???  0 00:00:00 1970\n";
    char text[64];
    std::snprintf(text, sizeof text, "%.3s %.3s%3d %.2d:%.2d:%.2d %d\n", kWeekdays[local->tm_wday % 7],
                  kMonths[local->tm_mon % 12], local->tm_mday, local->tm_hour, local->tm_min, local->tm_sec,
                  1900 + local->tm_year);
    return text;
}

}  // namespace site
