// What a pass decides about each file, as values: why a listed file stays
// where it is, and what the commands it ran did. The trace says the same in
// the programs' own words; a dry run or a test listens here instead of
// reading the trace back.
#pragma once

#include <string>

#include "common/interpreter/interpreter.h"

namespace site {

// Why a pass leaves a listed file where it is, before any command runs.
enum class Refusal {
    Unreadable,           // tolvik cannot read the file
    NeitherK7NorK8,       // tolvik: the name does not end in 7 or 8
    K7TooShort,           // tolvik: shorter than a .K7 header
    NoPhotometerNumber,   // tolvik: no parameter file, or one without a Number line
    DateUnreadable,       // tolvik: the file's date is outside what a DOS date holds
    NewNameRefused,       // tolvik: the new name is no name Windows could hold
    NoP,                  // brasko: no 'P' in a photometer file's name
    DirectoryRefused,     // brasko: the name gives no folder the archive may hold
    PatternMissesFile,    // brasko: the photometer's pattern does not take the file
    CannotMakeDirectory,  // brasko: an archive folder cannot be made
    OwnTemporaryName,     // brasko: a name of the programs' own temporary forms, never filed
    ListedNameTooLong,    // either: the name is longer than a line of the listing; its first part is given
};

class RunObserver {
public:
    virtual ~RunObserver() = default;
    // The pass leaves the listed file `name` as it is for `refusal`; `text`
    // is the reason as the trace gives it.
    virtual void refused(const std::string& name, Refusal refusal, const std::string& text) = 0;
    // A command the pass ran while it handled the listed file `name`.
    virtual void ran(const std::string& name, const CommandResult& result) = 0;
    // What the run found at its move record's name before it began.
    virtual void found_move_record(RecordFound found) { (void)found; }
};

// An observer that keeps nothing, for the programs themselves.
RunObserver& no_observer();

}  // namespace site
