// This build runs its commands with the built-in interpreter.
#include "interpreter.h"

namespace site {

std::unique_ptr<CommandInterpreter> make_interpreter(Trace& console) {
    return std::make_unique<BuiltinInterpreter>(console);
}

}  // namespace site
