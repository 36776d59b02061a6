// sitecheck: a dry run of tolvik, the transfer and brasko on the site of the
// current directory. Changes nothing on the disk; its exit status gives a
// monitoring system the verdict.
#include <cstdio>
#include <string>
#include <vector>

#include "sitecheck/command_line.h"

int main(int argc, char** argv) {
    return site::run_sitecheck(std::vector<std::string>(argv + 1, argv + argc), stdout, stderr);
}
