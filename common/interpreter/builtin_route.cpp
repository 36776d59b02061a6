// This build runs its commands with the built-in interpreter.
#include "common/interpreter/interpreter.h"

namespace site {

std::unique_ptr<CommandInterpreter> make_interpreter(Trace& console, FileSystem& fs, Host& host) {
    return std::make_unique<BuiltinInterpreter>(console, fs, host.start_directory(), host);
}

}  // namespace site
