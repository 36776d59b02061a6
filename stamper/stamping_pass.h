// The stamping pass: gives every .K7 and .K8 file of the to-send directory
// its self-describing name.
#pragma once

#include "common/base/trace.h"
#include "common/interpreter/interpreter.h"
#include "common/site/path_config.h"
#include "common/site/run_observer.h"

namespace site {

// One whole run of the stamper, from the interpreter's current directory
// (where the program was started): reads the path configuration, lists the
// to-send directory into "dirk7-2.txt" in the base directory, and renames
// each listed file in place through `interpreter`. Everything it reads, it
// reads through `fs`; the clock, the file dates' local time and the Program
// Files folder come from `host`. Why a file keeps its name, and what each
// rename did, go to `observer` too.
void run_stamping_pass(Trace& trace, CommandInterpreter& interpreter, FileSystem& fs, Host& host,
                       RunObserver& observer = no_observer());

// Where the stamper works when the path file gives nothing.
extern const PathConfig kStamperDefaults;
// The stamper's listing of the to-send directory, in the base directory.
extern const char* const kStamperListingFile;

// Whether the stamper lists `name` (the pattern "*.K?") as a .K7 file, one
// whose number comes from its header and its parameter file.
bool is_listed_k7(const std::string& name);

}  // namespace site
