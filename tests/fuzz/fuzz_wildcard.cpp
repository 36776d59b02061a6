// Fuzzes the wildcard matcher against a simple backtracking reference.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/base/ascii.h"
#include "common/text/wildcard.h"

namespace {

bool reference(std::string_view p, std::string_view n) {
    if (p.empty()) return n.empty();
    if (p[0] == '*') return reference(p.substr(1), n) || (!n.empty() && reference(p, n.substr(1)));
    if (p[0] == '?') {
        if (!n.empty() && n[0] != '.' && reference(p.substr(1), n.substr(1))) return true;
        return (n.empty() || n[0] == '.') && reference(p.substr(1), n);
    }
    return !n.empty() && site::lower_ascii(p[0]) == site::lower_ascii(n[0]) && reference(p.substr(1), n.substr(1));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const size_t split = text.find('\0');
    if (split == std::string::npos) return 0;
    const std::string pattern = text.substr(0, split), name = text.substr(split + 1);
    // The reference is exponential: keep its inputs small.
    if (pattern.size() > 8 || name.size() > 16) return 0;
    if (site::wildcard_match(pattern, name) != reference(pattern, name)) __builtin_trap();
    return 0;
}
