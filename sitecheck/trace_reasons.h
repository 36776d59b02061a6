// Why a file stays where it is, read from the traces of the two passes:
// the reason a site operator would find there, in the programs' own words.
#pragma once

#include <string>

namespace site {

// The reason tolvik gives for leaving `name` unchanged; empty when its
// trace says nothing of it.
std::string stamping_reason(const std::string& trace, const std::string& name);

// The reason brasko gives for leaving `name` (whole path `path`) in the
// sent directory; empty when its trace says nothing of it.
std::string filing_reason(const std::string& trace, const std::string& name, const std::string& path);

// Whether a reason says that another file already holds the name.
bool is_collision(const std::string& reason);

}  // namespace site
