#include "filer/photometer_files.h"

#include "common/fs/paths.h"
#include "filer/archive_place.h"
#include "filer/archive_rules.h"
#include "filer/listed_names.h"

namespace site {

namespace {

constexpr const char* kCannotCreate = "Unable to create directory of photometer";

// Enters base/<photometer>/<year>, creating what is missing. A year
// directory is only ever made inside its photometer's: when that cannot be
// made or entered, the year's line says so and nothing is made elsewhere.
// `photometer` is the directory's name as stored, `shown` as composed.
void enter_archive_directories(const std::string& photometer, const std::string& shown, const std::string& year,
                               FilingRun& run) {
    if (run.enter_both(photometer, year)) return;
    if (run.enter(photometer)) {
        run.enter_or_create(year, year, kCannotCreate);
        return;
    }
    run.trace << "=R=>le repertoire n existe pas " << shown << "\n";
    if (run.create_and_enter(photometer, kCannotCreate))
        run.create_and_enter(year, kCannotCreate);
    else
        run.refuse(Refusal::CannotMakeDirectory, kCannotCreate, TraceMark::plain);
}

}  // namespace

void file_photometer_line(const std::string& name, FilingRun& run) {
    Trace& trace = run.trace;
    const std::string line = name + "\n";
    trace << "=1=>" << line;
    NameProblem problem;
    const PhotometerName parsed = parse_photometer_name(name, problem);
    if (problem == NameProblem::NoP) {
        trace << "=pos zero=>" << line;
        run.observer.refused(name, Refusal::NoP, "=pos zero=>" + name);
    }
    if (problem != NameProblem::None) return;

    trace << "=dif=>" << static_cast<long long>(parsed.distance) << "\n";
    trace << "=P=>" << parsed.after_p << "\n";
    trace << (parsed.four_digits ? "=C=>5chif " : "=C=>pas5chif ") << parsed.taken << "\n";
    trace << "=tt2=>" << line;
    trace << "=dir=> " << join_path(parsed.directory, parsed.year) << "\n";
    // Where the name says the file goes, decided as the archive audit
    // decides it.
    const ArchivePlace place = archive_place(name);
    if (place.not_filed == NotFiled::DirectoryRefused) {
        run.refuse(Refusal::DirectoryRefused, kRefusedDirectoryName, TraceMark::refused);
        return;
    }
    // A line whose own pattern cannot take its file (a number of three or
    // five digits) would only make directories for nothing.
    if (place.not_filed == NotFiled::PatternMissesFile) {
        run.refuse(Refusal::PatternMissesFile,
                   "le motif " + parsed.file_pattern() + " ne prend pas ce fichier, fichier laisse en place",
                   TraceMark::refused);
        return;
    }

    const std::string& photometer = place.folders.at(0);
    enter_archive_directories(photometer, parsed.directory, parsed.year, run);
    const Command move = Command::move_matching(join_path(run.paths.sent, parsed.file_pattern()),
                                                join_path(join_path(run.paths.base, photometer), parsed.year));
    run.run(move);
    trace << "=lcopy=>" << move.rendered();
    run.return_to_base();
}

}  // namespace site
