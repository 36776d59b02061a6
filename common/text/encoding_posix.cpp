// Text on POSIX systems: names are bytes, read as UTF-8 when they are.
#include "common/text/encoding.h"

namespace site {

std::optional<std::string> utf8_of_system_text(std::string_view text) {
    if (!is_utf8(text)) return std::nullopt;
    return std::string(text);
}

}  // namespace site
