// The opening that both programs' runs share: the path configuration read
// and traced, the run lock taken, and a move that an interrupted run left
// recorded finished, before the pass does anything of its own.
#pragma once

#include <optional>

#include "common/base/trace.h"
#include "common/fs/run_lock.h"
#include "common/interpreter/interpreter.h"
#include "common/site/path_config.h"
#include "common/site/run_observer.h"

namespace site {

// What a program's run knows of itself.
struct SiteRunKind {
    const char* program;         // names its lock file, "<program>.lock"
    const PathConfig& defaults;  // where the path file gives nothing
    WorkDirectory work;          // the directory whose files it handles
    const char* move_record;     // its move record, in the base directory
    const char* after_paths;     // what ends the trace's path lines
};

struct OpenSiteRun {
    PathConfig paths;  // as the run works with them
    RunLock lock;      // held until the run ends
};

// Nothing when the run must stop there, after the trace has said why.
// What the run found at its move record's name goes to `observer`.
std::optional<OpenSiteRun> open_site_run(const SiteRunKind& kind, Trace& trace, CommandInterpreter& interpreter,
                                         FileSystem& fs, RunObserver& observer);

}  // namespace site
