// A command for the command interpreter, as a structured value.
//
// The passes build commands from paths and names; the interpreter runs the
// structure, never a re-parsed text. rendered() gives the command line that
// the trace shows and that the Windows command interpreter would receive.
#pragma once

#include <string>
#include <string_view>

namespace site {

enum class CommandKind {
    ListBare,  // dir /B <source> > <target>
    Rename,    // rename <source> <target>   (target: a bare new name)
    Move,      // move <source> <target>     (source: a file or a pattern)
    Dir,       // dir
    Echo,      // echo <text> [> <target>], echo/ for an empty line
};

struct Command {
    CommandKind kind = CommandKind::Dir;
    std::string source;
    std::string target;
    std::string text;
    // ListBare, Move: the last component of `source` is a wildcard pattern.
    bool wildcard = false;

    // Lists the entries of a directory into a file, one bare name a line.
    static Command list_directory(std::string directory, std::string listing_file);
    // Lists the entries that match the pattern ending `pattern_path`.
    static Command list_matching(std::string pattern_path, std::string listing_file);
    static Command rename(std::string path, std::string new_name);
    // Moves one file to a full path (or into a directory).
    static Command move(std::string from, std::string to);
    // Moves every file that matches the pattern ending `pattern_path` into
    // the directory `to`.
    static Command move_matching(std::string pattern_path, std::string to);
    static Command dir();
    // `text` empty prints an empty line ("echo/"); `into` redirects.
    static Command echo(std::string text, std::string into = "");

    // The command line. Operands that hold a space or a character special to
    // the Windows command interpreter are put in double quotes, so that no
    // name can split the command or start another.
    std::string rendered() const;
};

// An operand as it stands in a rendered command line.
std::string quoted_operand(std::string_view operand);

}  // namespace site
