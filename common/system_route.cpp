// This build hands its commands to the Windows command interpreter.
#include "system_interpreter.h"

namespace site {

std::unique_ptr<CommandInterpreter> make_interpreter(Trace& console, FileSystem& fs,
                                                     const std::string& current_directory) {
    return std::make_unique<SystemInterpreter>(console, fs, current_directory);
}

}  // namespace site
