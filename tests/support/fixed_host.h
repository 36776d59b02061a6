// A machine of a test's own for the passes and the built-in interpreter:
// local time is UTC, the clock stands still, and the environment and the
// Program Files folder are the test's, so that no test changes the
// process's environment.
#pragma once

#include <ctime>
#include <map>
#include <optional>
#include <string>

#include "common/base/ascii.h"
#include "common/host/host.h"

namespace testing_site {

class FixedHost final : public site::Host {
public:
    explicit FixedHost(std::string program_files = std::string()) : program_files(std::move(program_files)) {}

    std::time_t clock = 1425219600;  // Sun Mar  1 14:20:00 2015 UTC
    std::string program_files;
    std::string start = ".";                         // where the program was started
    std::map<std::string, std::string> environment;  // by name in lower case

    std::time_t now() override { return clock; }
    std::optional<std::tm> local_time_of(std::time_t when) override;
    std::optional<std::string> environment_variable(const std::string& name) override {
        const auto found = environment.find(site::lower_ascii(name));
        if (found == environment.end()) return std::nullopt;
        return found->second;
    }
    std::string program_files_directory() override { return program_files; }
    std::string start_directory() override { return start; }
};

}  // namespace testing_site
