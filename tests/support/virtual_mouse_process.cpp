#include "tests/support/virtual_mouse_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "plugins/virtualmouse/vm_protocol.h"
#include "tests/support/test_files.h"
#include "tests/support/patience.h"

extern char** environ;

namespace qx4::test {

namespace {

constexpr int kReplyTimeoutMs = kPatienceMs;
constexpr char kOutputName[] = "virtual-mouse.out";

struct Spawned {
    pid_t pid = -1;
    int readyFd = -1;  // read end of the --ready-fd pipe
};

// The virtual mouse ends with the test, even with one that exit() or a crash ended, and holds none
// of the test's descriptors (a death test's parent waits for the end of its status pipe).
Spawned spawnVirtualMouse(std::vector<std::string> arguments, const std::filesystem::path& runtimeFolder,
                          const std::filesystem::path& outputFile,
                          const std::filesystem::path& inputFile = "/dev/null") {
    constexpr int kChildReadyFd = 3;
    arguments.insert(arguments.begin(), QX4_VIRTUAL_MOUSE_EXECUTABLE);
    arguments.insert(arguments.end(), {"--ready-fd", std::to_string(kChildReadyFd)});
    std::vector<std::string> environment{"QX4_RUNTIME_DIR=" + runtimeFolder.string()};
    for (char** entry = environ; *entry; ++entry) {
        if (!std::string_view(*entry).starts_with("QX4_RUNTIME_DIR=")) environment.emplace_back(*entry);
    }
    std::vector<char*> argv;
    std::vector<char*> envp;
    for (const auto& [strings, pointers] : {std::pair{&arguments, &argv}, std::pair{&environment, &envp}}) {
        for (std::string& each : *strings) pointers->push_back(each.data());
        pointers->push_back(nullptr);
    }
    int ready[2];
    if (::pipe2(ready, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    const int input = ::open(inputFile.c_str(), O_RDONLY | O_CLOEXEC);
    const int output = ::open(outputFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    const pid_t parent = ::getpid();
    const pid_t pid = input < 0 || output < 0 ? -1 : ::fork();
    if (pid == 0) {
        // Only system calls from here on: the test has other threads.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) ::_exit(127);
        ::dup2(input, STDIN_FILENO);
        ::dup2(output, STDOUT_FILENO);
        ::dup2(output, STDERR_FILENO);
        ::dup2(ready[1], kChildReadyFd);
        ::close_range(kChildReadyFd + 1, ~0U, 0);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    const int failed = errno;
    for (int fd : {input, output, ready[1]}) {
        if (fd >= 0) ::close(fd);
    }
    if (pid < 0) {
        ::close(ready[0]);
        throw std::runtime_error("cannot start " + arguments[0] + ": " + std::strerror(failed));
    }
    return {pid, ready[0]};
}

// Waits for the child to end; its exit code, or -1 after killing it when the time ran out.
int reap(pid_t pid, int timeoutMs) {
    const int pidFd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (pidFd >= 0) {
        pollfd exited{pidFd, POLLIN, 0};
        while (::poll(&exited, 1, timeoutMs) < 0 && errno == EINTR) {
        }
        ::close(pidFd);
        if (exited.revents == 0) ::kill(pid, SIGKILL);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// True once the child wrote "ready" (in one write), false when it ended first or kept silent.
bool awaitReady(int readyFd) {
    pollfd readable{readyFd, POLLIN, 0};
    char text[8] = {};
    const bool ready = ::poll(&readable, 1, kReplyTimeoutMs) == 1 && ::read(readyFd, text, sizeof(text) - 1) > 0 &&
                       std::string_view(text).starts_with("ready");
    ::close(readyFd);
    return ready;
}

}  // namespace

TempFolder::TempFolder(std::string_view prefix) {
    std::string pattern = (std::filesystem::temp_directory_path() / prefix).string() + "-XXXXXX";
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
    path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

ScopedEnv::ScopedEnv(std::string name, const std::optional<std::string>& value) : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str())) previous_ = old;
    set(value);
}

ScopedEnv::~ScopedEnv() { set(previous_); }

void ScopedEnv::set(const std::optional<std::string>& value) {
    if (value) {
        ::setenv(name_.c_str(), value->c_str(), 1);
    } else {
        ::unsetenv(name_.c_str());
    }
}

ProcessResult runVirtualMouseToEnd(const std::vector<std::string>& arguments, const std::filesystem::path& runtimeFolder,
                                   const std::string& input, int timeoutMs) {
    TempFolder scratch("qx4-run");
    std::ofstream(scratch.path() / "input") << input;
    const Spawned child = spawnVirtualMouse(arguments, runtimeFolder, scratch.path() / kOutputName,
                                            scratch.path() / "input");
    ::close(child.readyFd);
    const int exitCode = reap(child.pid, timeoutMs);
    return {exitCode, readText(scratch.path() / kOutputName)};
}

VirtualMouse::VirtualMouse() : VirtualMouse(Options{}) {}

VirtualMouse::VirtualMouse(const Options& options) {
    if (!options.runtimeFolder) ownFolder_ = std::make_unique<TempFolder>("qx4-vm");
    folder_ = options.runtimeFolder ? *options.runtimeFolder : ownFolder_->path();
    std::vector<std::string> arguments{options.receiver ? "--receiver" : "--no-receiver",
                                       options.cable ? "--cable" : "--no-cable",
                                       "--battery",
                                       std::to_string(options.battery),
                                       "--log",
                                       logPath().string()};
    if (options.asleep) arguments.emplace_back("--asleep");
    const Spawned child = spawnVirtualMouse(arguments, folder_, folder_ / kOutputName);
    pid_ = child.pid;
    if (!awaitReady(child.readyFd)) {
        const int code = waitForExit(kReplyTimeoutMs);
        throw std::runtime_error("qx4-virtual-mouse did not start (exit " + std::to_string(code) + "): " + output());
    }
    exported_ = std::make_unique<ScopedEnv>("QX4_RUNTIME_DIR", folder_.string());
}

VirtualMouse::~VirtualMouse() { stop(); }

std::filesystem::path VirtualMouse::socketPath() const { return folder_ / vm::kSocketName; }

std::string VirtualMouse::command(std::string_view line) {
    std::lock_guard lock(controlMutex_);
    if (control_ < 0) control_ = vm::connectTo(socketPath());
    vm::FrameDecoder decoder;
    vm::Frame reply;
    if (control_ < 0 || !vm::sendAll(control_, vm::encodeFrame(vm::FrameType::control, line)) ||
        !vm::readFrame(control_, decoder, reply, kReplyTimeoutMs) || reply.type != vm::FrameType::controlReply) {
        if (control_ >= 0) ::close(control_);
        control_ = -1;
        throw std::runtime_error("qx4-virtual-mouse did not answer \"" + std::string(line) + "\"");
    }
    return {reply.payload.begin(), reply.payload.end()};
}

std::string VirtualMouse::stateValue(std::string_view name) {
    std::istringstream lines(command("state"));
    const std::string prefix = std::string(name) + ": ";
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with(prefix)) return line.substr(prefix.size());
    }
    throw std::runtime_error("the virtual mouse's state has no line \"" + std::string(name) + "\"");
}

bool VirtualMouse::waitForReports(int count, int timeoutMs) {
    return command("wait reports " + std::to_string(count) + " " + std::to_string(timeoutMs)) == "ok";
}

std::vector<LogEntry> VirtualMouse::log() const {
    std::vector<LogEntry> entries;
    std::istringstream lines(readText(logPath()));
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        LogEntry& entry = entries.emplace_back();
        words >> entry.link;
        for (std::string hex; words >> hex;) {
            entry.bytes.push_back(static_cast<std::uint8_t>(std::stoul(hex, nullptr, 16)));
        }
    }
    return entries;
}

std::string VirtualMouse::output() const { return readText(folder_ / kOutputName); }

int VirtualMouse::stop() {
    if (pid_ <= 0) return -1;
    try {
        command("quit");
    } catch (const std::runtime_error&) {
        ::kill(pid_, SIGTERM);
    }
    const int code = waitForExit(kReplyTimeoutMs);
    exported_.reset();
    return code;
}

int VirtualMouse::waitForExit(int timeoutMs) {
    const int code = reap(pid_, timeoutMs);
    pid_ = -1;
    if (control_ >= 0) ::close(control_);
    control_ = -1;
    return code;
}

}  // namespace qx4::test
