// Fuzzes the filer's reading of listed names: no name may lead a file out of
// the archive tree.
#include <cstddef>
#include <cstdint>
#include <string>

#include "filer/archive_rules.h"
#include "filer/listed_names.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string name(reinterpret_cast<const char*>(data), size);
    site::NameProblem problem;
    const site::PhotometerName parsed = site::parse_photometer_name(name, problem);
    if (problem == site::NameProblem::None) {
        if (parsed.taken.size() > 4 || parsed.year.size() > 4) __builtin_trap();
        const std::optional<std::string> directory = site::archive_directory_name(parsed.directory);
        if (directory &&
            (directory->empty() || *directory == ".." || directory->find_first_of("/\\:") != std::string::npos))
            __builtin_trap();
        (void)parsed.file_pattern();
    }
    if (const auto wet = site::parse_wetsensor_name(name)) {
        if (wet->sub.size() > 4 || wet->base_name.size() + 4 != name.size()) __builtin_trap();
    }
    return 0;
}
