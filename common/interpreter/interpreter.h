// The command interpreter that the passes hand their commands to.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "common/base/trace.h"
#include "common/fs/file_system.h"
#include "common/host/host.h"
#include "common/interpreter/command.h"
#include "common/interpreter/directory_cache.h"

namespace site {

// Why a listing left a name out: the programs could not take it.
enum class LeftOut {
    Unspellable,      // a character this system's code page cannot spell
    DeviceName,       // a name Windows keeps for a device
    NotAWindowsName,  // any other name Windows cannot hold (a trailing space or dot, a forbidden character)
};

// A name a listing left out, and what the interpreter printed about it.
struct ListedOut {
    std::string name;
    LeftOut why = LeftOut::NotAWindowsName;
    std::string said;
};

// What a command did to one file it named.
struct FileOutcome {
    std::string path;                           // the file, as a whole path
    MoveOutcome outcome = MoveOutcome::Failed;  // Moved or Completed when it went; otherwise why not
    std::string said;                           // what the interpreter printed about it, as one line
};

// What came of one command, for the code to act on; the console shows the
// same in the Windows interpreter's words.
struct CommandResult {
    // False when the command went to another program, whose outcome for
    // each file this one cannot see.
    bool known = true;
    std::vector<FileOutcome> files;   // the files it moved or tried to move
    std::vector<ListedOut> left_out;  // the names a listing left out
};

class CommandInterpreter {
public:
    virtual ~CommandInterpreter() = default;
    // Runs one command to completion, its messages on the console; returns
    // what it did to each file it moved or renamed.
    virtual CommandResult run(const Command& command) = 0;
    // Records each move that is not a single rename in the file `journal`
    // while it runs, after finishing or undoing one that an interrupted run
    // left recorded there, within `areas` only; what it found
    // there. When it is not usable, the pass moves nothing. An interpreter
    // that hands its moves to another program keeps no such record.
    virtual JournalRecovery keep_move_journal(const std::string& journal, const std::vector<MoveArea>& areas) {
        (void)journal;
        (void)areas;
        return JournalRecovery();
    }

    // The directory that "dir" lists and that a relative path in a command
    // starts from. It is this interpreter's own: the process's current
    // directory is never changed for it.
    const std::string& current_directory();
    // Makes `path` (whole, or relative to the current directory) the
    // current directory; false, and nothing changed, when it does not lead
    // to a directory.
    bool change_directory(const std::string& path);
    // Does what change_directory does, for a caller that does not ask
    // whether it could: the look at `path` waits until the current
    // directory is next needed. A directory entered from it next is looked
    // at through it, in one look that answers for both.
    void return_to(const std::string& path);

protected:
    CommandInterpreter(FileSystem& fs, std::string current_directory)
        : fs_(fs), current_(std::move(current_directory)) {}
    // `path` as a whole path: relative ones start from the current directory.
    std::string whole(const std::string& path);
    // The command with each of its paths whole (a rename's new name is a
    // name, not a path).
    Command with_whole_paths(Command command);
    // The whole path of the directory that the last change of directory
    // entered, when no command that changes anything has run since; empty
    // otherwise. A command need not look at it again.
    const std::string& last_entered() const { return entered_; }
    // As a command that may change things starts.
    void forget_entered() { entered_.clear(); }

    FileSystem& fs_;

private:
    // Enters the directory that return_to named, if it can be entered.
    void settle_return();
    // Makes the directory at the whole path `path` the current one.
    bool enter(const std::string& path);

    std::string current_;
    std::string returning_to_;  // a whole path; empty when no return waits
    std::string entered_;       // the whole path that the last look entered
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
    CommandResult run(const Command& command) override;
    JournalRecovery keep_move_journal(const std::string& journal, const std::vector<MoveArea>& areas) override;

private:
    void list_bare(const Command& command);
    // A name the listing cannot hold: said, and kept in the result.
    void leave_out(const std::string& name);
    void rename(const Command& command);
    void move_one(const Command& command);
    // Moves a single file to the command's target, or into it when it is a
    // directory; `destination` is where it was to go.
    MoveOutcome move_to_destination(const Command& command, std::string& destination);
    void move_matching(const Command& command);
    void dir();
    void echo(const Command& command);
    // Says on the console and in the result what came of moving the file
    // at `path`; true when it went.
    bool report_move(const std::string& path, MoveOutcome outcome);
    // Writes a file whole, or says why it could not.
    bool write_whole(const std::string& path, const std::string& content);

    // Whether `path` is the directory that the change of directory just
    // before the running command entered.
    bool just_entered(const std::string& path) const { return !entered_before_.empty() && path == entered_before_; }
    // Whether `path` is a directory; not asked again of the one just entered.
    bool is_directory_here(const std::string& path) { return just_entered(path) || is_directory(fs_, path); }
    // Records one file this interpreter moved or renamed.
    void moved_one(const std::string& from, const std::string& to);

    Trace& console_;
    Host& host_;
    DirectoryCache cache_;
    CommandResult result_;  // of the command running
    // What the change of directory just before the running command
    // entered, as a whole path; empty when there was none.
    std::string entered_before_;
};

// The interpreter this build uses, over `fs`, starting in the directory
// the program was started in on `host`.
// Why a run moves nothing because of what stands at its move record's name,
// in the interpreter's words; nothing when it may move.
const char* record_blocks_because(RecordFound found);

std::unique_ptr<CommandInterpreter> make_interpreter(Trace& console, FileSystem& fs, Host& host);

}  // namespace site
