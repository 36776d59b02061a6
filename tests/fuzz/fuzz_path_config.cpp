// Fuzzes the path configuration reader with arbitrary file contents.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/site/path_config.h"
#include "stamper/stamping_pass.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    site::TextReader reader = site::TextReader::from_bytes(std::string_view(reinterpret_cast<const char*>(data), size));
    site::Trace trace;
    const site::PathConfig config = site::read_path_config(site::kStamperDefaults, reader, trace);
    // Every value comes from the data or from the defaults.
    if (config.base.size() > size && config.base != site::kStamperDefaults.base) __builtin_trap();
    return 0;
}
