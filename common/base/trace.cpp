#include "common/base/trace.h"

#include <charconv>
#include <cstdio>
#include <string>

namespace site {

namespace {

// The size of the blocks handed to the stream: stdio's own buffer size.
constexpr std::size_t kBlock = 4096;

}  // namespace

Trace& Trace::operator<<(std::string_view text) {
    collected_.append(text);
    if (stream_ != nullptr && (collected_.size() >= kBlock || (by_line_ && text.find('\n') != text.npos))) write_out();
    return *this;
}

void Trace::write_out() {
    if (stream_ == nullptr || collected_.empty()) return;
    std::fwrite(collected_.data(), 1, collected_.size(), stream_);
    collected_.clear();
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
