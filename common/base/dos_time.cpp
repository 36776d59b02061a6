#include "common/base/dos_time.h"

namespace site {

std::optional<DosStamp> pack_dos_stamp(const std::tm& local) {
    const int year = local.tm_year + 1900;
    if (year < kFirstDosYear || year > kLastDosYear) return std::nullopt;
    DosStamp stamp;
    stamp.date = static_cast<std::uint16_t>(((year - kFirstDosYear) << 9) | ((local.tm_mon + 1) << 5) | local.tm_mday);
    stamp.time = static_cast<std::uint16_t>((local.tm_hour << 11) | (local.tm_min << 5) | (local.tm_sec / 2));
    return stamp;
}

}  // namespace site
