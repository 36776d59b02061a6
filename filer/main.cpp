// brasko: files the sent photometer and wet-sensor files into the archive
// tree under the base directory. Takes no arguments; always ends with
// status 0.
#include <cstdio>

#include "filing_pass.h"
#include "interpreter.h"
#include "trace.h"

int main() {
    site::Trace trace(stdout);
    site::RealFileSystem disk;
    auto interpreter = site::make_interpreter(trace, disk, site::current_directory());
    site::run_filing_pass(trace, *interpreter, disk);
    trace.flush();
    return 0;
}
