// The machine the program runs on, through the platform layer.
#include <ctime>

#include "common/host/host.h"
#include "common/platform/platform.h"

namespace site {

namespace {

class SystemHost final : public Host {
public:
    std::time_t now() override { return std::time(nullptr); }
    std::optional<std::tm> local_time_of(std::time_t when) override { return site::local_time_of(when); }
    std::optional<std::string> environment_variable(const std::string& name) override {
        return site::environment_variable(name);
    }
    std::string program_files_directory() override { return site::program_files_directory(); }
    std::string start_directory() override { return site::current_directory(); }
};

}  // namespace

Host& system_host() {
    static SystemHost host;
    return host;
}

}  // namespace site
