#include "sample_site.h"

#include <cstdio>

namespace sample {

std::time_t local_time(int year, int month, int day, int hour, int minute) {
    std::tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_isdst = -1;
    return std::mktime(&parts);
}

bool write_new_file(const std::string& path, const std::string& content) {
    if (std::FILE* existing = std::fopen(path.c_str(), "rb")) {
        std::fclose(existing);
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool written = std::fwrite(content.data(), 1, content.size(), file) == content.size();
    return std::fclose(file) == 0 && written;
}

std::string path_config_text(const std::string& base, const std::string& to_send, const std::string& sent) {
    return "base::" + base + "\r\naenvoyer::" + to_send + "\r\nenvoye::" + sent + "\r\n";
}

std::string site_file_text(const std::string& site_name) {
    return "[COM]\r\nport=COM1\r\nspeed=9600\r\n\r\n[NAME SITE]\r\n" + site_name + "\r\n";
}

std::string par_file_text(unsigned photometer, int adr, int nb) {
    const std::string number = std::to_string(photometer);
    return "ASTPWin parameters of photometer " + number + "\r\n" +
           "Port Com COM1 1 0 9600\r\n" +
           "Photometer SerialNumber S" + number + " " + number + " " + std::to_string(adr) + " " +
           std::to_string(nb) + "\r\n" +
           "Filter Count F8 8 0 8\r\n";
}

std::string filler_bytes(size_t size, std::uint32_t seed) {
    std::string bytes(size, '\0');
    std::uint32_t state = seed * 2654435761u + 1;
    for (char& byte : bytes) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<char>(state >> 24);
    }
    return bytes;
}

std::string k7_file_bytes(const K7Fields& fields) {
    std::string bytes = filler_bytes(fields.size < 136 ? 136 : fields.size, fields.seed);
    if (fields.two_byte) bytes[3] = static_cast<char>((fields.number >> 8) & 0xFF);
    bytes[4] = static_cast<char>(fields.number & 0xFF);
    for (size_t i = 0; i < 8; ++i)
        bytes[128 + i] = i < fields.par_name.size() ? fields.par_name[i] : '\0';
    bytes.resize(fields.size);
    return bytes;
}

std::string par_name_for(unsigned photometer) { return "CIM" + std::to_string(photometer); }

}  // namespace sample
