// Case changes of ASCII letters only, as the site's names are compared:
// other bytes stay as they are, whatever the locale.
#pragma once

#include <string>

namespace site {

inline char lower_ascii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

inline std::string lower_ascii(std::string text) {
    for (char& c : text) c = lower_ascii(c);
    return text;
}

inline std::string upper_ascii(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

}  // namespace site
