// What a data file name may hold: exactly what a Windows file system can
// hold, on every platform. A name outside the rule could carry a wildcard
// into a pattern, a byte that ends the data of a text file, a line break
// into a listing, or a quote into a command line; so the listing leaves such
// names out and no new name is made outside it.
#pragma once

#include <string>
#include <string_view>

namespace site {

// Not empty; no control character (0x01 to 0x1F), none of < > : " / \ | ? *,
// and no space or dot at the end.
bool is_portable_name(std::string_view name);

// The name with every character outside the rule shown as '?', for a trace.
std::string shown_name(std::string_view name);

}  // namespace site
