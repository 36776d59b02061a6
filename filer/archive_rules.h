// Which directories the filer may make and enter in the archive: folder
// names a Windows disk can hold and that stay inside the archive tree, and
// the years a file's date can carry.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "common/base/dos_time.h"

namespace site {

// The directory under the archive that a name taken from a listed file name
// stands for, as a Windows file system stores it (its trailing dots and
// spaces dropped), on every platform, so that a file is filed where the
// site's archive has its kind; nothing when that is no name for a
// directory: empty, reserved for a device, or with a separator or a drive
// colon, so that it can never lead out of the archive tree.
std::optional<std::string> archive_directory_name(std::string_view composed);

// The trace line of a name refused by archive_directory_name.
extern const char* const kRefusedDirectoryName;

// The years a file's date can carry, and so the only year directories.
constexpr int kFirstArchiveYear = kFirstDosYear;
constexpr int kLastArchiveYear = kLastDosYear;

// Four digits giving a year from 1980 to 2107.
bool is_archive_year(std::string_view year);

}  // namespace site
