#include "tests/support/program_runner.h"

#include <fcntl.h>
#include <sys/inotify.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cstdint>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
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

// Watches `directory` for files that leave it, or that are made there.
int watch_progress(const std::string& directory, RunConditions::Progress progress) {
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watch < 0) throw std::runtime_error("cannot watch " + directory);
    const std::uint32_t events = progress == RunConditions::Progress::FilesMade ? IN_CREATE : IN_MOVED_FROM | IN_DELETE;
    if (::inotify_add_watch(watch, directory.c_str(), events) < 0) {
        ::close(watch);
        throw std::runtime_error("cannot watch " + directory);
    }
    return watch;
}

// The files (no temporaries: names led by a dot) that the events waiting
// on `watch` saw.
int files_seen(int watch) {
    alignas(inotify_event) char buffer[64 * 1024];
    int files = 0;
    for (;;) {
        const ssize_t got = ::read(watch, buffer, sizeof buffer);
        if (got <= 0) return files;
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if (event->len > 0 && event->name[0] != '.' && !(event->mask & IN_ISDIR)) ++files;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
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
    // Watched before the program starts, so that no file it moves is missed.
    if (conditions.kill_after_files > 0)
        progress_watch_ = watch_progress(conditions.progress_directory, conditions.progress);
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
        // A program to be killed by its progress yields to the watch on a
        // busy machine, so that the kill comes soon after the files seen.
        if (conditions.kill_after_files > 0 && ::nice(10) == -1) ::_exit(124);
        if (::chdir(workdir.c_str()) != 0) ::_exit(126);
        for (const auto& [name, value] : environment) ::setenv(name.c_str(), value.c_str(), 1);
        std::vector<std::string> words;
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
    if (progress_watch_ >= 0) ::close(progress_watch_);
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
        if (progress_watch_ >= 0) run.files_seen += files_seen(progress_watch_);
        const bool far_enough = progress_watch_ >= 0 && run.files_seen >= conditions_.kill_after_files;
        if (run.timed_out || far_enough || (conditions_.kill_after_us > 0 && now >= kill_at)) {
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
