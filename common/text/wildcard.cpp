#include "common/text/wildcard.h"

#include <vector>

#include "common/base/ascii.h"

namespace site {

bool wildcard_match(std::string_view pattern, std::string_view name) {
    // matches[j] after processing pattern[i..]: does pattern[i..] match name[j..]?
    // Filled from the end of the pattern backwards, one row at a time.
    const size_t n = name.size();
    std::vector<char> next(n + 1, 0), row(n + 1, 0);
    next[n] = 1;  // the empty pattern matches only the empty rest
    for (size_t i = pattern.size(); i-- > 0;) {
        const char p = pattern[i];
        for (size_t j = n + 1; j-- > 0;) {
            const bool at_end = j == n;
            bool match = false;
            if (p == '*')
                match = next[j] || (!at_end && row[j + 1]);
            else if (p == '?')
                match = (!at_end && name[j] != '.' && next[j + 1]) || ((at_end || name[j] == '.') && next[j]);
            else
                match = !at_end && lower_ascii(p) == lower_ascii(name[j]) && next[j + 1];
            row[j] = match;
        }
        row.swap(next);
    }
    return next[0] != 0;
}

}  // namespace site
