// Text on Windows: names and the trace are in the ANSI code page.
#include <windows.h>

#include <vector>

#include "common/text/encoding.h"

namespace site {

std::optional<std::string> utf8_of_system_text(std::string_view text) {
    if (text.empty()) return std::string();
    const int size = static_cast<int>(text.size());
    const int units = ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (units <= 0) return std::nullopt;
    std::vector<wchar_t> wide(static_cast<std::size_t>(units));
    ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(), units);
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return std::nullopt;
    std::string utf8(static_cast<std::size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, utf8.data(), bytes, nullptr, nullptr);
    return utf8;
}

std::size_t bytes_of_characters(std::string_view text, std::size_t characters) {
    std::size_t at = 0;
    for (std::size_t taken = 0; taken < characters && at < text.size(); ++taken)
        at += ::IsDBCSLeadByteEx(CP_ACP, static_cast<BYTE>(text[at])) && at + 1 < text.size() ? 2 : 1;
    return at;
}

}  // namespace site
