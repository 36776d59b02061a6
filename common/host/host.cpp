#include "common/host/host.h"

#include <cstdio>

namespace site {

std::optional<DosStamp> dos_stamp_of(Host& host, const FileInfo& info) {
    const std::optional<std::tm> local = host.local_time_of(info.modified);
    if (!local) return std::nullopt;
    return pack_dos_stamp(*local);
}

std::string local_time_text(Host& host, std::time_t when) {
    static const char* const kWeekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const std::optional<std::tm> local = host.local_time_of(when);
    if (!local) return "??? ???  0 00:00:00 1970\n";
    char text[64];
    std::snprintf(text, sizeof text, "%.3s %.3s%3d %.2d:%.2d:%.2d %d\n", kWeekdays[local->tm_wday % 7],
                  kMonths[local->tm_mon % 12], local->tm_mday, local->tm_hour, local->tm_min, local->tm_sec,
                  1900 + local->tm_year);
    return text;
}

std::string expand_environment(Host& host, const std::string& text) {
    std::string expanded;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t open = text.find('%', pos);
        const size_t close = open == std::string::npos ? std::string::npos : text.find('%', open + 1);
        if (close == std::string::npos) {
            expanded.append(text, pos, std::string::npos);
            break;
        }
        expanded.append(text, pos, open - pos);
        const std::optional<std::string> value = host.environment_variable(text.substr(open + 1, close - open - 1));
        if (value && close > open + 1) {
            expanded += *value;
            pos = close + 1;
        } else {
            expanded.append(text, open, close - open);  // the closing '%' may open the next name
            pos = close;
        }
    }
    return expanded;
}

}  // namespace site
