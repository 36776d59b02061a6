// make_sample_site: writes a sample measurement site to run the programs on.
//
//   make_sample_site --dir DIR [--files N] [--photometers 300,44,1234,7]
//                    [--site NAME | --no-site] [--year YYYY] [--size BYTES]
//                    [--seed S] [--windows-paths]
//
// DIR (created; it must not exist yet) receives:
//   path_autok7.txt        base, to-send and sent directories (absolute)
//   electron-site.ini      the site name under [NAME SITE]
//   Program Files/ASTPWin/PAR/CIM<n>.PAR   one parameter file per photometer
//   base/aenvoyer/         N data files: about half .K7 (named MMDDhhmm.K7),
//                          three in ten .K8 (P<nnnn>_MMDDhhmm.K8) and two in
//                          ten wet-sensor files (wet_<yyyymmddhhmm>_A00<k>.raw)
//   base/envoye/           empty
// Each file's modification time is the time its name carries, in the given
// year, local time. Photometers above 255 use the two-byte number form
// (ADR 3), the others the one-byte form (ADR 2). --windows-paths writes the
// directories as a Windows program under Wine sees them (Z:\...).
// Run the stamper from DIR with ProgramFiles set to "DIR/Program Files".
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform.h"
#include "sample_site.h"

namespace {

struct Options {
    std::string dir;
    int files = 12;
    std::vector<unsigned> photometers = {300, 44, 1234, 7};
    std::string site = "Coteau";
    bool site_file = true;
    int year = 2015;
    size_t size = 16384;
    unsigned seed = 1;
    bool windows_paths = false;
};

[[noreturn]] void usage(const char* problem) {
    std::fprintf(stderr, "make_sample_site: %s\n", problem);
    std::fprintf(stderr,
                 "usage: make_sample_site --dir DIR [--files N] [--photometers 300,44,1234,7]\n"
                 "       [--site NAME | --no-site] [--year YYYY] [--size BYTES] [--seed S] [--windows-paths]\n");
    std::exit(2);
}

std::vector<unsigned> parse_numbers(const std::string& list) {
    std::vector<unsigned> numbers;
    size_t start = 0;
    while (start <= list.size()) {
        const size_t comma = list.find(',', start);
        const std::string item = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const unsigned long value = std::strtoul(item.c_str(), nullptr, 10);
        if (item.empty() || value > 65535) usage("photometer numbers are 0 to 65535, separated by commas");
        numbers.push_back(static_cast<unsigned>(value));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return numbers;
}

Options parse_options(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto value = [&]() -> std::string {
            if (i + 1 >= argc) usage(("missing value after " + arg).c_str());
            return argv[++i];
        };
        if (arg == "--dir") options.dir = value();
        else if (arg == "--files") options.files = std::atoi(value().c_str());
        else if (arg == "--photometers") options.photometers = parse_numbers(value());
        else if (arg == "--site") options.site = value();
        else if (arg == "--no-site") options.site_file = false;
        else if (arg == "--year") options.year = std::atoi(value().c_str());
        else if (arg == "--size") options.size = std::strtoul(value().c_str(), nullptr, 10);
        else if (arg == "--seed") options.seed = static_cast<unsigned>(std::strtoul(value().c_str(), nullptr, 10));
        else if (arg == "--windows-paths") options.windows_paths = true;
        else usage(("unknown option " + arg).c_str());
    }
    if (options.dir.empty()) usage("--dir is required");
    if (options.files < 0 || options.files > 70000) usage("--files takes 0 to 70000");
    if (options.year < 1980 || options.year > 2107) usage("--year takes 1980 to 2107");
    if (options.size < 136) usage("--size takes at least 136");
    return options;
}

std::string absolute(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    const char* pwd = std::getenv("PWD");
    return std::string(pwd ? pwd : ".") + "/" + path;
}

// How a Windows program under Wine names a POSIX path.
std::string as_windows_path(std::string path) {
    for (char& c : path)
        if (c == '/') c = '\\';
    return "Z:" + path;
}

void make_dir(const std::string& path) {
    if (!site::make_directory(path)) usage(("cannot create " + path).c_str());
}

void write(const std::string& path, const std::string& content) {
    if (!sample::write_new_file(path, content)) usage(("cannot write " + path).c_str());
}

void write_data_file(const Options& options, const std::string& to_send, int index) {
    const unsigned photometer = options.photometers[static_cast<size_t>(index) % options.photometers.size()];
    // Seven minutes apart from New Year, so that every name is different.
    const std::time_t when = sample::local_time(options.year, 1, 1, 0, 7 * index);
    std::tm parts = *std::localtime(&when);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%02d%02d%02d%02d", parts.tm_mon + 1, parts.tm_mday, parts.tm_hour,
                  parts.tm_min);
    const unsigned seed = options.seed * 100003u + static_cast<unsigned>(index);
    std::string name;
    std::string bytes;
    switch (index % 10) {
        case 0: case 1: case 2: case 3: case 4: {
            sample::K7Fields fields;
            fields.number = photometer;
            fields.two_byte = photometer > 255;
            fields.par_name = sample::par_name_for(photometer);
            fields.size = options.size;
            fields.seed = seed;
            name = std::string(stamp) + ".K7";
            bytes = sample::k7_file_bytes(fields);
            break;
        }
        case 5: case 6: case 7: {
            char prefix[16];
            std::snprintf(prefix, sizeof prefix, "P%04u_", photometer);
            name = prefix + std::string(stamp) + ".K8";
            bytes = sample::filler_bytes(options.size / 2, seed);
            break;
        }
        default:
            name = "wet_" + std::to_string(options.year) + stamp + "_A00" + std::to_string(index % 3 + 1) + ".raw";
            bytes = sample::filler_bytes(options.size / 4, seed);
            break;
    }
    const std::string path = to_send + "/" + name;
    write(path, bytes);
    if (!site::set_modified_time(path, when)) usage(("cannot set the time of " + path).c_str());
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = parse_options(argc, argv);
    const std::string dir = absolute(options.dir);
    const std::string base = dir + "/base";
    const std::string to_send = base + "/aenvoyer";
    const std::string sent = base + "/envoye";
    const std::string par_dir = dir + "/Program Files/ASTPWin/PAR";
    for (const std::string& path : {dir, base, to_send, sent, dir + "/Program Files", dir + "/Program Files/ASTPWin", par_dir})
        make_dir(path);

    const auto shown = [&](const std::string& path) { return options.windows_paths ? as_windows_path(path) : path; };
    write(dir + "/path_autok7.txt", sample::path_config_text(shown(base), shown(to_send), shown(sent)));
    if (options.site_file) write(dir + "/electron-site.ini", sample::site_file_text(options.site));
    for (unsigned photometer : options.photometers)
        write(par_dir + "/" + sample::par_name_for(photometer) + ".PAR",
              sample::par_file_text(photometer, photometer > 255 ? 3 : 2, 8));
    for (int i = 0; i < options.files; ++i) write_data_file(options, to_send, i);

    std::printf("Sample site in %s: %d data files in %s\n", dir.c_str(), options.files, to_send.c_str());
    std::printf("Run the stamper there with: cd \"%s\" && ProgramFiles=\"%s/Program Files\" tolvik\n", dir.c_str(),
                dir.c_str());
    return 0;
}
