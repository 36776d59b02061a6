#include "common/site/program.h"

#include <cstdio>

#include "common/fs/real_file_system.h"

namespace site {

int run_program(const Pass& pass) {
    Trace trace(stdout);
    RealFileSystem disk;
    Host& host = system_host();
    const std::unique_ptr<CommandInterpreter> interpreter = make_interpreter(trace, disk, host);
    pass(trace, *interpreter, disk, host);
    trace.flush();
    return 0;
}

}  // namespace site
