#include "filer/listed_names.h"

#include "common/text/encoding.h"

namespace site {

namespace {

std::size_t characters_in(std::string_view text) {
    std::size_t characters = 0;
    for (std::size_t at = 0; at < text.size(); ++characters) at += bytes_of_characters(text.substr(at), 1);
    return characters;
}

}  // namespace

std::string after_last_underscore(std::string_view name, size_t count) {
    const size_t underscore = name.rfind('_');
    if (underscore == std::string_view::npos) return std::string();
    const std::string_view after = name.substr(underscore + 1);
    return std::string(after.substr(0, bytes_of_characters(after, count)));
}

std::string PhotometerName::file_pattern() const {
    return "P" + std::string(dropped_zero ? "0" : "") + directory + "_*.k?";
}

PhotometerName parse_photometer_name(const std::string& name, NameProblem& problem) {
    PhotometerName parsed;
    const size_t p = name.find('P');
    const size_t underscore = name.find('_');
    problem = p == std::string::npos            ? NameProblem::NoP
              : underscore == std::string::npos ? NameProblem::NoUnderscore
                                                : NameProblem::None;
    if (problem != NameProblem::None) return parsed;
    // Places are characters, so that a name gives the same directory on
    // every build, whatever its characters take in bytes.
    parsed.distance = static_cast<long>(characters_in(std::string_view(name).substr(0, underscore))) -
                      static_cast<long>(characters_in(std::string_view(name).substr(0, p)));
    parsed.after_p = name.substr(p + 1);
    parsed.four_digits = parsed.distance == 5;
    parsed.taken = parsed.after_p.substr(0, bytes_of_characters(parsed.after_p, parsed.four_digits ? 4 : 2));
    parsed.directory = parsed.taken;
    if (parsed.four_digits && parsed.directory[0] == '0') {
        parsed.directory.erase(0, 1);
        parsed.dropped_zero = true;
    }
    parsed.year = after_last_underscore(name, 4);
    return parsed;
}

std::optional<WetSensorName> parse_wetsensor_name(const std::string& name) {
    constexpr size_t kExtensionLength = 4;  // ".raw"
    if (name.find('_') == std::string::npos || name.size() < kExtensionLength) return std::nullopt;
    return WetSensorName{name.substr(0, name.size() - kExtensionLength), after_last_underscore(name, 4)};
}

}  // namespace site
