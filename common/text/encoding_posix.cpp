// Text on POSIX systems: names are bytes, read as UTF-8 when they are.
#include "common/text/encoding.h"

namespace site {

std::optional<std::string> utf8_of_system_text(std::string_view text) {
    if (!is_utf8(text)) return std::nullopt;
    return std::string(text);
}

std::size_t bytes_of_characters(std::string_view text, std::size_t characters) {
    std::size_t at = 0;
    for (std::size_t taken = 0; taken < characters && at < text.size(); ++taken) next_code_point(text, at);
    return at;
}

}  // namespace site
