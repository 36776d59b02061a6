#include "common/base/trace.h"

#include <string>

namespace site {

Trace& Trace::operator<<(std::string_view text) {
    if (stream_ != nullptr)
        std::fwrite(text.data(), 1, text.size(), stream_);
    else
        collected_.append(text);
    return *this;
}

Trace& Trace::operator<<(char c) { return *this << std::string_view(&c, 1); }

Trace& Trace::operator<<(long long number) { return *this << std::to_string(number); }

void Trace::flush() {
    if (stream_ != nullptr) std::fflush(stream_);
}

std::string zero_filled(unsigned number, int width) {
    std::string digits = std::to_string(number);
    if (static_cast<int>(digits.size()) < width) digits.insert(0, static_cast<size_t>(width) - digits.size(), '0');
    return digits;
}

}  // namespace site
