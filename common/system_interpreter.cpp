#include "system_interpreter.h"

#include <cstdio>
#include <cstdlib>

#include "matching.h"
#include "paths.h"

namespace site {

namespace {

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
        lines.push_back(guarded_move(path_in(matches.directory, name), join_path(command.target, name)));
    return lines;
}

void SystemInterpreter::run(const Command& command) {
    for (const std::string& line : system_command_lines(command, cache_)) {
        console_.flush();
        std::fflush(nullptr);
        std::system(line.c_str());
    }
}

}  // namespace site
