#include "common/text/text_reader.h"

#include <cstdio>
#include <limits>

namespace site {

namespace {

constexpr char kEndOfText = '\x1A';

std::string translate_text_mode(std::string_view raw) {
    std::string text;
    text.reserve(raw.size());
    for (char c : raw) {
        if (c == kEndOfText) break;
        if (c != '\r') text.push_back(c);
    }
    return text;
}

bool is_space(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

int digit_value(int c, int base) {
    int value = -1;
    if (c >= '0' && c <= '9')
        value = c - '0';
    else if (c >= 'a' && c <= 'f')
        value = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        value = c - 'A' + 10;
    return value >= 0 && value < base ? value : -1;
}

}  // namespace

TextReader TextReader::from_bytes(std::string_view raw) { return TextReader(translate_text_mode(raw)); }

int TextReader::peek() {
    if (pos_ < data_.size()) return static_cast<unsigned char>(data_[pos_]);
    eof_ = true;
    return -1;
}

bool TextReader::at_space() { return is_space(peek()); }

bool TextReader::read_line(std::string& line, size_t buffer_size) {
    if (buffer_size < 2 || peek() < 0) return false;
    const size_t limit = buffer_size - 1;
    size_t end = pos_;
    while (end < data_.size() && end - pos_ < limit && data_[end] != '\n') ++end;
    if (end < data_.size() && end - pos_ < limit) ++end;  // keep the newline
    if (end == data_.size() && end - pos_ < limit && data_[end - 1] != '\n')
        eof_ = true;  // the read went on looking for a newline past the end
    line.assign(data_, pos_, end - pos_);
    pos_ = end;
    return true;
}

void TextReader::skip_space() {
    while (at_space()) ++pos_;
}

bool TextReader::read_word(std::string& word) {
    skip_space();
    if (peek() < 0) return false;
    const size_t start = pos_;
    while (peek() >= 0 && !at_space()) ++pos_;
    word.assign(data_, start, pos_ - start);
    return true;
}

bool TextReader::read_int(std::int32_t& value) {
    skip_space();
    bool negative = false;
    if (peek() == '+' || peek() == '-') {
        negative = peek() == '-';
        ++pos_;
    }
    int base = 10;
    bool any_digit = false;
    if (peek() == '0') {
        ++pos_;
        any_digit = true;
        base = 8;
        if (peek() == 'x' || peek() == 'X') {
            ++pos_;
            base = 16;
        }
    }
    long long magnitude = 0;
    for (int d; (d = digit_value(peek(), base)) >= 0; ++pos_) {
        any_digit = true;
        if (magnitude <= std::numeric_limits<std::int32_t>::max()) magnitude = magnitude * base + d;
    }
    if (!any_digit) return false;
    const long long low = std::numeric_limits<std::int32_t>::min();
    const long long high = std::numeric_limits<std::int32_t>::max();
    long long signed_value = negative ? -magnitude : magnitude;
    value = static_cast<std::int32_t>(signed_value < low ? low : (signed_value > high ? high : signed_value));
    return true;
}

}  // namespace site
