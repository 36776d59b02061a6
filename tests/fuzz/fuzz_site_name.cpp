// Fuzzes the site name read.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "stamper/site_name.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    site::TextReader reader = site::TextReader::from_bytes(std::string_view(reinterpret_cast<const char*>(data), size));
    const std::string name = site::parse_site_name(reader);
    // One word: no white space in it.
    if (name.find_first_of(" \t\n\v\f") != std::string::npos) __builtin_trap();
    return 0;
}
