// The filing pass: moves the sent files into the archive tree under the
// base directory.
#pragma once

#include "common/base/trace.h"
#include "common/fs/file_system.h"
#include "common/interpreter/interpreter.h"
#include "common/site/path_config.h"
#include "common/site/run_observer.h"

namespace site {

// One whole run of the filer, from the interpreter's current directory
// (where the program was started): reads the path configuration, lists the
// sent directory into "dirk7.txt" in the base directory and hands each
// listed photometer or wet-sensor file to its handler, through
// `interpreter`. Everything it reads and makes, it does through `fs`. Why a
// file stays, and what each move did, go to `observer` too.
void run_filing_pass(Trace& trace, CommandInterpreter& interpreter, FileSystem& fs,
                     RunObserver& observer = no_observer());

// Where the filer works when the path file gives nothing.
extern const PathConfig kFilerDefaults;

// The filer's move record, in the base directory.
extern const char* const kFilerMoveRecord;
// The filer's listing of the sent directory, in the base directory.
extern const char* const kFilerListingFile;

}  // namespace site
