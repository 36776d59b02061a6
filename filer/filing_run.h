// What the two handlers of the filing pass share: the run they belong to,
// and entering or creating the archive directories from the interpreter's
// current directory.
#pragma once

#include <string>

#include "common/base/trace.h"
#include "common/fs/file_system.h"
#include "common/fs/paths.h"
#include "common/interpreter/interpreter.h"
#include "common/site/path_config.h"
#include "common/site/run_observer.h"

namespace site {

// How a refusal's line in the trace starts: with the "=R=>" of a file left
// in place, or as the reason alone.
enum class TraceMark { refused, plain };

// What the handlers of one filing run work with. The directory they stand
// in is the interpreter's current directory: the handlers steer it, and
// "dir" lists it.
struct FilingRun {
    const PathConfig& paths;
    Trace& trace;
    CommandInterpreter& interpreter;
    FileSystem& fs;
    RunObserver& observer;
    std::string listed;  // the listed name being filed

    // Tells the observer why the listed file stays where it is, and prints
    // the reason as a line of the trace, marked as `mark` says.
    void refuse(Refusal refusal, const std::string& reason, TraceMark mark);
    // Runs a command for the listed file, its result to the observer.
    void run(const Command& command) { observer.ran(listed, interpreter.run(command)); }

    // Enters `name` in the current directory; false when it is not there.
    bool enter(const std::string& name) { return interpreter.change_directory(name); }
    // Enters `first` and `second` in it, as two entries would, with one
    // look; false, and nothing entered, unless both are there.
    bool enter_both(const std::string& first, const std::string& second) {
        return interpreter.change_directory(join_path(first, second));
    }
    // Creates `name` in the current directory and enters it, with the
    // trace "Directory created\n", or refuses with the reason `failure` when it cannot
    // be created; true when it was entered.
    bool create_and_enter(const std::string& name, const char* failure);
    // Enters `name`; when it is missing, says so and creates it as above.
    bool enter_or_create(const std::string& name, const std::string& shown_name, const char* failure);
    // Back to the base directory, where each listed name starts.
    void return_to_base() { interpreter.return_to(paths.base); }
};

}  // namespace site
