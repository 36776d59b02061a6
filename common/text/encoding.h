// Names and other text as the system spells them (8-bit: the ANSI code page
// on Windows, bytes that are usually UTF-8 on POSIX), made Unicode for
// readers outside the site, such as a monitoring system.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace site {

// The text in UTF-8: on Windows decoded from the ANSI code page; on POSIX
// the bytes themselves when they are valid UTF-8. Nothing when they are no
// text in the system's encoding.
std::optional<std::string> utf8_of_system_text(std::string_view text);

// Whether the bytes are valid UTF-8.
bool is_utf8(std::string_view text);

// The code point that starts at `at` in UTF-8 text, `at` moved past it;
// nothing for a byte that starts no valid sequence, which is passed over
// alone.
std::optional<std::uint32_t> next_code_point(std::string_view text, std::size_t& at);

// How many bytes the first `characters` characters of system text take
// (all of it when it has fewer): on Windows by the ANSI code page, whose
// characters take one byte or, in a double-byte code page, two; on POSIX
// by UTF-8, a byte that starts no valid sequence counting as one. So a
// name is never cut inside a character.
std::size_t bytes_of_characters(std::string_view text, std::size_t characters);

}  // namespace site
