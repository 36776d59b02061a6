#include "common/interpreter/system_interpreter.h"

#include "common/platform/platform.h"

#include <cstdio>
#include <cstdlib>

#include "common/fs/paths.h"
#include "common/interpreter/matching.h"

namespace site {

namespace {

constexpr const char* kNotStarted = "The command interpreter could not be started for: ";
constexpr int kStartAttempts = 3;
constexpr unsigned kStartRetryMilliseconds = 200;

std::string guarded_move(const std::string& from, const std::string& to) {
    return "echo N| move /-Y " + quoted_operand(from) + " " + quoted_operand(to);
}

}  // namespace

std::vector<std::string> system_command_lines(const Command& command, DirectoryCache& cache) {
    if (command.kind != CommandKind::Move) return {command.rendered()};
    if (!command.wildcard) return {guarded_move(command.source, command.target)};
    const Matches matches = entries_named_by(command, true, cache);
    // Nothing to move: the interpreter says so itself.
    if (matches.names.empty()) return {guarded_move(command.source, command.target)};
    std::vector<std::string> lines;
    for (const std::string& name : matches.names)
        lines.push_back(guarded_move(join_path(matches.directory, name), join_path(command.target, name)));
    return lines;
}

CommandResult SystemInterpreter::run(const Command& command) {
    // The child starts in the process's current directory: it is set to
    // this interpreter's, so that "dir" and relative paths mean the same as
    // with the built-in interpreter.
    site::change_directory(current_directory());
    for (const std::string& line : system_command_lines(with_whole_paths(command), cache_)) run_line(line);
    CommandResult unknown;
    unknown.known = false;
    return unknown;
}

void SystemInterpreter::run_line(const std::string& line) {
    console_.flush();
    std::fflush(nullptr);
    for (int attempt = 1; attempt <= kStartAttempts; ++attempt) {
        if (start_(line.c_str()) != -1) return;
        if (attempt < kStartAttempts) sleep_milliseconds(kStartRetryMilliseconds);
    }
    // The interpreter says why a command failed; only a start that failed
    // would otherwise go unseen.
    console_ << kNotStarted << line << "\n";
}

}  // namespace site
