// This build runs its commands with the built-in interpreter.
#include "interpreter.h"

namespace site {

std::unique_ptr<CommandInterpreter> make_interpreter(Trace& console, FileSystem& fs,
                                                     const std::string& current_directory) {
    return std::make_unique<BuiltinInterpreter>(console, fs, current_directory);
}

}  // namespace site
