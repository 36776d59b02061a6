#include "common/base/trace.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>

namespace site {

Trace& Trace::operator<<(std::string_view text) {
    if (stream_ == nullptr) {
        if (keep_ == Keep::text) collected_.append(text);
        return *this;
    }
    if (in_block_ + text.size() > kBlock) write_out();
    if (text.size() >= kBlock) {
        std::fwrite(text.data(), 1, text.size(), stream_);
    } else {
        std::memcpy(block_ + in_block_, text.data(), text.size());
        in_block_ += text.size();
    }
    if (by_line_ && text.find('\n') != text.npos) write_out();
    return *this;
}

void Trace::write_out() {
    if (in_block_ == 0) return;
    std::fwrite(block_, 1, in_block_, stream_);
    in_block_ = 0;
}

Trace& Trace::operator<<(char c) { return *this << std::string_view(&c, 1); }

Trace& Trace::operator<<(long long number) {
    char digits[24];
    const std::to_chars_result written = std::to_chars(digits, digits + sizeof digits, number);
    return *this << std::string_view(digits, static_cast<std::size_t>(written.ptr - digits));
}

void Trace::flush() {
    write_out();
    if (stream_ != nullptr) std::fflush(stream_);
}

std::string zero_filled(unsigned number, int width) {
    std::string digits = std::to_string(number);
    if (static_cast<int>(digits.size()) < width) digits.insert(0, static_cast<size_t>(width) - digits.size(), '0');
    return digits;
}

}  // namespace site
