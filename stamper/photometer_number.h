// The photometer number of a .K7 file, read from its header in the form
// that the instrument's parameter (.PAR) file selects.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "common/base/trace.h"
#include "common/fs/file_value_cache.h"
#include "common/interpreter/interpreter.h"
#include "common/text/text_reader.h"

namespace site {

// The part of a .K7 header that the stamper reads: the number at offsets 3
// and 4, the parameter file name at offsets 128 to 135.
constexpr size_t kK7HeaderSize = 136;
using K7Header = std::array<unsigned char, kK7HeaderSize>;

// Where the acquisition software keeps the parameter files, under the
// Program Files folder.
std::string parameter_directory(const std::string& program_files);

// ADR selects the number's form (3: two bytes); Nb is only traced.
struct ParValues {
    std::int32_t adr = 0;
    std::int32_t nb = 0;
    bool found = false;  // a record with "Number" gave them
    std::string file;    // the parameter file looked up
};

// The header at the start of a .K7 file's bytes; nothing when the file is
// shorter than the header.
std::optional<K7Header> k7_header_of(const std::string& bytes);

// The parameter file's name: the 8 header bytes at offset 128, up to a zero
// byte among them, then ".PAR".
std::string par_file_name(const K7Header& header);

// Parses a parameter file: its first line is skipped; each following
// "word word word int int int" record whose second word contains "Number"
// gives ADR (second integer) and Nb (third); the last such record wins.
// Without one, ADR and Nb are 0 and nothing is found.
ParValues parse_par(TextReader& file);

// Looks up the values for `par_name` under the Program Files directory,
// with its trace; nothing found when the file is missing or has no match.
// A parameter file is read again only when it has changed.
ParValues look_up_par(const std::string& par_name, FileSystem& fs, Host& host, Trace& trace,
                      FileValueCache<ParValues>& cache);

// The number: bytes 3 and 4 high byte first when ADR is 3, else byte 4.
unsigned photometer_number(const K7Header& header, std::int32_t adr);

}  // namespace site
