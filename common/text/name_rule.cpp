#include "common/text/name_rule.h"

#include <cstdio>

#include "common/base/ascii.h"

namespace site {

namespace {

bool is_forbidden(char c) {
    switch (c) {
        case '<':
        case '>':
        case ':':
        case '"':
        case '/':
        case '\\':
        case '|':
        case '?':
        case '*': return true;
        default: return static_cast<unsigned char>(c) < 0x20;
    }
}

}  // namespace

bool is_portable_name(std::string_view name) {
    if (name.empty() || name.back() == ' ' || name.back() == '.') return false;
    for (char c : name)
        if (is_forbidden(c)) return false;
    return !is_reserved_device_name(name);
}

bool is_reserved_device_name(std::string_view name) {
    // Windows reads the device name before the first dot, and drops the
    // spaces before that dot ("NUL .K7" is NUL too).
    std::string_view spelled = name.substr(0, name.find('.'));
    while (!spelled.empty() && spelled.back() == ' ') spelled.remove_suffix(1);
    // From "con" to "com" with a two-byte superscript: every listed name
    // passes here, and most are passed over without a copy.
    if (spelled.size() < 3 || spelled.size() > 5) return false;
    const std::string base = lower_ascii(std::string(spelled));
    if (base == "con" || base == "prn" || base == "aux" || base == "nul") return true;
    if (base.size() < 4 || (base.compare(0, 3, "com") != 0 && base.compare(0, 3, "lpt") != 0)) return false;
    // A digit 1 to 9, or a superscript one, two or three, which Windows
    // takes for digits: in the ANSI code page or in UTF-8.
    const std::string digit = base.substr(3);
    return (digit.size() == 1 && digit[0] >= '1' && digit[0] <= '9') || digit == "\xB9" || digit == "\xB2" ||
           digit == "\xB3" || digit == "\xC2\xB9" || digit == "\xC2\xB2" || digit == "\xC2\xB3";
}

std::string without_trailing_dots_and_spaces(std::string_view name) {
    const size_t end = name.find_last_not_of(". ");
    return end == std::string_view::npos ? std::string() : std::string(name.substr(0, end + 1));
}

const char* const kNotListedNotAWindowsName = "Not listed, a name that Windows cannot hold: ";
const char* const kNotListedUnspellable = "Not listed, a name that this system's code page cannot spell: ";

std::string unspellable_character(unsigned code_point) {
    char text[16];
    std::snprintf(text, sizeof text, "<U+%04X>", code_point);
    return text;
}

bool has_unspellable_character(std::string_view name) { return name.find("<U+") != std::string_view::npos; }

std::string shown_name(std::string_view name) {
    std::string shown(name);
    for (char& c : shown)
        if (is_forbidden(c)) c = '?';
    return shown;
}

}  // namespace site
