#include "filer/filing_run.h"

#include "common/fs/paths.h"

namespace site {

bool FilingRun::create_and_enter(const std::string& name, const char* failure) {
    if (fs.make_directory(join_path(interpreter.current_directory(), name))) {
        trace << "Directory created\n";
        return enter(name);
    }
    refuse(Refusal::CannotMakeDirectory, failure, TraceMark::plain);
    return false;
}

void FilingRun::refuse(Refusal refusal, const std::string& reason, TraceMark mark) {
    trace << (mark == TraceMark::refused ? "=R=>" : "") << reason << "\n";
    observer.refused(listed, refusal, reason);
}

bool FilingRun::enter_or_create(const std::string& name, const std::string& shown_name, const char* failure) {
    if (enter(name)) return true;
    trace << "=R=>le repertoire n existe pas " << shown_name << "\n";
    return create_and_enter(name, failure);
}

}  // namespace site
