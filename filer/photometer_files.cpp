#include "photometer_files.h"

#include "archive_dirs.h"
#include "paths.h"
#include "platform.h"

namespace site {

namespace {

constexpr const char* kCannotCreate = "Unable to create directory of photometer\n";
constexpr long kFourDigitDistance = 5;

struct PhotometerDirectory {
    std::string name;
    bool dropped_zero = false;
};

// The photometer directory from the text after the first 'P'.
PhotometerDirectory photometer_directory(const std::string& after_p, long distance, Trace& trace) {
    PhotometerDirectory directory;
    if (distance == kFourDigitDistance) {
        directory.name = after_p.substr(0, 4);
        trace << "=C=>5chif " << directory.name << "\n";
        if (directory.name[0] == '0') {
            directory.name.erase(0, 1);
            directory.dropped_zero = true;
        }
    } else {
        directory.name = after_p.substr(0, 2);
        trace << "=C=>pas5chif " << directory.name << "\n";
    }
    return directory;
}

// Enters base/<photometer>/<year>, creating what is missing.
void enter_archive_directories(const std::string& photometer, const std::string& year, Trace& trace) {
    if (change_directory(photometer)) {
        enter_or_create(year, year, kCannotCreate, trace);
        return;
    }
    trace << "=R=>le repertoire n existe pas " << photometer << "\n";
    create_and_enter(photometer, kCannotCreate, trace);
    create_and_enter(year, kCannotCreate, trace);
}

}  // namespace

void file_photometer_line(const std::string& name, const PathConfig& paths, Trace& trace,
                          CommandInterpreter& interpreter) {
    const std::string line = name + "\n";
    trace << "=1=>" << line;
    const size_t p = name.find('P');
    if (p == std::string::npos) {
        trace << "=pos zero=>" << line;
        return;
    }
    const size_t underscore = name.find('_');
    if (underscore == std::string::npos) return;

    const long distance = static_cast<long>(underscore) - static_cast<long>(p);
    trace << "=dif=>" << static_cast<long long>(distance) << "\n";
    trace << "=P=>" << line.substr(p + 1);
    const PhotometerDirectory photometer = photometer_directory(name.substr(p + 1), distance, trace);
    trace << "=tt2=>" << line;
    const std::string year = after_last_underscore(name, 4);
    trace << "=dir=> " << join_path(photometer.name, year) << "\n";
    if (!is_safe_directory_name(photometer.name) || !is_safe_directory_name(year)) {
        trace << "=R=>nom de repertoire refuse, fichier laisse en place\n";
        return;
    }

    enter_archive_directories(photometer.name, year, trace);
    const std::string pattern = "P" + std::string(photometer.dropped_zero ? "0" : "") + photometer.name + "_*.k?";
    const Command move =
        Command::move_matching(join_path(paths.sent, pattern), join_path(join_path(paths.base, photometer.name), year));
    interpreter.run(move);
    trace << "=lcopy=>" << move.rendered();
    change_directory(paths.base);
}

}  // namespace site
