#include "kernel_run.h"

#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <cstdlib>
#include <iostream>
#include <string>

#include "command_interpreter.h"
#include "kernel_mouse.h"

namespace qx4::vm {

namespace {

constexpr char kPreload[] = "libumockdev-preload.so.0";

int exitStatusOf(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return 1;
}

}  // namespace

bool needsPreload() {
    const char* preload = std::getenv("LD_PRELOAD");
    return !preload || std::string(preload).find("libumockdev-preload") == std::string::npos;
}

int restartPreloaded(char** argv) {
    const char* before = std::getenv("LD_PRELOAD");
    const std::string preload = before && *before ? std::string(kPreload) + ":" + before : kPreload;
    ::setenv("LD_PRELOAD", preload.c_str(), 1);
    ::execv("/proc/self/exe", argv);
    std::cerr << "qx4-virtual-mouse: cannot restart itself with umockdev's preload: " << std::strerror(errno) << "\n";
    return 1;
}

int runWithKernelMouse(const KernelRunOptions& options) {
    std::unique_ptr<KernelMouse> mouse;
    try {
        mouse = std::make_unique<KernelMouse>(options.start, options.logFile);
    } catch (const std::exception& problem) {
        std::cerr << "qx4-virtual-mouse: " << problem.what() << "\n";
        return 1;
    }
    // The command's exit status is ours: a Ctrl+C in the terminal ends it, and we report how.
    ::signal(SIGINT, SIG_IGN);
    ::signal(SIGQUIT, SIG_IGN);
    const pid_t child = ::fork();
    if (child < 0) {
        std::cerr << "qx4-virtual-mouse: cannot start " << options.command.front() << "\n";
        return 1;
    }
    if (child == 0) {
        ::signal(SIGINT, SIG_DFL);
        ::signal(SIGQUIT, SIG_DFL);
        std::vector<char*> arguments;
        for (const std::string& argument : options.command) arguments.push_back(const_cast<char*>(argument.c_str()));
        arguments.push_back(nullptr);
        ::execvp(arguments.front(), arguments.data());
        std::cerr << "qx4-virtual-mouse: cannot run " << options.command.front() << ": " << std::strerror(errno) << "\n";
        ::_exit(127);
    }
    std::cout << "qx4-virtual-mouse: the mouse is on emulated USB for " << options.command.front() << " (type help)"
              << std::endl;
    const int ended = static_cast<int>(::syscall(SYS_pidfd_open, child, 0));
    // Without a descriptor for the child's end (a kernel before 5.3), only wait for it.
    bool reading = true;
    ClientDecoder input{ClientDecoder::Mode::text};
    while (ended >= 0) {
        pollfd fds[] = {{ended, POLLIN, 0}, {reading ? STDIN_FILENO : -1, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR) break;
        if (fds[0].revents != 0) break;
        if (fds[1].revents == 0) continue;
        std::uint8_t chunk[4096];
        const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof(chunk));
        if (n <= 0) {
            reading = n < 0 && errno == EINTR;
            continue;
        }
        input.feed(std::span{chunk, static_cast<std::size_t>(n)});
        while (const auto line = input.next()) {
            const std::string reply = mouse->command(std::string(line->payload.begin(), line->payload.end()));
            std::cout << reply << std::endl;
            if (reply == "ok: quitting") ::kill(child, SIGTERM);
        }
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (ended >= 0) ::close(ended);
    return exitStatusOf(status);
}

}  // namespace qx4::vm
