#include "filer/wetsensor_files.h"

#include "common/fs/paths.h"
#include "filer/archive_rules.h"
#include "filer/listed_names.h"

namespace site {

namespace {

constexpr const char* kCannotCreate = "Unable to create directory of Wet sensors\n";
constexpr const char* kWetSensorDirectory = "wetsensor";

}  // namespace

void file_wetsensor_line(const std::string& name, FilingRun& run) {
    const std::optional<WetSensorName> parsed = parse_wetsensor_name(name);
    if (!parsed) return;
    const std::string& sub = parsed->sub;
    const std::string raw_name = parsed->base_name + ".raw";
    const std::optional<std::string> directory = archive_directory_name(sub);
    if (!directory) {
        run.refuse(Refusal::DirectoryRefused, kRefusedDirectoryName);
        return;
    }

    // A sub-directory is only ever made inside "wetsensor".
    if (run.enter_both(kWetSensorDirectory, *directory)) {
        // Both there: nothing to say or make.
    } else if (run.enter_or_create(kWetSensorDirectory, sub, kCannotCreate)) {
        run.enter_or_create(*directory, sub, kCannotCreate);
    } else {
        run.trace << "=R=>le repertoire n existe pas " << sub << "\n";
        run.refuse(Refusal::CannotMakeDirectory, kCannotCreate);
    }
    run.interpreter.run(Command::dir());
    const std::string archived =
        join_path(join_path(join_path(run.paths.base, kWetSensorDirectory), *directory), raw_name);
    run.run(Command::move(join_path(run.paths.sent, raw_name), archived));
    run.return_to_base();
}

}  // namespace site
