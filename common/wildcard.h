// File name wildcards as the Windows command interpreter matches them.
#pragma once

#include <string_view>

namespace site {

// An ASCII letter in lower case; other bytes as they are.
inline char lower_ascii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// True when `text` holds a '*' or a '?'.
bool has_wildcard(std::string_view text);

// Matches a file name against a pattern without regard to case: '*' matches
// any run of characters, dots included; '?' matches one character other
// than a dot, or nothing at the end of the name or before a dot. So "*.K?"
// matches "x.K7" and "x.K" but not "x.K78".
bool wildcard_match(std::string_view pattern, std::string_view name);

}  // namespace site
