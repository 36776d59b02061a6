// Why a file would stay where it is, as the dry run hears it from the
// passes: a stable code for monitoring beside the programs' own words.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "common/site/run_observer.h"

namespace site {

struct StayReason {
    std::string code;     // stable, for monitoring: "target-exists", "no-photometer-number", ...
    std::string program;  // "tolvik", "brasko", or "sitecheck" for what the dry run itself finds
    std::string text;     // the program's own words
};

// The code of each refusal, of each name a listing left out and of each
// move that left a file where it was.
const char* refusal_code(Refusal refusal);
const char* left_out_code(LeftOut why);
const char* move_code(MoveOutcome outcome);

// The codes the dry run gives of its own.
extern const char* const kUnspellableName;
extern const char* const kDeviceName;
extern const char* const kProgramStopped;
extern const char* const kSentHoldsName;
extern const char* const kTransferFails;
extern const char* const kAlreadyArchived;
extern const char* const kNotTaken;
extern const char* const kOwnTemporary;
extern const char* const kRecordSetAside;
extern const char* const kMoveRecordBlocks;

// The code of what a run finds at its move record's name.
const char* record_code(RecordFound found);

// Whether a reason says that another file already holds the name.
bool is_collision(const StayReason& reason);

// Listens to one pass and keeps, for each file, why it stayed.
class ReasonsHeard final : public RunObserver {
public:
    explicit ReasonsHeard(std::string program) : program_(std::move(program)) {}

    void refused(const std::string& name, Refusal refusal, const std::string& text) override;
    void ran(const std::string& name, const CommandResult& result) override;
    void found_move_record(RecordFound found) override { record_ = found; }

    RecordFound move_record() const { return record_; }

    // Why the pass left the file `name` where it was: the pass's own
    // refusals while it handled that listed name, then what the last
    // command that tried to move the file said; empty when the pass said
    // nothing of it. Each pass moves files out of one directory, so a name
    // tells which file a command moved. A run that its move record stops
    // leaves every file for that reason.
    std::vector<StayReason> of(const std::string& name) const;

private:
    // Keeps what came of moving `file` under `key`, while it stays.
    void note(const std::string& key, const FileOutcome& file);

    std::string program_;
    RecordFound record_ = RecordFound::Nothing;
    std::map<std::string, std::vector<StayReason>> refusals_;  // by listed name
    // Names too long for the listing, by their first part.
    std::vector<std::pair<std::string, StayReason>> cut_names_;
    std::map<std::string, StayReason> last_outcome_;  // by name key, while the file stays
};

}  // namespace site
