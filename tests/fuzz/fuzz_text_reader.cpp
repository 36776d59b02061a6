// Fuzzes the text reader: line, word and integer reads in an order the data
// itself chooses, checking the stream rules as it goes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/text/text_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t script = data[0];
    site::TextReader reader =
        site::TextReader::from_bytes(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));
    std::string text;
    std::int32_t number = 0;
    for (int step = 0; step < 64 && !reader.eof(); ++step) {
        switch ((script >> (step % 4 * 2)) & 3) {
            case 0: {
                const size_t buffer = 2 + step % 7;
                if (reader.read_line(text, buffer) && text.size() > buffer - 1) __builtin_trap();
                break;
            }
            case 1:
                if (reader.read_word(text) && text.empty()) __builtin_trap();
                break;
            case 2: reader.read_int(number); break;
            default: reader.skip_space(); break;
        }
        if (text.find('\r') != std::string::npos || text.find('\x1A') != std::string::npos) __builtin_trap();
    }
    return 0;
}
