// What the two handlers of the filing pass share: entering or creating the
// archive directories, and the names they may take.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "dos_time.h"
#include "file_system.h"
#include "interpreter.h"
#include "path_config.h"
#include "trace.h"

namespace site {

// At most the first `count` characters of the text after the last '_' of
// `name`; nothing when there is no '_'.
std::string after_last_underscore(std::string_view name, size_t count);

// The directory under the archive that a name taken from a listed file name
// stands for, as a Windows file system stores it (its trailing dots and
// spaces dropped), on every platform, so that a file is filed where the
// site's archive has its kind; nothing when that is no name for a
// directory: empty, reserved for a device, or with a separator or a drive
// colon, so that it can never lead out of the archive tree.
std::optional<std::string> archive_directory_name(std::string_view composed);

// Where the filer puts a listed photometer file, read from its name alone.
struct PhotometerName {
    long distance = 0;         // from the first 'P' to the first '_'
    std::string after_p;       // the name after its first 'P'
    std::string taken;         // the characters taken for the directory (four or two)
    bool four_digits = false;  // the '_' five places after the 'P': four taken
    std::string directory;     // `taken` less one leading zero
    bool dropped_zero = false;
    std::string year;          // up to four characters after the last '_'

    // The pattern of the photometer's files, its zero put back.
    std::string file_pattern() const;
};

enum class NameProblem { None, NoP, NoUnderscore };

// Parses a listed name; `problem` says why it cannot be filed.
PhotometerName parse_photometer_name(const std::string& name, NameProblem& problem);

// Where the filer puts a listed wet-sensor file.
struct WetSensorName {
    std::string base_name;  // the name less its last four characters (".raw")
    std::string sub;        // up to four characters after the last '_'
};

// Nothing for a name without '_' or shorter than its extension.
std::optional<WetSensorName> parse_wetsensor_name(const std::string& name);

// The trace line of a name refused by archive_directory_name.
extern const char* const kRefusedDirectoryName;

// The years a file's date can carry, and so the only year directories.
constexpr int kFirstArchiveYear = kFirstDosYear;
constexpr int kLastArchiveYear = kLastDosYear;

// Four digits giving a year from 1980 to 2107.
bool is_archive_year(std::string_view year);

// What the handlers of one filing run work with. The directory they stand
// in is the interpreter's current directory: the handlers steer it, and
// "dir" lists it.
struct FilingRun {
    const PathConfig& paths;
    Trace& trace;
    CommandInterpreter& interpreter;
    FileSystem& fs;

    // Enters `name` in the current directory; false when it is not there.
    bool enter(const std::string& name) { return interpreter.change_directory(name); }
    // Creates `name` in the current directory and enters it, with the
    // trace "Directory created\n", or prints `failure` when it cannot be
    // created; true when it was entered.
    bool create_and_enter(const std::string& name, const char* failure);
    // Enters `name`; when it is missing, says so and creates it as above.
    bool enter_or_create(const std::string& name, const std::string& shown_name, const char* failure);
    // Back to the base directory, where each listed name starts.
    void return_to_base() { interpreter.change_directory(paths.base); }
};

}  // namespace site
