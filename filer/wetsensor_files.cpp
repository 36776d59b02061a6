#include "wetsensor_files.h"

#include "archive_dirs.h"
#include "paths.h"
#include "platform.h"

namespace site {

namespace {

constexpr const char* kCannotCreate = "Unable to create directory of Wet sensors\n";
constexpr const char* kWetSensorDirectory = "wetsensor";
constexpr size_t kExtensionLength = 4;  // ".raw"

}  // namespace

void file_wetsensor_line(const std::string& name, const PathConfig& paths, Trace& trace,
                         CommandInterpreter& interpreter) {
    if (name.find('_') == std::string::npos) return;
    const std::string base_name = name.substr(0, name.size() - kExtensionLength);
    const std::string sub = after_last_underscore(name, 4);
    if (!is_safe_directory_name(sub)) {
        trace << "=R=>nom de repertoire refuse, fichier laisse en place\n";
        return;
    }

    enter_or_create(kWetSensorDirectory, sub, kCannotCreate, trace);
    enter_or_create(sub, sub, kCannotCreate, trace);
    interpreter.run(Command::dir());
    const std::string archived = join_path(join_path(join_path(paths.base, kWetSensorDirectory), sub), base_name + ".raw");
    interpreter.run(Command::move(join_path(paths.sent, base_name + ".raw"), archived));
    change_directory(paths.base);
}

}  // namespace site
