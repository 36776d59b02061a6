// This build hands its commands to the Windows command interpreter.
#include "common/interpreter/system_interpreter.h"

namespace site {

std::unique_ptr<CommandInterpreter> make_interpreter(Trace& console, FileSystem& fs, Host& host) {
    return std::make_unique<SystemInterpreter>(console, fs, host.start_directory());
}

}  // namespace site
