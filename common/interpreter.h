// The command interpreter that the passes hand their commands to.
#pragma once

#include <memory>
#include <string>

#include "command.h"
#include "directory_cache.h"
#include "platform.h"
#include "trace.h"

namespace site {

class CommandInterpreter {
public:
    virtual ~CommandInterpreter() = default;
    // Runs one command to completion. Its outcome is reported on the console
    // only: the passes never examine it.
    virtual void run(const Command& command) = 0;
};

// Runs the five commands itself, with no child process and no shell, and
// writes its messages to the same console as the trace. Wherever the
// Windows command interpreter could replace a file, this one refuses and
// says so.
class BuiltinInterpreter final : public CommandInterpreter {
public:
    explicit BuiltinInterpreter(Trace& console) : console_(console) {}
    void run(const Command& command) override;

private:
    void list_bare(const Command& command);
    void rename(const Command& command);
    void move_one(const Command& command);
    void move_matching(const Command& command);
    void dir();
    void echo(const Command& command);
    // Says why one file was not moved; true when it was moved after all.
    bool report_move(MoveOutcome outcome);

    // Records a move this interpreter made.
    void moved(const std::string& from, const std::string& to);

    Trace& console_;
    DirectoryCache cache_;
};

// The interpreter this build uses.
std::unique_ptr<CommandInterpreter> make_interpreter(Trace& console);

// `%NAME%` replaced by the value of the environment variable NAME, names
// matched without regard to case; an unset name stays as written.
std::string expand_environment(const std::string& text);

}  // namespace site
