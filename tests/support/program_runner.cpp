#include "program_runner.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "sample_site.h"

namespace testing_site {

namespace {

std::string env_or(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

std::string executable(Program program) {
    return program == Program::Stamper ? env_or("SITE_TEST_TOLVIK", SITE_TOLVIK_PATH)
                                       : env_or("SITE_TEST_BRASKO", SITE_BRASKO_PATH);
}

}  // namespace

bool testing_windows_build() { return env_or("SITE_TEST_WINDOWS_PATHS", "0") == "1"; }

std::string program_path(const std::string& path) {
    return testing_windows_build() ? sample::as_windows_path(path) : path;
}

char program_separator() { return testing_windows_build() ? '\\' : '/'; }

ProgramRun run_program(Program program, const std::string& workdir,
                       const std::vector<std::pair<std::string, std::string>>& environment,
                       const RunConditions& conditions) {
    int pipe_fds[2];
    if (::pipe(pipe_fds) != 0) throw std::runtime_error("pipe failed");
    const std::string exe = executable(program);
    const std::string launcher = env_or("SITE_TEST_LAUNCHER", "");
    const pid_t child = ::fork();
    if (child < 0) throw std::runtime_error("fork failed");
    if (child == 0) {
        ::dup2(pipe_fds[1], 1);
        ::close(pipe_fds[0]);
        ::close(pipe_fds[1]);
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
        if (launcher.empty())
            ::execl(exe.c_str(), exe.c_str(), static_cast<char*>(nullptr));
        else
            ::execlp(launcher.c_str(), launcher.c_str(), exe.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(pipe_fds[1]);
    ProgramRun run;
    if (conditions.kill_after_us > 0) {
        ::usleep(static_cast<useconds_t>(conditions.kill_after_us));
        ::kill(child, SIGKILL);  // no effect on a program that has already ended
    }
    char buffer[65536];
    ssize_t got;
    while ((got = ::read(pipe_fds[0], buffer, sizeof buffer)) > 0) run.output.append(buffer, static_cast<size_t>(got));
    ::close(pipe_fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    return run;
}

}  // namespace testing_site
