// The site name, from the site configuration file in the start directory.
#pragma once

#include <optional>
#include <string>

#include "common/fs/file_value_cache.h"
#include "common/text/text_reader.h"

namespace site {

extern const char* const kSiteFile;

// The first word after the last line that holds "[NAME SITE]"; empty when
// there is none.
std::string parse_site_name(TextReader& file);

// The site name from kSiteFile in `directory`; nothing when the file cannot
// be opened. The file is read again only when it has changed.
std::optional<std::string> read_site_name(FileSystem& fs, const std::string& directory,
                                          FileValueCache<std::string>& cache);

}  // namespace site
