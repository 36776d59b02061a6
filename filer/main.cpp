// brasko: files the sent photometer and wet-sensor files into the archive
// tree under the base directory. Takes no arguments; always ends with
// status 0.
#include "common/site/program.h"
#include "filer/filing_pass.h"

int main() {
    return site::run_program([](site::Trace& trace, site::CommandInterpreter& interpreter, site::FileSystem& fs,
                                site::Host&) { site::run_filing_pass(trace, interpreter, fs); });
}
