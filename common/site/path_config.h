// The path configuration that both programs read first: the base, to-send
// and sent directories, from "path_autok7.txt" in the directory the program
// was started in, over each program's built-in defaults.
#pragma once

#include <optional>
#include <string>

#include "common/base/trace.h"
#include "common/fs/file_system.h"
#include "common/text/text_reader.h"

namespace site {

struct PathConfig {
    std::string base;
    std::string to_send;
    std::string sent;
};

// The name of the configuration file, looked up in the start directory.
extern const char* const kPathConfigFile;

// Reads the configuration over `defaults`. Line n feeds slot n; a line
// holding "::" gives what follows its first "::"; a line read without a
// newline (the last line of a file that lacks one, or a piece of a line
// longer than 199 characters) prints "\npos zero" and is used all the same.
// A missing file gives one trace line and the defaults.
PathConfig read_path_config(FileSystem& fs, const std::string& start_directory, const PathConfig& defaults,
                            Trace& trace);

// The same over an open reader, for files that are already in memory.
PathConfig read_path_config(const PathConfig& defaults, TextReader& file, Trace& trace);

// Which directories a program works in: the base directory, and the to-send
// or the sent directory.
enum class WorkDirectory { ToSend, Sent };

// A directory that the configuration leaves empty.
enum class EmptyPath { Base, ToSend, Sent };

// The configuration as a pass works with it: each directory made absolute
// against the directory the program was started in, once, so that a
// relative path means the same wherever the pass goes. No paths, and the
// directory that is empty, when the configuration leaves one that the
// program works in empty: there is no place to work in, and nothing is done.
struct WorkingPaths {
    std::optional<PathConfig> paths;
    std::optional<EmptyPath> empty;
};
WorkingPaths working_paths(const PathConfig& read, WorkDirectory work, const std::string& start_directory);

// The trace line of a run that an empty directory stops, without the line
// breaks around it.
std::string empty_path_line(EmptyPath empty);

}  // namespace site
