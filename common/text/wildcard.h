// File name wildcards as the Windows command interpreter matches them.
#pragma once

#include <string_view>

namespace site {

// Matches a file name against a pattern without regard to case: '*' matches
// any run of characters, dots included; '?' matches one character other
// than a dot, or nothing at the end of the name or before a dot. So "*.K?"
// matches "x.K7" and "x.K" but not "x.K78".
bool wildcard_match(std::string_view pattern, std::string_view name);

}  // namespace site
