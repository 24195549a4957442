#include "tests/support/x_session.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include "tests/support/patience.h"

extern char** environ;

namespace qx4::test {

bool XServer::installed() { return std::system("command -v Xvfb >/dev/null && command -v xdotool >/dev/null") == 0; }

XServer::XServer() {
    int channel[2];
    if (::pipe(channel) != 0) throw std::runtime_error("no pipe for Xvfb");
    // -noreset: the server keeps its settings (the key repeat rate) between clients. The screen
    // holds the program's whole window, so a click can reach any of its controls.
    const std::vector<std::string> command{"Xvfb", "-displayfd", std::to_string(channel[1]), "-screen", "0",
                                           "1024x768x24", "-nolisten", "tcp", "-noreset"};
    std::vector<char*> argv;
    for (const std::string& argument : command) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
        // The server ends with the test, even with one that crashed.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        ::close(channel[0]);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(channel[1]);
    pollfd readable{channel[0], POLLIN, 0};
    char c = 0;
    while (pid_ > 0 && ::poll(&readable, 1, kPatienceMs) == 1 && ::read(channel[0], &c, 1) == 1 && c != '\n') number_ += c;
    ::close(channel[0]);
    if (number_.empty()) {
        stop();
        throw std::runtime_error("Xvfb did not start");
    }
    display_.emplace("DISPLAY", ":" + number_);
}

void XServer::stop(bool crash) {
    if (pid_ <= 0) return;
    ::kill(pid_, crash ? SIGKILL : SIGTERM);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
    if (crash) {
        std::error_code ignored;
        std::filesystem::remove("/tmp/.X" + number_ + "-lock", ignored);
        std::filesystem::remove("/tmp/.X11-unix/X" + number_, ignored);
    }
}

bool xdotool(const std::vector<std::string>& arguments) {
    std::vector<char*> argv{const_cast<char*>("xdotool")};
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    int status = 0;
    return ::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0 &&
           ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace qx4::test
