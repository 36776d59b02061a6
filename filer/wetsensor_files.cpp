#include "wetsensor_files.h"

#include "archive_dirs.h"
#include "paths.h"
#include "platform.h"

namespace site {

namespace {

constexpr const char* kCannotCreate = "Unable to create directory of Wet sensors\n";
constexpr const char* kWetSensorDirectory = "wetsensor";

}  // namespace

void file_wetsensor_line(const std::string& name, const PathConfig& paths, Trace& trace,
                         CommandInterpreter& interpreter) {
    const std::optional<WetSensorName> parsed = parse_wetsensor_name(name);
    if (!parsed) return;
    const std::string& sub = parsed->sub;
    const std::string raw_name = parsed->base_name + ".raw";
    if (!is_safe_directory_name(sub)) {
        trace << kRefusedDirectoryName;
        return;
    }

    // A sub-directory is only ever made inside "wetsensor".
    if (enter_or_create(kWetSensorDirectory, sub, kCannotCreate, trace)) {
        enter_or_create(sub, sub, kCannotCreate, trace);
    } else {
        trace << "=R=>le repertoire n existe pas " << sub << "\n" << kCannotCreate;
    }
    interpreter.run(Command::dir());
    const std::string archived = join_path(join_path(join_path(paths.base, kWetSensorDirectory), sub), raw_name);
    interpreter.run(Command::move(join_path(paths.sent, raw_name), archived));
    change_directory(paths.base);
}

}  // namespace site
