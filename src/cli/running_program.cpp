#include "cli/running_program.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <ostream>

#include "core/config/config_file.h"

namespace qx4::cli {
namespace {

// A program listens right after it takes its lock; only a program that hangs is not heard by then.
constexpr std::chrono::seconds kStartingPatience{5};
// An apply over the receiver takes some 10 s; requests that arrived earlier run first.
constexpr std::chrono::seconds kReplyPatience{120};

using Clock = std::chrono::steady_clock;

int remainingMilliseconds(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

bool sendAll(int fd, std::string_view bytes, Clock::time_point deadline) {
    while (!bytes.empty()) {
        pollfd ready{fd, POLLOUT, 0};
        if (poll(&ready, 1, remainingMilliseconds(deadline)) <= 0) return false;
        const ssize_t sent = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

// Everything until the program closes the connection; nullopt on a timeout or too much.
std::optional<std::string> receiveAll(int fd, Clock::time_point deadline) {
    std::string received;
    char buffer[4096];
    for (;;) {
        pollfd ready{fd, POLLIN, 0};
        const int polled = poll(&ready, 1, remainingMilliseconds(deadline));
        if (polled < 0 && errno == EINTR) continue;
        if (polled <= 0) return std::nullopt;
        const ssize_t count = recv(fd, buffer, sizeof(buffer), 0);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) return std::nullopt;
        if (count == 0) return received;
        received.append(buffer, static_cast<std::size_t>(count));
        if (received.size() > kMaxReplyBytes) return std::nullopt;
    }
}

}  // namespace

RunningProgram::RunningProgram(State state, int fd, std::string problem, std::unique_ptr<DataFilesLock> dataLock)
    : state_(state), fd_(fd), problem_(std::move(problem)), dataLock_(std::move(dataLock)) {}

RunningProgram::RunningProgram(RunningProgram&& other) noexcept
    : state_(other.state_), fd_(other.fd_), problem_(std::move(other.problem_)), dataLock_(std::move(other.dataLock_)) {
    other.fd_ = -1;
}

RunningProgram::~RunningProgram() {
    if (fd_ >= 0) close(fd_);
}

RunningProgram RunningProgram::find() { return search(false); }

RunningProgram RunningProgram::findOrLockDataFiles() { return search(true); }

// Writers take the data files' lock first, in the kernel's queue, and only then look for a
// program: one that starts after the look waits for that lock before it reads the files. A program
// that runs owns the files, so the lock goes back before the program is asked.
RunningProgram RunningProgram::search(bool lockDataFiles) {
    std::string error;
    // Without a private runtime folder the program cannot start either.
    const auto folder = runtimeFolder(&error);
    if (!folder) return {State::notRunning, -1, {}, nullptr};
    const InstanceLock program(*folder);
    for (;;) {
        std::unique_ptr<DataFilesLock> dataLock;
        if (lockDataFiles) dataLock = std::make_unique<DataFilesLock>(*folder, DataFilesLock::Mode::exclusive);
        if (!program.heldElsewhere()) return {State::notRunning, -1, {}, std::move(dataLock)};
        dataLock.reset();
        if (const int fd = program.connectToHolder(kStartingPatience); fd >= 0) return {State::reached, fd, {}, nullptr};
        // A program that ended meanwhile leaves the files to this copy.
        if (program.heldElsewhere()) {
            return {State::unreachable, -1,
                    "qx4-config runs but does not answer on " + program.socketPath().string() + "; try again, or quit it",
                    nullptr};
        }
    }
}

std::optional<InstanceReply> RunningProgram::exchange(const std::vector<std::string>& arguments) {
    const InstanceRequest request{dataDirectory().string(), std::filesystem::current_path().string(), arguments};
    const auto deadline = Clock::now() + kReplyPatience;
    std::optional<InstanceReply> reply;
    if (sendAll(fd_, encodeRequest(request), deadline)) {
        if (const auto bytes = receiveAll(fd_, deadline)) reply = decodeReply(*bytes);
    }
    close(fd_);
    fd_ = -1;
    if (!reply) problem_ = "qx4-config did not answer in time, or broke off; see its window";
    return reply;
}

int RunningProgram::handOver(const Command& command, const std::vector<std::string>& arguments, CommandIo& io) {
    const auto reply = exchange(arguments);
    if (!reply) return failure(command, io, problem_);
    io.out << reply->out;
    io.err << reply->err;
    return reply->exitCode;
}

void RunningProgram::syncDataFiles(const Command& command, CommandIo& io) {
    if (state_ == State::notRunning) return;
    if (state_ == State::reached) {
        if (const auto reply = exchange({"sync"})) {
            io.err << reply->err;
            return;
        }
    }
    io.err << "qx4ctl " << command.name << ": " << problem_ << "; the data files may lag behind its window\n";
}

std::vector<std::string> commandLine(const Command& command, Arguments arguments) {
    std::vector<std::string> line{std::string(command.name)};
    line.insert(line.end(), arguments.begin(), arguments.end());
    return line;
}

}  // namespace qx4::cli
