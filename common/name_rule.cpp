#include "name_rule.h"

namespace site {

namespace {

bool is_forbidden(char c) {
    const unsigned char byte = static_cast<unsigned char>(c);
    return byte < 0x20 || std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos;
}

}  // namespace

bool is_portable_name(std::string_view name) {
    if (name.empty() || name.back() == ' ' || name.back() == '.') return false;
    for (char c : name)
        if (is_forbidden(c)) return false;
    return true;
}

std::string shown_name(std::string_view name) {
    std::string shown(name);
    for (char& c : shown)
        if (is_forbidden(c)) c = '?';
    return shown;
}

}  // namespace site
