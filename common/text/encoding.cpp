#include "common/text/encoding.h"

namespace site {

namespace {

bool is_continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

}  // namespace

std::optional<std::uint32_t> next_code_point(std::string_view text, std::size_t& at) {
    const unsigned char lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80) {
        ++at;
        return lead;
    }
    // The length a lead byte announces, and the least code point that
    // length may carry (a shorter form is no valid UTF-8).
    const std::size_t length = lead >= 0xC2 && lead < 0xE0   ? 2
                               : lead >= 0xE0 && lead < 0xF0 ? 3
                               : lead >= 0xF0 && lead < 0xF5 ? 4
                                                             : 0;
    static const std::uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (length == 0 || at + length > text.size()) {
        ++at;
        return std::nullopt;
    }
    std::uint32_t code_point = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const unsigned char byte = static_cast<unsigned char>(text[at + i]);
        if (!is_continuation(byte)) {
            ++at;
            return std::nullopt;
        }
        code_point = (code_point << 6) | (byte & 0x3F);
    }
    if (code_point < kLeast[length] || code_point > 0x10FFFF || (code_point >= 0xD800 && code_point < 0xE000)) {
        ++at;
        return std::nullopt;
    }
    at += length;
    return code_point;
}

bool is_utf8(std::string_view text) {
    for (std::size_t at = 0; at < text.size();)
        if (!next_code_point(text, at)) return false;
    return true;
}

}  // namespace site
