#include "tests/support/program_runner.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <stdexcept>

#include "tests/support/temp_site.h"

namespace testing_site {

namespace {

bool is_windows_executable(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    char magic[2] = {0, 0};
    file.read(magic, 2);
    return path.size() > 4 && path.compare(path.size() - 4, 4, ".exe") == 0 && magic[0] == 'M' && magic[1] == 'Z';
}

// A suite that tests a Windows build runs nothing but its .exe under Wine;
// anything else would pass for a Windows result while testing another build.
void check_program_matches_suite(const std::string& exe, const std::string& launcher) {
    const bool windows = testing_windows_build();
    if (windows && (launcher != "wine" || !is_windows_executable(exe)))
        throw std::runtime_error("a Windows suite would run '" + launcher + " " + exe + "', not a .exe under wine");
    if (!windows && is_windows_executable(exe))
        throw std::runtime_error("a native suite would run the Windows program " + exe);
    static bool shown = false;
    if (!shown)
        std::fprintf(stderr, "[ program ] %s%s%s\n", launcher.c_str(), launcher.empty() ? "" : " ", exe.c_str());
    shown = true;
}

std::string executable(Program program) {
    switch (program) {
        case Program::Stamper: return suite_setting("SITE_TEST_TOLVIK", SITE_TOLVIK_PATH);
        case Program::Filer: return suite_setting("SITE_TEST_BRASKO", SITE_BRASKO_PATH);
        case Program::SiteCheck: break;
    }
    return suite_setting("SITE_TEST_SITECHECK", SITE_SITECHECK_PATH);
}

// The words that run a program under strace, to kill it at a call or to
// count calls, as `conditions` say; none when they ask for neither.
// (strace's seccomp filter is not used: with it, the kill is not made.)
std::vector<std::string> tracer_words(const RunConditions& conditions, const std::string& calls_path) {
    if (conditions.kill_at_call <= 0 && !conditions.count_calls) return {};
    std::vector<std::string> words = {"strace", "-f", "-qq", "-e", "trace=" + conditions.calls, "-o"};
    words.push_back(conditions.count_calls ? calls_path : "/dev/null");
    if (conditions.kill_at_call > 0)
        words.insert(words.end(), {"-e", "inject=" + conditions.calls +
                                             ":signal=SIGKILL:when=" + std::to_string(conditions.kill_at_call)});
    return words;
}

// The calls in strace's list (a line per call, "<pid> <name>(..."), of the
// name made most often: strace counts each system call on its own when it
// places a kill at the n-th (on exFAT every rename is a refused renameat2
// and then a rename).
int calls_listed(const std::string& listing) {
    std::map<std::string, int> calls;
    for (std::size_t start = 0; start < listing.size();) {
        const std::size_t end = std::min(listing.find('\n', start), listing.size());
        const std::size_t name = listing.find(' ', start), open = listing.find('(', name);
        if (name < end && open < end && listing.compare(name + 1, 3, "+++") != 0 &&
            listing.compare(name + 1, 3, "---") != 0)
            ++calls[listing.substr(name + 1, open - name - 1)];
        start = end + 1;
    }
    int most = 0;
    for (const auto& [call, count] : calls) most = std::max(most, count);
    return most;
}

// A sanitized build's leak check cannot work under a tracer and fails the
// run at its exit; leaks are looked for in the runs that are not traced.
void without_leak_check() {
    const char* options = std::getenv("ASAN_OPTIONS");
    const std::string before = options == nullptr ? "" : std::string(options) + ":";
    ::setenv("ASAN_OPTIONS", (before + "detect_leaks=0").c_str(), 1);
}

}  // namespace

RunningProgram::RunningProgram(Program program, const std::string& workdir,
                               const std::vector<std::pair<std::string, std::string>>& environment,
                               const RunConditions& conditions)
    : conditions_(conditions), started_(std::chrono::steady_clock::now()) {
    char output_template[] = "/tmp/site-trace-XXXXXX";
    const int output = ::mkstemp(output_template);
    if (output < 0) throw std::runtime_error("cannot create a trace file");
    output_path_ = output_template;
    char errors_template[] = "/tmp/site-errors-XXXXXX";
    const int errors = ::mkstemp(errors_template);
    if (errors < 0) throw std::runtime_error("cannot create an error file");
    errors_path_ = errors_template;
    const std::string exe = executable(program);
    const std::string launcher = suite_setting("SITE_TEST_LAUNCHER", "");
    check_program_matches_suite(exe, launcher);
    if (conditions.count_calls) {
        char calls_template[] = "/tmp/site-calls-XXXXXX";
        const int calls = ::mkstemp(calls_template);
        if (calls < 0) throw std::runtime_error("cannot create a list of calls");
        ::close(calls);
        calls_path_ = calls_template;
    }
    const std::vector<std::string> tracer = tracer_words(conditions, calls_path_);
    pid_ = ::fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        // The trace goes to a file, as a scheduled task's log: the program
        // never waits for a reader.
        ::dup2(output, 1);
        ::close(output);
        ::dup2(errors, 2);
        ::close(errors);
        const int nothing = ::open("/dev/null", O_RDONLY);
        ::dup2(nothing, 0);
        constexpr uid_t kNobody = 65534;
        if (conditions.unprivileged && ::geteuid() == 0 && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
            ::_exit(125);
        if (conditions.file_size_limit > 0) {
            const rlimit limit = {static_cast<rlim_t>(conditions.file_size_limit),
                                  static_cast<rlim_t>(conditions.file_size_limit)};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            ::signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead
        }
        if (::chdir(workdir.c_str()) != 0) ::_exit(126);
        for (const auto& [name, value] : environment) ::setenv(name.c_str(), value.c_str(), 1);
        if (!tracer.empty()) without_leak_check();
        std::vector<std::string> words = tracer;
        if (!launcher.empty()) words.push_back(launcher);
        words.push_back(exe);
        words.insert(words.end(), conditions.arguments.begin(), conditions.arguments.end());
        std::vector<char*> argv;
        for (std::string& word : words) argv.push_back(&word[0]);
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(output);
    ::close(errors);
}

RunningProgram::~RunningProgram() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    if (!calls_path_.empty()) ::unlink(calls_path_.c_str());
    if (!output_path_.empty()) ::unlink(output_path_.c_str());
    if (!errors_path_.empty()) ::unlink(errors_path_.c_str());
}

ProgramRun RunningProgram::finish() {
    using Clock = std::chrono::steady_clock;
    const auto kill_at = started_ + std::chrono::microseconds(conditions_.kill_after_us);
    const auto give_up_at = started_ + std::chrono::seconds(conditions_.timeout_seconds);
    ProgramRun run;
    int status = 0;
    while (::waitpid(pid_, &status, WNOHANG) == 0) {
        const auto now = Clock::now();
        if (now >= give_up_at) run.timed_out = true;
        if (run.timed_out || (conditions_.kill_after_us > 0 && now >= kill_at)) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
            break;
        }
        ::usleep(200);
    }
    pid_ = -1;
    run.seconds = std::chrono::duration<double>(Clock::now() - started_).count();
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    run.output = read_file(output_path_);
    run.errors = read_file(errors_path_);
    if (!calls_path_.empty()) run.calls = calls_listed(read_file(calls_path_));
    std::fputs(run.errors.c_str(), stderr);
    return run;
}

ProgramRun run_program(Program program, const std::string& workdir,
                       const std::vector<std::pair<std::string, std::string>>& environment,
                       const RunConditions& conditions) {
    ProgramRun run = RunningProgram(program, workdir, environment, conditions).finish();
    if (run.status != 0 && run.errors.find("wine client error") != std::string::npos) {
        std::fprintf(stderr, "[ wine ] the program did not start (Wine lost its server): started once more\n");
        run = RunningProgram(program, workdir, environment, conditions).finish();
    }
    return run;
}

}  // namespace testing_site
