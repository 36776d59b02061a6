// This build hands its commands to the Windows command interpreter.
#include "system_interpreter.h"

namespace site {

std::unique_ptr<CommandInterpreter> make_interpreter(Trace& console) {
    return std::make_unique<SystemInterpreter>(console);
}

}  // namespace site
