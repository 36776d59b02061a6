// tolvik: gives every photometer data file in the to-send directory its
// self-describing name. Takes no arguments; always ends with status 0.
#include "common/site/program.h"
#include "stamper/stamping_pass.h"

int main() { return site::run_program(site::run_stamping_pass); }
