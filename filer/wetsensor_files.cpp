#include "filer/wetsensor_files.h"

#include "common/fs/paths.h"
#include "filer/archive_place.h"
#include "filer/archive_rules.h"
#include "filer/listed_names.h"

namespace site {

namespace {

constexpr const char* kCannotCreate = "Unable to create directory of Wet sensors";

// Enters base/wetsensor/<directory>, creating what is missing. A
// sub-directory is only ever made inside "wetsensor". `directory` is the
// sub-directory's name as stored, `sub` as the listed name gives it.
void enter_wetsensor_directories(const std::string& directory, const std::string& sub, FilingRun& run) {
    if (run.enter_both(kWetSensorDirectory, directory)) return;
    if (run.enter_or_create(kWetSensorDirectory, sub, kCannotCreate)) {
        run.enter_or_create(directory, sub, kCannotCreate);
        return;
    }
    run.trace << "=R=>le repertoire n existe pas " << sub << "\n";
    run.refuse(Refusal::CannotMakeDirectory, kCannotCreate, TraceMark::plain);
}

}  // namespace

void file_wetsensor_line(const std::string& name, FilingRun& run) {
    const std::optional<WetSensorName> parsed = parse_wetsensor_name(name);
    if (!parsed) return;
    const std::string& sub = parsed->sub;
    const std::string raw_name = parsed->base_name + ".raw";
    const ArchivePlace place = archive_place(name);
    if (place.not_filed == NotFiled::DirectoryRefused) {
        run.refuse(Refusal::DirectoryRefused, kRefusedDirectoryName, TraceMark::refused);
        return;
    }
    // The folder as the name gives it, also for a name whose move names
    // another file (".raw" not at its end).
    const std::optional<std::string> directory = archive_directory_name(sub);

    enter_wetsensor_directories(*directory, sub, run);
    run.interpreter.run(Command::dir());
    const std::string archived =
        join_path(join_path(join_path(run.paths.base, kWetSensorDirectory), *directory), raw_name);
    run.run(Command::move(join_path(run.paths.sent, raw_name), archived));
    run.return_to_base();
}

}  // namespace site
