// Makes the files of a sample site: path configuration, site file,
// parameter files and data files with the header fields the stamper reads.
// The data beyond those fields is our own filler.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace sample {

// A date and time as broken-down calendar fields (daylight saving unknown).
std::tm calendar_time(int year, int month, int day, int hour, int minute);

// A local time as a time_t (the file stamps are taken in local time).
std::time_t local_time(int year, int month, int day, int hour, int minute);

// Writes `content` to `path`, replacing nothing: fails if the file exists.
bool write_new_file(const std::string& path, const std::string& content);

// path_autok7.txt with labelled lines for the three directories.
std::string path_config_text(const std::string& base, const std::string& to_send, const std::string& sent);

// electron-site.ini with a [COM] section before the [NAME SITE] section.
std::string site_file_text(const std::string& site_name);

// A parameter file: a title line, then "word word word int int int"
// records, one of which carries "SerialNumber" with ADR and Nb.
std::string par_file_text(unsigned photometer, int adr, int nb);

struct K7Fields {
    unsigned number = 0;   // the photometer number
    bool two_byte = true;  // number in bytes 3 and 4 (ADR 3) or in byte 4
    std::string par_name;  // up to 8 characters, zero-filled
    size_t size = 16384;   // whole file size, at least 136
    std::uint32_t seed = 1;
};

// The bytes of a .K7 data file.
std::string k7_file_bytes(const K7Fields& fields);

// Filler bytes for .K8 and .raw files.
std::string filler_bytes(size_t size, std::uint32_t seed);

// The parameter file name used for a photometer: the prefix and its number.
std::string par_name_for(const std::string& prefix, unsigned photometer);

// The most data files a sample site holds: five minutes apart, they fill
// most of one year.
constexpr int kMaxSampleFiles = 100000;

struct SiteOptions {
    std::string dir;  // created; must not exist yet
    int files = 12;
    std::vector<unsigned> photometers = {300, 44, 1234, 7};
    std::string site = "Coteau";
    bool site_file = true;
    int year = 2015;
    size_t size = 16384;  // of a .K7 file
    unsigned seed = 1;
    bool windows_paths = false;  // path_autok7.txt as Wine shows it (Z:\...)
    // Where the PAR files go; empty: "Program Files" in the site folder.
    std::string program_files;
    // Parameter files are named this prefix and the photometer number.
    std::string par_prefix = "CIM";
};

// Writes a whole sample site (see make_sample_site for the layout) and
// returns its absolute path; throws std::runtime_error on failure.
std::string write_sample_site(const SiteOptions& options);

// How a Windows program under Wine names a POSIX path.
std::string as_windows_path(std::string path);

}  // namespace sample
