#include "tests/support/fixed_host.h"

namespace testing_site {

// The calendar date of a day count from 1970-01-01, by the proleptic
// Gregorian calendar: no time-zone rules, on any platform.
std::optional<std::tm> FixedHost::local_time_of(std::time_t when) {
    if (when < 0) return std::nullopt;
    const long long days = when / 86400, seconds = when % 86400;
    const long long shifted = days + 719468;  // from 0000-03-01
    const long long era = shifted / 146097;
    const long long day_of_era = shifted - era * 146097;
    const long long year_of_era = (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
    const long long day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
    const long long month_index = (5 * day_of_year + 2) / 153;  // from March
    std::tm parts{};
    parts.tm_mday = static_cast<int>(day_of_year - (153 * month_index + 2) / 5 + 1);
    parts.tm_mon = static_cast<int>(month_index < 10 ? month_index + 2 : month_index - 10);
    parts.tm_year = static_cast<int>(year_of_era + era * 400 + (parts.tm_mon < 2 ? 1 : 0) - 1900);
    parts.tm_wday = static_cast<int>((days + 4) % 7);  // 1970-01-01 was a Thursday
    parts.tm_hour = static_cast<int>(seconds / 3600);
    parts.tm_min = static_cast<int>(seconds / 60 % 60);
    parts.tm_sec = static_cast<int>(seconds % 60);
    return parts;
}

}  // namespace testing_site
