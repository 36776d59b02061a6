#include "stamper/photometer_number.h"

#include <algorithm>
#include <cstddef>

#include "common/fs/paths.h"

namespace site {

namespace {

constexpr size_t kParNameOffset = 128;
constexpr size_t kParNameLength = 8;
constexpr size_t kParLineBufferSize = 200;
constexpr std::int32_t kTwoByteForm = 3;

}  // namespace

std::optional<K7Header> k7_header_of(const std::string& bytes) {
    if (bytes.size() < kK7HeaderSize) return std::nullopt;
    K7Header header;
    std::copy(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(kK7HeaderSize), header.begin());
    return header;
}

std::string par_file_name(const K7Header& header) {
    std::string name;
    for (size_t i = kParNameOffset; i < kParNameOffset + kParNameLength && header[i] != 0; ++i)
        name.push_back(static_cast<char>(header[i]));
    return name + ".PAR";
}

ParValues parse_par(TextReader& file) {
    // Like a scanf over the stream: fields that a record does not reach keep
    // what an earlier record gave them.
    std::string words[3];
    std::int32_t numbers[3] = {0, 0, 0};
    ParValues values;
    std::string discarded;
    while (!file.eof()) {
        file.read_line(discarded, kParLineBufferSize);
        bool matched = true;
        for (std::string& word : words) matched = matched && file.read_word(word);
        for (std::int32_t& number : numbers) matched = matched && file.read_int(number);
        if (words[1].find("Number") != std::string::npos) {
            values.adr = numbers[1];
            values.nb = numbers[2];
            values.found = true;
        }
    }
    return values;
}

std::string parameter_directory(const std::string& program_files) {
    return join_path(join_path(program_files, "ASTPWin"), "PAR");
}

ParValues look_up_par(const std::string& par_name, FileSystem& fs, Host& host, Trace& trace,
                      FileValueCache<ParValues>& cache) {
    const std::string program_files = host.program_files_directory();
    trace << "File programmes: " << program_files << "\n";
    const std::string par_path = join_path(parameter_directory(program_files), par_name);
    trace << "path astpwin/PAR : " << par_path << "\n";
    ParValues values = cache.get(fs, par_path, parse_par).value_or(ParValues());
    values.file = par_path;
    return values;
}

unsigned photometer_number(const K7Header& header, std::int32_t adr) {
    if (adr == kTwoByteForm) return header[3] * 256u + header[4];
    return header[4];
}

}  // namespace site
