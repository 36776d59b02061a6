#include "tools/sample_site.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "common/fs/paths.h"
#include "common/platform/platform.h"

namespace sample {

std::tm calendar_time(int year, int month, int day, int hour, int minute) {
    std::tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_isdst = -1;
    return parts;
}

std::time_t local_time(int year, int month, int day, int hour, int minute) {
    std::tm parts = calendar_time(year, month, day, hour, minute);
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
    return "ASTPWin parameters of photometer " + number + "\r\n" + "Port Com COM1 1 0 9600\r\n" +
           "Photometer SerialNumber S" + number + " " + number + " " + std::to_string(adr) + " " + std::to_string(nb) +
           "\r\n" + "Filter Count F8 8 0 8\r\n";
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
    for (size_t i = 0; i < 8; ++i) bytes[128 + i] = i < fields.par_name.size() ? fields.par_name[i] : '\0';
    bytes.resize(fields.size);
    return bytes;
}

std::string par_name_for(const std::string& prefix, unsigned photometer) { return prefix + std::to_string(photometer); }

std::string as_windows_path(std::string path) {
    for (char& c : path)
        if (c == '/') c = '\\';
    return "Z:" + path;
}

namespace {

std::string absolute(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    return site::current_directory() + "/" + path;
}

void make_dir(const std::string& path) {
    if (!site::make_directory(path)) throw std::runtime_error("cannot create " + path);
}

void write(const std::string& path, const std::string& content) {
    if (!write_new_file(path, content)) throw std::runtime_error("cannot write " + path);
}

// Files come every 7 minutes; a site too large for one year at that pace
// gets one every 5, so that every name and time stays within the year.
int minutes_between_files(int files) { return files <= kMaxSampleFiles * 5 / 7 ? 7 : 5; }

// Data file number `index`: its name and bytes, written with the time its
// name carries.
void write_data_file(const SiteOptions& options, const std::string& to_send, int index) {
    const unsigned photometer = options.photometers[static_cast<size_t>(index) % options.photometers.size()];
    const std::time_t when = local_time(options.year, 1, 1, 0, minutes_between_files(options.files) * index);
    const std::tm parts = *std::localtime(&when);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%02d%02d%02d%02d", parts.tm_mon + 1, parts.tm_mday, parts.tm_hour,
                  parts.tm_min);
    const std::uint32_t seed = options.seed * 100003u + static_cast<std::uint32_t>(index);
    std::string name;
    std::string bytes;
    if (index % 10 < 5) {
        K7Fields fields;
        fields.number = photometer;
        fields.two_byte = photometer > 255;
        fields.par_name = par_name_for(options.par_prefix, photometer);
        fields.size = options.size;
        fields.seed = seed;
        name = std::string(stamp) + ".K7";
        bytes = k7_file_bytes(fields);
    } else if (index % 10 < 8) {
        char prefix[16];
        std::snprintf(prefix, sizeof prefix, "P%04u_", photometer);
        name = prefix + std::string(stamp) + ".K8";
        bytes = filler_bytes(options.size / 2, seed);
    } else {
        name = "wet_" + std::to_string(options.year) + stamp + "_A00" + std::to_string(index % 3 + 1) + ".raw";
        bytes = filler_bytes(options.size / 4, seed);
    }
    const std::string path = to_send + "/" + name;
    write(path, bytes);
    if (!site::set_modified_time(path, when)) throw std::runtime_error("cannot set the time of " + path);
}

}  // namespace

std::string write_sample_site(const SiteOptions& options) {
    const std::string dir = absolute(options.dir);
    const std::string base = dir + "/base";
    const std::string to_send = base + "/aenvoyer";
    const std::string sent = base + "/envoye";
    for (const std::string& path : {dir, base, to_send, sent}) make_dir(path);
    const std::string program_files = options.program_files.empty() ? dir + "/Program Files" : options.program_files;
    const std::string par_dir = program_files + "/ASTPWin/PAR";
    for (const std::string& path : {program_files, program_files + "/ASTPWin", par_dir}) site::make_directory(path);

    const auto shown = [&](const std::string& path) { return options.windows_paths ? as_windows_path(path) : path; };
    write(dir + "/path_autok7.txt", path_config_text(shown(base), shown(to_send), shown(sent)));
    if (options.site_file) write(dir + "/electron-site.ini", site_file_text(options.site));
    for (unsigned photometer : options.photometers)
        write(par_dir + "/" + par_name_for(options.par_prefix, photometer) + ".PAR",
              par_file_text(photometer, photometer > 255 ? 3 : 2, 8));
    for (int i = 0; i < options.files; ++i) write_data_file(options, to_send, i);
    return dir;
}

}  // namespace sample
