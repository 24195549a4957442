#include "tests/support/virtual_mouse_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>
#include <stdexcept>

#include "plugins/virtualmouse/vm_protocol.h"
#include "tests/support/test_files.h"
#include "tests/support/patience.h"

namespace qx4::test {

namespace {

constexpr int kReplyTimeoutMs = kPatienceMs;

// qx4-virtual-mouse with `arguments` and QX4_RUNTIME_DIR=`runtimeFolder`.
std::vector<std::string> virtualMouseCommand(std::vector<std::string> arguments, const std::filesystem::path& runtimeFolder) {
    arguments.insert(arguments.begin(), {"env", "QX4_RUNTIME_DIR=" + runtimeFolder.string(), QX4_VIRTUAL_MOUSE_EXECUTABLE});
    return arguments;
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

Ran runVirtualMouseToEnd(const std::vector<std::string>& arguments, const std::filesystem::path& runtimeFolder) {
    return run(virtualMouseCommand(arguments, runtimeFolder), {.mergeErrors = true});
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
    // It says "ready" on descriptor 3 once its socket listens, and closes it.
    arguments.insert(arguments.end(), {"--ready-fd", "3"});
    int ready[2];
    if (::pipe2(ready, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    process_ = std::make_unique<Child>(virtualMouseCommand(arguments, folder_), ChildOptions{.mergeErrors = true, .passFd = ready[1]});
    ::close(ready[1]);
    pollfd readable{ready[0], POLLIN, 0};
    char text[8] = {};
    const bool started = ::poll(&readable, 1, kReplyTimeoutMs) == 1 && ::read(ready[0], text, sizeof(text) - 1) > 0 &&
                         std::string_view(text).starts_with("ready");
    ::close(ready[0]);
    if (!started) {
        const int code = waitForExit();
        throw std::runtime_error("qx4-virtual-mouse did not start (exit " + std::to_string(code) + "): " + process_->output());
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

int VirtualMouse::stop() {
    if (!process_) return -1;
    try {
        command("quit");
    } catch (const std::runtime_error&) {
        process_->signal(SIGTERM);
    }
    const int code = waitForExit();
    exported_.reset();
    process_.reset();
    return code;
}

int VirtualMouse::waitForExit() {
    const int code = process_->wait(kReplyTimeoutMs);
    if (control_ >= 0) ::close(control_);
    control_ = -1;
    return code;
}

}  // namespace qx4::test
