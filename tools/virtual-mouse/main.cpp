// qx4-virtual-mouse: the mouse's firmware as a process, for trying the program without hardware
// and for end-to-end tests. See docs/virtual-mouse.md.
#include <charconv>
#include <cstring>
#include <iostream>
#include <string_view>
#include <vector>

#include "kernel_run.h"
#include "server.h"

namespace {

constexpr char kUsage[] =
    "usage: qx4-virtual-mouse [options]\n"
    "       qx4-virtual-mouse --kernel [options] -- COMMAND [ARGS...]\n"
    "Emulates the mouse on a Unix socket in $QX4_RUNTIME_DIR, else $XDG_RUNTIME_DIR.\n"
    "With --kernel, runs COMMAND with the mouse as emulated USB and hidraw devices instead\n"
    "(umockdev), for the real driver libraries, and ends with COMMAND's exit status.\n"
    "Commands are read from standard input and from control clients; type help.\n"
    "\n"
    "  --log FILE             write every report received as one line: link, bytes in hex\n"
    "  --cable, --no-cable    start with the cable plugged (default: unplugged)\n"
    "  --receiver, --no-receiver\n"
    "                         start with the receiver plugged (default) or unplugged\n"
    "  --asleep               start asleep (default: awake)\n"
    "  --battery N            start with battery level N, 1-10 (default 8)\n"
    "  --ready-fd FD          write \"ready\" to FD once the socket listens, then close it\n"
    "  --kernel               run COMMAND (after --) with emulated kernel devices\n"
    "  --help                 show this\n";

bool parseInt(std::string_view text, int& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc{} && end == text.data() + text.size();
}

}  // namespace

int main(int argc, char** argv) {
    qx4::vm::ServerOptions options;
    bool kernel = false;
    std::vector<std::string> command;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--") {
            command.assign(argv + i + 1, argv + argc);
            break;
        } else if (arg == "--kernel") {
            kernel = true;
        } else if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        } else if (arg == "--log" && hasValue) {
            options.logFile = argv[++i];
        } else if (arg == "--cable" || arg == "--no-cable") {
            options.start.cable = arg == "--cable";
        } else if (arg == "--receiver" || arg == "--no-receiver") {
            options.start.receiver = arg == "--receiver";
        } else if (arg == "--asleep") {
            options.start.asleep = true;
        } else if (arg == "--battery" && hasValue && parseInt(argv[i + 1], options.start.battery) &&
                   options.start.battery >= 1 && options.start.battery <= 10) {
            ++i;
        } else if (arg == "--ready-fd" && hasValue && parseInt(argv[i + 1], options.readyFd)) {
            ++i;
        } else {
            std::cerr << "qx4-virtual-mouse: bad option " << arg << "\n" << kUsage;
            return 2;
        }
    }
    if (kernel != !command.empty()) {
        std::cerr << "qx4-virtual-mouse: --kernel runs a command given after --\n" << kUsage;
        return 2;
    }
    if (kernel) {
        if (options.readyFd >= 0) {
            std::cerr << "qx4-virtual-mouse: --ready-fd is for the socket\n";
            return 2;
        }
        if (qx4::vm::needsPreload()) return qx4::vm::restartPreloaded(argv);
        return qx4::vm::runWithKernelMouse({options.start, options.logFile, command});
    }
    const auto folder = qx4::vm::runtimeFolder();
    if (!folder) {
        std::cerr << "qx4-virtual-mouse: set XDG_RUNTIME_DIR (or QX4_RUNTIME_DIR) to a private "
                     "folder for the socket\n";
        return 1;
    }
    options.folder = *folder;
    qx4::vm::Server server(std::move(options));
    if (const std::string problem = server.start(); !problem.empty()) {
        std::cerr << "qx4-virtual-mouse: " << problem << "\n";
        return 1;
    }
    server.run();
    return 0;
}
