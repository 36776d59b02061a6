#include "common/interpreter/command.h"

#include <utility>

namespace site {

namespace {

// A blank, a control character, or one that the Windows interpreter reads
// as more than a character of a name.
bool needs_quoting(unsigned char c) {
    switch (c) {
        case '&':
        case '|':
        case '<':
        case '>':
        case '^':
        case '(':
        case ')':
        case '%':
        case '!':
        case ',':
        case ';':
        case '=':
        case '"':
        case 0x7F: return true;
        default: return c <= ' ';
    }
}

bool needs_quotes(std::string_view operand) {
    if (operand.empty()) return true;
    for (unsigned char c : operand)
        if (needs_quoting(c)) return true;
    return false;
}

}  // namespace

std::string quoted_operand(std::string_view operand) {
    if (!needs_quotes(operand)) return std::string(operand);
    std::string quoted = "\"";
    quoted.append(operand);
    quoted.push_back('"');
    return quoted;
}

namespace {

Command make_command(CommandKind kind, std::string source, std::string target, bool wildcard = false) {
    Command c;
    c.kind = kind;
    c.source = std::move(source);
    c.target = std::move(target);
    c.wildcard = wildcard;
    return c;
}

}  // namespace

Command Command::list_directory(std::string directory, std::string listing_file) {
    return make_command(CommandKind::ListBare, std::move(directory), std::move(listing_file));
}

Command Command::list_matching(std::string pattern_path, std::string listing_file) {
    return make_command(CommandKind::ListBare, std::move(pattern_path), std::move(listing_file), true);
}

Command Command::rename(std::string path, std::string new_name) {
    return make_command(CommandKind::Rename, std::move(path), std::move(new_name));
}

Command Command::move(std::string from, std::string to) {
    return make_command(CommandKind::Move, std::move(from), std::move(to));
}

Command Command::move_matching(std::string pattern_path, std::string to) {
    return make_command(CommandKind::Move, std::move(pattern_path), std::move(to), true);
}

Command Command::dir() { return make_command(CommandKind::Dir, "", ""); }

Command Command::echo(std::string text, std::string into) {
    Command c = make_command(CommandKind::Echo, "", std::move(into));
    c.text = std::move(text);
    return c;
}

std::string Command::rendered() const {
    switch (kind) {
        case CommandKind::ListBare: return "dir /B " + quoted_operand(source) + " > " + quoted_operand(target);
        case CommandKind::Rename: return "rename " + quoted_operand(source) + " " + quoted_operand(target);
        case CommandKind::Move: return "move " + quoted_operand(source) + " " + quoted_operand(target);
        case CommandKind::Dir: return "dir";
        case CommandKind::Echo: {
            std::string line = text.empty() ? "echo/" : "echo " + text;
            if (!target.empty()) line += " > " + quoted_operand(target);
            return line;
        }
    }
    return std::string();
}

}  // namespace site
