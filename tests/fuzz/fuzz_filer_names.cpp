// Fuzzes the filer's reading of listed names: no name may lead a file out of
// the archive tree.
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/text/encoding.h"
#include "filer/archive_rules.h"
#include "filer/listed_names.h"

namespace {

// At most four characters, whatever they take in bytes.
bool at_most_four_characters(const std::string& part) {
    return part.size() <= 16 && site::bytes_of_characters(part, 4) == part.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string name(reinterpret_cast<const char*>(data), size);
    site::NameProblem problem;
    const site::PhotometerName parsed = site::parse_photometer_name(name, problem);
    if (problem == site::NameProblem::None) {
        if (!at_most_four_characters(parsed.taken) || !at_most_four_characters(parsed.year)) __builtin_trap();
        const std::optional<std::string> directory = site::archive_directory_name(parsed.directory);
        if (directory &&
            (directory->empty() || *directory == ".." || directory->find_first_of("/\\:") != std::string::npos))
            __builtin_trap();
        (void)parsed.file_pattern();
    }
    if (const auto wet = site::parse_wetsensor_name(name)) {
        if (!at_most_four_characters(wet->sub) || wet->base_name.size() + 4 != name.size()) __builtin_trap();
    }
    return 0;
}
