// Reading of the site's text files (configuration, listings, parameter and
// site files) with the rules of a C stream opened in Windows text mode, on
// every platform:
//  - every carriage-return byte is dropped, and a byte 0x1A ends the data;
//  - a line read into an n-byte buffer takes at most n-1 characters and
//    stops after the first newline, which it keeps;
//  - the end-of-file indicator is set only by a read that tries to go past
//    the end of the data; a read that finds nothing fails and leaves its
//    target unchanged.
// The passes' loops are written against these rules, so they must hold
// exactly, whatever the platform's own stdio does.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace site {

class TextReader {
public:
    // A reader over raw file bytes, translated as text mode would.
    static TextReader from_bytes(std::string_view raw);

    // Line read with an n-byte buffer (fgets). False when no character
    // could be read; `line` is then left as it was.
    bool read_line(std::string& line, size_t buffer_size);

    // "%s": skips white space, then takes one word. False (and `word`
    // unchanged) when the data ends before a word starts.
    bool read_word(std::string& word);

    // "%i": skips white space, then an optionally signed integer, octal after
    // a leading 0 and hexadecimal after 0x. False (and `value` unchanged)
    // when no integer stands there. Values beyond 32 bits are clamped.
    bool read_int(std::int32_t& value);

    // A white-space directive in a format: skips any run of white space.
    void skip_space();

    // The end-of-file indicator.
    bool eof() const { return eof_; }

private:
    explicit TextReader(std::string data) : data_(std::move(data)) {}

    // The next character, or -1 at the end of the data (which sets the
    // end-of-file indicator, as a failed getc does).
    int peek();
    bool at_space();

    std::string data_;
    size_t pos_ = 0;
    bool eof_ = false;
};

}  // namespace site
