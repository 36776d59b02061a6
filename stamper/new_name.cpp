#include "stamper/new_name.h"

#include "common/base/trace.h"

namespace site {

namespace {

constexpr size_t kExtensionLength = 3;

// '-', '.', '/' and the digits: the characters 0x2D to 0x39.
bool in_tail_set(char c) { return c >= '-' && c <= '9'; }

}  // namespace

size_t tail_start(std::string_view name) {
    if (name.size() <= kExtensionLength) return 0;
    size_t start = name.size() - kExtensionLength;
    while (start > 0 && in_tail_set(name[start - 1])) --start;
    return start;
}

std::string k7_prefix(unsigned photometer_number) { return "P" + zero_filled(photometer_number, 4) + "_"; }

std::string k8_prefix(std::string_view name) { return std::string(name.substr(0, name.find_first_of("_."))) + "_"; }

bool year_wanted(std::string_view name, std::string_view year, DataKind kind, size_t tail_start) {
    const size_t tail_length = name.size() - tail_start;
    return name.find(year) == std::string_view::npos || (kind != DataKind::K8 && tail_length <= 11);
}

std::string with_hour_minute(const std::string& name, unsigned hour, unsigned minute) {
    const size_t n = name.size();
    if (n >= 8 && name[n - 8] == '-') return name;
    std::string stamped = name.substr(0, n >= kExtensionLength ? n - kExtensionLength : 0);
    stamped += "-" + zero_filled(hour, 2) + zero_filled(minute, 2) + ".k8";
    return stamped;
}

NewName compose_new_name(const std::string& listed, DataKind kind, const std::string& start,
                         const std::string& site_name, unsigned year, unsigned hour, unsigned minute) {
    NewName composed;
    composed.before_tail = start;
    if (!site_name.empty()) composed.before_tail += site_name + "_";
    const std::string year_text = std::to_string(year);
    const size_t tail = tail_start(listed);
    if (year_wanted(listed, year_text, kind, tail)) composed.before_tail += year_text;
    composed.name = composed.before_tail + listed.substr(tail);
    if (kind == DataKind::K8) composed.name = with_hour_minute(composed.name, hour, minute);
    return composed;
}

}  // namespace site
