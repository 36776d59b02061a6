#include "stamper/site_name.h"

#include "common/fs/paths.h"

namespace site {

const char* const kSiteFile = "electron-site.ini";

namespace {

constexpr size_t kSiteLineBufferSize = 300;

}  // namespace

std::string parse_site_name(TextReader& file) {
    std::string name;
    std::string line;
    do {
        file.read_line(line, kSiteLineBufferSize);
        if (line.find("[NAME SITE]") != std::string::npos) {
            // The word may stand after blank lines; the white space after it
            // is skipped too, as the "%s\n" read of the site file does.
            file.read_word(name);
            file.skip_space();
        }
    } while (!file.eof());
    return name;
}

std::optional<std::string> read_site_name(FileSystem& fs, const std::string& directory,
                                          FileValueCache<std::string>& cache) {
    return cache.get(fs, join_path(directory, kSiteFile), parse_site_name);
}

}  // namespace site
