// tolvik: gives every photometer data file in the to-send directory its
// self-describing name. Takes no arguments; always ends with status 0.
#include "common/site/program.h"
#include "stamper/stamping_pass.h"

int main() {
    return site::run_program([](site::Trace& trace, site::CommandInterpreter& interpreter, site::FileSystem& fs,
                                site::Host& host) { site::run_stamping_pass(trace, interpreter, fs, host); });
}
