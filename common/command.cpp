#include "command.h"

#include <utility>

namespace site {

namespace {

bool needs_quotes(std::string_view operand) {
    if (operand.empty()) return true;
    for (unsigned char c : operand) {
        if (c <= ' ' || c == 0x7F) return true;
        if (std::string_view("&|<>^()%!,;=\"").find(static_cast<char>(c)) != std::string_view::npos)
            return true;
    }
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

Command Command::list_directory(std::string directory, std::string listing_file) {
    Command c;
    c.kind = CommandKind::ListBare;
    c.source = std::move(directory);
    c.target = std::move(listing_file);
    return c;
}

Command Command::list_matching(std::string pattern_path, std::string listing_file) {
    Command c = list_directory(std::move(pattern_path), std::move(listing_file));
    c.wildcard = true;
    return c;
}

Command Command::rename(std::string path, std::string new_name) {
    Command c;
    c.kind = CommandKind::Rename;
    c.source = std::move(path);
    c.target = std::move(new_name);
    return c;
}

Command Command::move(std::string from, std::string to) {
    Command c;
    c.kind = CommandKind::Move;
    c.source = std::move(from);
    c.target = std::move(to);
    return c;
}

Command Command::move_matching(std::string pattern_path, std::string to) {
    Command c = move(std::move(pattern_path), std::move(to));
    c.wildcard = true;
    return c;
}

Command Command::dir() { return Command(); }

Command Command::echo(std::string text, std::string into) {
    Command c;
    c.kind = CommandKind::Echo;
    c.text = std::move(text);
    c.target = std::move(into);
    return c;
}

std::string Command::rendered() const {
    switch (kind) {
        case CommandKind::ListBare:
            return "dir /B " + quoted_operand(source) + " > " + quoted_operand(target);
        case CommandKind::Rename:
            return "rename " + quoted_operand(source) + " " + quoted_operand(target);
        case CommandKind::Move:
            return "move " + quoted_operand(source) + " " + quoted_operand(target);
        case CommandKind::Dir:
            return "dir";
        case CommandKind::Echo: {
            std::string line = text.empty() ? "echo/" : "echo " + text;
            if (!target.empty()) line += " > " + quoted_operand(target);
            return line;
        }
    }
    return std::string();
}

}  // namespace site
