// tolvik: gives every photometer data file in the to-send directory its
// self-describing name. Takes no arguments; always ends with status 0.
#include <cstdio>

#include "interpreter.h"
#include "stamping_pass.h"
#include "trace.h"

int main() {
    site::Trace trace(stdout);
    site::RealFileSystem disk;
    auto interpreter = site::make_interpreter(trace, disk, site::current_directory());
    site::run_stamping_pass(trace, *interpreter, disk, site::system_host());
    trace.flush();
    return 0;
}
