// What the filer reads from a listed file name: where a photometer file or a
// wet-sensor file goes, before any rule says whether it may go there.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace site {

// At most the first `count` characters of the text after the last '_' of
// `name`; nothing when there is no '_'.
std::string after_last_underscore(std::string_view name, size_t count);

// Where the filer puts a listed photometer file, read from its name alone.
struct PhotometerName {
    long distance = 0;         // from the first 'P' to the first '_'
    std::string after_p;       // the name after its first 'P'
    std::string taken;         // the characters taken for the directory (four or two)
    bool four_digits = false;  // the '_' five places after the 'P': four taken
    std::string directory;     // `taken` less one leading zero
    bool dropped_zero = false;
    std::string year;  // up to four characters after the last '_'

    // The pattern of the photometer's files, its zero put back.
    std::string file_pattern() const;
};

enum class NameProblem { None, NoP, NoUnderscore };

// Parses a listed name; `problem` says why it cannot be filed.
PhotometerName parse_photometer_name(const std::string& name, NameProblem& problem);

// Where the filer puts a listed wet-sensor file.
struct WetSensorName {
    std::string base_name;  // the name less its last four characters (".raw")
    std::string sub;        // up to four characters after the last '_'
};

// Nothing for a name without '_' or shorter than its extension.
std::optional<WetSensorName> parse_wetsensor_name(const std::string& name);

}  // namespace site
