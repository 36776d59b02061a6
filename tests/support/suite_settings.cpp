// The suite settings of program_runner.h, which the in-process tests read
// too.
#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "tests/support/program_runner.h"
#include "tests/support/test_platform.h"
#include "tools/sample_site.h"

namespace testing_site {

namespace {

// A suite's settings come in a file named by SITE_TEST_SETTINGS, one
// NAME=VALUE a line; they are put into this process's environment once, so
// that the programs started from it inherit them too.
void load_suite_settings() {
    static const bool loaded = [] {
        const char* file = std::getenv("SITE_TEST_SETTINGS");
        if (file == nullptr || *file == '\0') return true;
        std::ifstream settings(file);
        if (!settings) throw std::runtime_error(std::string("cannot read the suite settings ") + file);
        for (std::string line; std::getline(settings, line);) {
            const size_t equals = line.find('=');
            if (equals != std::string::npos) set_environment(line.substr(0, equals), line.substr(equals + 1));
        }
        return true;
    }();
    (void)loaded;
}

}  // namespace

std::string suite_setting(const char* name, const char* fallback) {
    load_suite_settings();
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

bool testing_windows_build() { return suite_setting("SITE_TEST_WINDOWS_PATHS", "0") == "1"; }

std::string program_path(const std::string& path) {
    return testing_windows_build() ? sample::as_windows_path(path) : path;
}

char program_separator() { return testing_windows_build() ? '\\' : '/'; }

}  // namespace testing_site
