#include "program_process.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <stdexcept>

extern char** environ;

namespace qx4::test {

namespace {
using Clock = std::chrono::steady_clock;

int remainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}
}  // namespace

ProgramProcess::ProgramProcess(const std::string& program, const std::vector<std::string>& arguments) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) throw std::runtime_error("cannot make a pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);

    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const int failed = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    output_fd_ = pipeFds[0];
    if (failed != 0) throw std::runtime_error("cannot start " + program);
}

ProgramProcess::~ProgramProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (output_fd_ >= 0) close(output_fd_);
}

bool ProgramProcess::readSome(int timeoutMs) {
    pollfd poller{output_fd_, POLLIN, 0};
    if (poll(&poller, 1, timeoutMs) <= 0) return false;
    char buffer[4096];
    const ssize_t got = read(output_fd_, buffer, sizeof buffer);
    if (got <= 0) return false;
    output_.append(buffer, static_cast<std::size_t>(got));
    return true;
}

bool ProgramProcess::saw(std::string_view text) {
    while (readSome(0)) {
    }
    const std::size_t at = output_.find(text, consumed_);
    if (at == std::string::npos) return false;
    consumed_ = at + text.size();
    return true;
}

bool ProgramProcess::waitFor(std::string_view text, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (true) {
        const std::size_t at = output_.find(text, consumed_);
        if (at != std::string::npos) {
            consumed_ = at + text.size();
            return true;
        }
        if (remainingMs(deadline) == 0 || !readSome(remainingMs(deadline))) return false;
    }
}

int ProgramProcess::waitForExit(int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    // The pipe reaches its end when the program has gone.
    while (remainingMs(deadline) > 0 && readSome(remainingMs(deadline))) {
    }
    int status = 0;
    if (waitpid(pid_, &status, remainingMs(deadline) > 0 ? 0 : WNOHANG) != pid_) return -1;
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int ProgramProcess::terminate(int timeoutMs) {
    if (pid_ <= 0) return -1;
    kill(pid_, SIGTERM);
    return waitForExit(timeoutMs);
}

}  // namespace qx4::test
