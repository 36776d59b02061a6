// What each program's main function does: one pass over the site, on this
// machine's disk, with the interpreter of this build, started where the
// program was started, its trace on the console.
#pragma once

#include <functional>

#include "common/base/trace.h"
#include "common/fs/file_system.h"
#include "common/host/host.h"
#include "common/interpreter/interpreter.h"

namespace site {

using Pass = std::function<void(Trace& trace, CommandInterpreter& interpreter, FileSystem& fs, Host& host)>;

// Runs `pass`; the exit status, always 0: what went wrong is in the trace.
int run_program(const Pass& pass);

}  // namespace site
