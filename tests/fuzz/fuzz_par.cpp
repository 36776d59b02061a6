// Fuzzes the parameter file parse and the photometer number read.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "stamper/photometer_number.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    site::TextReader reader = site::TextReader::from_bytes(std::string_view(reinterpret_cast<const char*>(data), size));
    const site::ParValues values = site::parse_par(reader);
    site::K7Header header{};
    std::memcpy(header.data(), data, size < header.size() ? size : header.size());
    if (site::photometer_number(header, values.adr) > 65535u) __builtin_trap();
    if (site::par_file_name(header).size() > 12) __builtin_trap();
    return 0;
}
