// The command interpreter route of the Windows build: each command goes,
// as text, to the Windows command interpreter through system().
#pragma once

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "common/interpreter/interpreter.h"

namespace site {

// Hands every command line to system() and waits for it, the trace flushed
// first so that the interpreter's output follows it on the console. The
// Windows interpreter runs in this one's current directory.
class SystemInterpreter final : public CommandInterpreter {
public:
    // Starts the interpreter on one command line, as system() does: -1 when
    // it could not be started.
    using Starter = std::function<int(const char*)>;

    SystemInterpreter(Trace& console, FileSystem& fs, std::string current_directory, Starter start = std::system)
        : CommandInterpreter(fs, std::move(current_directory)),
          console_(console),
          cache_(fs),
          start_(std::move(start)) {}
    // The result says only that the outcome is not known here.
    CommandResult run(const Command& command) override;

private:
    // Runs one line; a start that fails (the system short of resources for
    // a moment) is tried again, since the command has not run.
    void run_line(const std::string& line);

    Trace& console_;
    DirectoryCache cache_;
    Starter start_;
};

// The command lines handed to the interpreter for one command: its rendered
// text, except for a move. The interpreter's move may replace a file, and
// when it asks first, an answer read from an empty input makes some
// interpreters ask forever; so a move goes one file at a time as
// "echo N| move /-Y <file> <target>": at most one question, answered no.
std::vector<std::string> system_command_lines(const Command& command, DirectoryCache& cache);

}  // namespace site
