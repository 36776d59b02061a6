// What sitecheck is asked to do, from its command line.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace site {

struct CheckOptions {
    bool archive = false;  // the audit of the archive instead of the dry run
    bool json = false;
    bool trace = false;  // the two programs' traces too
    bool help = false;
    bool version = false;
    std::string problem;  // an argument not understood
};

CheckOptions parse_check_options(const std::vector<std::string>& arguments);

// Runs sitecheck with its arguments from the current directory, writing to
// `out` and `err`; returns the exit status.
int run_sitecheck(const std::vector<std::string>& arguments, std::FILE* out, std::FILE* err);

}  // namespace site
