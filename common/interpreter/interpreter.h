// The command interpreter that the passes hand their commands to.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "common/interpreter/command.h"
#include "common/interpreter/directory_cache.h"
#include "common/fs/file_system.h"
#include "common/host/host.h"
#include "common/base/trace.h"

namespace site {

class CommandInterpreter {
public:
    virtual ~CommandInterpreter() = default;
    // Runs one command to completion. Its outcome is reported on the console
    // only: the passes never examine it.
    virtual void run(const Command& command) = 0;
    // Records each move that is not a single rename in the file `journal`
    // while it runs, after finishing or undoing one that an interrupted run
    // left recorded there, within `site_directories` only. False when no
    // record can be kept there: the pass then moves nothing. An interpreter
    // that hands its moves to another program keeps no such record.
    virtual bool keep_move_journal(const std::string& journal, const std::vector<std::string>& site_directories) {
        (void)journal;
        (void)site_directories;
        return true;
    }

    // The directory that "dir" lists and that a relative path in a command
    // starts from. It is this interpreter's own: the process's current
    // directory is never changed for it.
    const std::string& current_directory() const { return current_; }
    // Makes `path` (whole, or relative to the current directory) the
    // current directory; false, and nothing changed, when it does not lead
    // to a directory.
    bool change_directory(const std::string& path);

protected:
    CommandInterpreter(FileSystem& fs, std::string current_directory)
        : fs_(fs), current_(std::move(current_directory)) {}
    // `path` as a whole path: relative ones start from the current directory.
    std::string whole(const std::string& path) const;
    // The command with each of its paths whole (a rename's new name is a
    // name, not a path).
    Command with_whole_paths(Command command) const;

    FileSystem& fs_;

private:
    std::string current_;
};

// Runs the five commands itself, with no child process and no shell, and
// writes its messages to the same console as the trace. Wherever the
// Windows command interpreter could replace a file, this one refuses and
// says so.
class BuiltinInterpreter final : public CommandInterpreter {
public:
    // `host` gives the environment that "echo" expands and the local time
    // that "dir" shows.
    BuiltinInterpreter(Trace& console, FileSystem& fs, std::string current_directory, Host& host = system_host())
        : CommandInterpreter(fs, std::move(current_directory)), console_(console), host_(host), cache_(fs) {}
    void run(const Command& command) override;
    bool keep_move_journal(const std::string& journal, const std::vector<std::string>& site_directories) override;

private:
    void list_bare(const Command& command);
    void rename(const Command& command);
    void move_one(const Command& command);
    void move_matching(const Command& command);
    void dir();
    void echo(const Command& command);
    // Says why one file was not moved; true when it was moved after all.
    bool report_move(MoveOutcome outcome);
    // Writes a file whole, or says why it could not.
    bool write_whole(const std::string& path, const std::string& content);

    // Records a move this interpreter made.
    void moved(const std::string& from, const std::string& to);

    Trace& console_;
    Host& host_;
    DirectoryCache cache_;
};

// The interpreter this build uses, over `fs`, starting in the directory
// the program was started in on `host`.
std::unique_ptr<CommandInterpreter> make_interpreter(Trace& console, FileSystem& fs, Host& host);

}  // namespace site
