// Fuzzes the composition of a new name from a listed name, a site name and
// a time stamp.
#include <cstddef>
#include <cstdint>
#include <string>

#include "stamper/new_name.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 6) return 0;
    const unsigned number = data[0] * 256u + data[1];
    const unsigned year = 1980u + data[2] % 128u;
    const unsigned hour = data[3] % 24u, minute = data[4] % 60u;
    const std::string rest(reinterpret_cast<const char*>(data + 5), size - 5);
    const size_t split = rest.find('\0');
    const std::string listed = rest.substr(0, split);
    const std::string site_name = split == std::string::npos ? "" : rest.substr(split + 1);
    if (listed.size() < 3) return 0;
    const site::DataKind kind = listed.back() == '8' ? site::DataKind::K8 : site::DataKind::K7;
    const std::string start = kind == site::DataKind::K7 ? site::k7_prefix(number) : site::k8_prefix(listed);
    const site::NewName made = site::compose_new_name(listed, kind, start, site_name, year, hour, minute);
    // The tail of the old name always ends the new one (less its extension
    // when the hour-minute suffix replaced it).
    const size_t tail = site::tail_start(listed);
    if (made.name.compare(0, made.before_tail.size(), made.before_tail) != 0) __builtin_trap();
    if (kind == site::DataKind::K7 && made.name != made.before_tail + listed.substr(tail)) __builtin_trap();
    return 0;
}
