// Runs one of the built programs as a site's scheduled task would: in a
// working directory, with a given environment, its trace captured.
//
// Which build runs is set from the environment, so that the same cases run
// against the native programs and the Windows programs under Wine:
//   SITE_TEST_TOLVIK, SITE_TEST_BRASKO,
//   SITE_TEST_SITECHECK                 the executables (default: this build's)
//   SITE_TEST_LAUNCHER                  a program to run them with ("wine")
//   SITE_TEST_WINDOWS_PATHS=1           the programs see Z:\... paths
//   SITE_TEST_PROGRAM_FILES             the directory behind the programs'
//                                       Program Files (under Wine, the prefix's
//                                       drive_c/Program Files (x86))
//   SITE_TEST_INTERPRETER=cmd           the programs hand their commands to
//                                       the Windows command interpreter
// A suite may give them, with WINEPREFIX and WINEDEBUG, in a file of
// NAME=VALUE lines named by SITE_TEST_SETTINGS.
#pragma once

#include <chrono>
#include <string>
#include <utility>
#include <vector>

namespace testing_site {

struct ProgramRun {
    std::string output;      // standard output
    std::string errors;      // standard error (also passed on to the test's)
    int status = -1;         // exit status, or -1 when it did not exit normally
    bool killed = false;     // killed before it ended
    bool timed_out = false;  // still running at the time-out, and killed then
    double seconds = 0;      // from its start to its end
    int calls = 0;           // with count_calls: the calls made of the one counted most often
};

enum class Program { Stamper, Filer, SiteCheck };

struct RunConditions {
    // When the tests run as root, run the program as the user nobody, so
    // that permissions apply to it.
    bool unprivileged = false;
    // A limit on the size of the files it writes (0: none); writes past it
    // fail as on a full disk.
    long file_size_limit = 0;
    // Kill the program with SIGKILL this many microseconds after its start,
    // if it is still running then (0: never).
    long kill_after_us = 0;
    // A program still running after this is taken to hang, and killed.
    int timeout_seconds = 120;
    // Its command-line arguments.
    std::vector<std::string> arguments{};
    // Run the program under strace and kill it with SIGKILL as it makes
    // its `kill_at_call`-th call of one of the system calls `calls` (names
    // joined by commas), before that call does anything (0: never); or,
    // with `count_calls`, count how many of them it makes. A kill placed
    // by what the run has done lands at the same point of the work on a
    // quick or a busy machine.
    int kill_at_call = 0;
    bool count_calls = false;
    std::string calls{};
};

// A program started in `workdir` with the given environment, its trace
// written to a file.
class RunningProgram {
public:
    RunningProgram(Program program, const std::string& workdir,
                   const std::vector<std::pair<std::string, std::string>>& environment = {},
                   const RunConditions& conditions = {});
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    // Waits for its end (or kills it as the conditions say) and collects
    // its trace.
    ProgramRun finish();

private:
    RunConditions conditions_;
    std::chrono::steady_clock::time_point started_;
    std::string output_path_;
    std::string errors_path_;
    std::string calls_path_;  // strace's list of the calls counted
    int pid_ = -1;
};

// Runs a program to its end. A Windows program that Wine could not start
// (its client lost the Wine server before the program ran) is started once
// more: that is the test machine's fault, not the program's.
ProgramRun run_program(Program program, const std::string& workdir,
                       const std::vector<std::pair<std::string, std::string>>& environment = {},
                       const RunConditions& conditions = {});

// How the programs under test name a path of this machine: unchanged for a
// native build, Z:\... under Wine.
std::string program_path(const std::string& path);

// The separator the programs under test join paths with.
char program_separator();

// A setting of the suite (see above), or `fallback` when it is not set.
std::string suite_setting(const char* name, const char* fallback = "");

// Whether the programs under test are the Windows build.
bool testing_windows_build();

}  // namespace testing_site
