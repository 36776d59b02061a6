#include "common/text/wildcard.h"

#include <utility>
#include <vector>

#include "common/base/ascii.h"

namespace site {

namespace {

// Names up to this length are matched without taking memory from the heap.
constexpr std::size_t kShortName = 256;

// The matching proper, by rows: row j after pattern[i..] says whether
// pattern[i..] matches name[j..], filled from the end of the pattern
// backwards. `next` and `row` hold name.size() + 1 entries each.
bool match_rows(std::string_view pattern, std::string_view name, char* next, char* row) {
    const size_t n = name.size();
    for (size_t j = 0; j < n; ++j) next[j] = 0;
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
        std::swap(next, row);
    }
    return next[0] != 0;
}

}  // namespace

bool wildcard_match(std::string_view pattern, std::string_view name) {
    // The letters before the first wildcard match one for one (most
    // patterns start with a photometer's "P0300_"); a name that differs
    // there is out at once.
    size_t literal = 0;
    while (literal < pattern.size() && pattern[literal] != '*' && pattern[literal] != '?') {
        if (literal == name.size() || lower_ascii(pattern[literal]) != lower_ascii(name[literal])) return false;
        ++literal;
    }
    pattern.remove_prefix(literal);
    name.remove_prefix(literal);
    if (pattern == "*") return true;
    if (name.size() < kShortName) {
        char next[kShortName + 1], row[kShortName + 1];
        return match_rows(pattern, name, next, row);
    }
    std::vector<char> next(name.size() + 1), row(name.size() + 1);
    return match_rows(pattern, name, next.data(), row.data());
}

}  // namespace site
