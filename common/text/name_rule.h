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
// no space or dot at the end, and not a name Windows keeps for a device.
bool is_portable_name(std::string_view name);

// CON, PRN, AUX, NUL, COM1 to COM9 and LPT1 to LPT9 (and COM or LPT with a
// superscript 1, 2 or 3), in any case, alone or
// with an extension ("nul.K7", "com1.raw"): Windows opens the device under
// such a name, never a file or a directory.
bool is_reserved_device_name(std::string_view name);

// The name as a Windows file system stores it: without the dots and spaces
// at its end, which Windows drops ("A01." is "A01"); empty when nothing else
// is left.
std::string without_trailing_dots_and_spaces(std::string_view name);

// A character of a listed name that the system's code page cannot spell
// (on Windows, a name of the disk outside the ANSI code page) reaches the
// programs as "<U+XXXX>", its code point: readable in a trace, and never a
// name that a file could be opened by, since no name holds '<' or '>'.
std::string unspellable_character(unsigned code_point);
// Whether a listed name holds such a character.
bool has_unspellable_character(std::string_view name);

// The lines that say a listed name is left out, before the name.
extern const char* const kNotListedNotAWindowsName;
extern const char* const kNotListedUnspellable;

// The name with every character outside the rule shown as '?', for a trace.
std::string shown_name(std::string_view name);

}  // namespace site
