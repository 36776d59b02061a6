// make_sample_site: writes a sample measurement site to run the programs on.
//
//   make_sample_site --dir DIR [--files N] [--photometers 300,44,1234,7]
//                    [--site NAME | --no-site] [--year YYYY] [--size BYTES]
//                    [--seed S] [--windows-paths] [--program-files DIR]
//
// DIR (created; it must not exist yet) receives:
//   path_autok7.txt        base, to-send and sent directories (absolute)
//   electron-site.ini      the site name under [NAME SITE] (unless --no-site)
//   Program Files/ASTPWin/PAR/CIM<n>.PAR   one parameter file per photometer
//   base/aenvoyer/         N data files: half .K7 (named MMDDhhmm.K7), three
//                          in ten .K8 (P<nnnn>_MMDDhhmm.K8) and two in ten
//                          wet-sensor files (wet_<yyyymmddhhmm>_A00<k>.raw)
//   base/envoye/           empty
// Each file's modification time is the time its name carries, in the given
// year (local time), seven minutes apart. Photometers above 255 use the
// two-byte number form (ADR 3), the others the one-byte form (ADR 2). --size
// is the size of a .K7 file; .K8 files take half and .raw files a quarter.
// --windows-paths writes the directories as a Windows program under Wine
// sees them (Z:\...). Run the stamper from DIR with ProgramFiles set to
// "DIR/Program Files". --program-files puts the PAR files under another
// Program Files directory instead (under Wine: the prefix's drive_c/Program
// Files, since Wine sets ProgramFiles itself).
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/base/dos_time.h"
#include "tools/sample_site.h"

namespace {

[[noreturn]] void usage(const std::string& problem) {
    std::fprintf(stderr, "make_sample_site: %s\n", problem.c_str());
    std::fprintf(stderr,
                 "usage: make_sample_site --dir DIR [--files N] [--photometers 300,44,1234,7]\n"
                 "       [--site NAME | --no-site] [--year YYYY] [--size BYTES] [--seed S] [--windows-paths]\n"
                 "       [--program-files DIR]\n");
    std::exit(2);
}

std::vector<unsigned> parse_numbers(const std::string& list) {
    std::vector<unsigned> numbers;
    size_t start = 0;
    for (;;) {
        const size_t comma = list.find(',', start);
        const std::string item = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const unsigned long value = std::strtoul(item.c_str(), nullptr, 10);
        if (item.empty() || value > 65535) usage("photometer numbers are 0 to 65535, separated by commas");
        numbers.push_back(static_cast<unsigned>(value));
        if (comma == std::string::npos) return numbers;
        start = comma + 1;
    }
}

sample::SiteOptions parse_options(int argc, char** argv) {
    sample::SiteOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto value = [&]() -> std::string {
            if (i + 1 >= argc) usage("missing value after " + arg);
            return argv[++i];
        };
        if (arg == "--dir")
            options.dir = value();
        else if (arg == "--files")
            options.files = std::atoi(value().c_str());
        else if (arg == "--photometers")
            options.photometers = parse_numbers(value());
        else if (arg == "--site")
            options.site = value();
        else if (arg == "--no-site")
            options.site_file = false;
        else if (arg == "--year")
            options.year = std::atoi(value().c_str());
        else if (arg == "--size")
            options.size = std::strtoul(value().c_str(), nullptr, 10);
        else if (arg == "--seed")
            options.seed = static_cast<unsigned>(std::strtoul(value().c_str(), nullptr, 10));
        else if (arg == "--windows-paths")
            options.windows_paths = true;
        else if (arg == "--program-files")
            options.program_files = value();
        else
            usage("unknown option " + arg);
    }
    if (options.dir.empty()) usage("--dir is required");
    if (options.files < 0 || options.files > sample::kMaxSampleFiles)
        usage("--files takes 0 to " + std::to_string(sample::kMaxSampleFiles));
    if (options.year < site::kFirstDosYear || options.year > site::kLastDosYear)
        usage("--year takes " + std::to_string(site::kFirstDosYear) + " to " + std::to_string(site::kLastDosYear));
    if (options.size < 136) usage("--size takes at least 136");
    return options;
}

}  // namespace

int main(int argc, char** argv) {
    const sample::SiteOptions options = parse_options(argc, argv);
    try {
        const std::string dir = sample::write_sample_site(options);
        std::printf("Sample site in %s: %d data files in %s/base/aenvoyer\n", dir.c_str(), options.files, dir.c_str());
        std::printf("Run the stamper there with: cd \"%s\" && ProgramFiles=\"%s/Program Files\" tolvik\n", dir.c_str(),
                    dir.c_str());
    } catch (const std::exception& error) {
        usage(error.what());
    }
    return 0;
}
