// Reading the listing files that "dir /B" writes: one bare name a line.
#pragma once

#include <string>

#include "common/text/text_reader.h"

namespace site {

// The line buffer of both passes: at most 199 characters a read.
constexpr size_t kLineBufferSize = 200;

enum class ListingRead {
    Name,          // a whole line, its newline removed
    Unterminated,  // the last line, which has no newline
    TooLong,       // a line longer than the line buffer, passed over whole
    NotAName,      // a whole line that no file on Windows could be named
    End,           // nothing left to read
};

// Reads the next listing line into `name`. A line too long for the line
// buffer is read to its end and never split into names; `name` then holds
// its first piece, for the trace.
ListingRead read_listing_line(TextReader& listing, std::string& name);

// What the trace says of a NotAName line. The built-in interpreter leaves
// such names out of its listings; the system's command interpreter writes
// them, with a '?' for each character the code page cannot spell, and a
// pass then passes them over with this line.
std::string not_listed_line(const std::string& name);

// What the trace says of a TooLong line, before the line's first piece.
extern const char* const kListedNameTooLong;

}  // namespace site
