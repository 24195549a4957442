#include "server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <iostream>

namespace qx4::vm {

namespace {

// A client that stops reading and lets this much pile up is dropped rather than waited for.
constexpr std::size_t kMaxPendingOutput = 4 * 1024 * 1024;

void closeFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

std::array<std::uint8_t, 4> notificationPayload(const Push& push) {
    return {static_cast<std::uint8_t>(push.code), static_cast<std::uint8_t>(push.code >> 8),
            static_cast<std::uint8_t>(push.value), static_cast<std::uint8_t>(push.value >> 8)};
}

std::string systemError(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

}  // namespace

Server::Server(ServerOptions options) : options_(std::move(options)), mouse_(options_.start) {}

Server::~Server() {
    for (auto& client : clients_) closeFd(client.fd);
    if (listenFd_ >= 0) {
        closeFd(listenFd_);
        std::filesystem::remove(socketFile_);
    }
    closeFd(signalFd_);
    closeFd(lockFd_);
    closeFd(options_.readyFd);
    if (log_) std::fclose(log_);
}

std::string Server::start() {
    if (std::string problem = privacyProblem(options_.folder); !problem.empty()) {
        return "the runtime folder is not private: " + problem;
    }
    socketFile_ = options_.folder / kSocketName;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketFile_.string().size() >= sizeof(address.sun_path)) {
        return "the socket path " + socketFile_.string() + " is too long";
    }
    // The lock, not the socket file, tells whether a virtual mouse runs: a crash releases it,
    // while the socket file it leaves behind is simply replaced.
    const auto lockFile = options_.folder / kLockName;
    lockFd_ = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lockFd_ < 0) return systemError("cannot open " + lockFile.string());
    if (::flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
        return "another virtual mouse is already running (socket " + socketFile_.string() + ")";
    }
    if (options_.logFile) {
        log_ = std::fopen(options_.logFile->c_str(), "w");
        if (!log_) return systemError("cannot write the log " + options_.logFile->string());
    }
    std::filesystem::remove(socketFile_);
    listenFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listenFd_ < 0) return systemError("cannot make a socket");
    std::memcpy(address.sun_path, socketFile_.c_str(), socketFile_.string().size() + 1);
    if (::bind(listenFd_, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(listenFd_, 16) != 0) {
        std::string problem = systemError("cannot listen on " + socketFile_.string());
        closeFd(listenFd_);
        return problem;
    }
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    ::sigprocmask(SIG_BLOCK, &signals, nullptr);
    signalFd_ = ::signalfd(-1, &signals, SFD_CLOEXEC);
    ::signal(SIGPIPE, SIG_IGN);
    if (options_.readyFd >= 0) {
        const char ready[] = "ready\n";
        [[maybe_unused]] const auto written = ::write(options_.readyFd, ready, sizeof(ready) - 1);
        closeFd(options_.readyFd);
    }
    return {};
}

void Server::run() {
    std::cout << "qx4-virtual-mouse: listening on " << socketFile_.string() << " (type help)"
              << std::endl;
    while (!quit_) {
        std::vector<pollfd> fds{{listenFd_, POLLIN, 0}, {signalFd_, POLLIN, 0},
                                {stdinOpen_ ? STDIN_FILENO : -1, POLLIN, 0}};
        for (const auto& client : clients_) {
            const short events = static_cast<short>(
                (client.parked ? 0 : POLLIN) | (client.out.empty() ? 0 : POLLOUT));
            fds.push_back({client.fd, events, 0});
        }
        const int ready = ::poll(fds.data(), fds.size(), pollTimeout());
        if (ready < 0 && errno != EINTR) break;
        if (fds[1].revents != 0) break;  // SIGINT, SIGTERM or SIGHUP
        if (fds[0].revents != 0) acceptClients();
        if (fds[2].revents != 0) readStdin();
        std::size_t index = 3;
        for (auto& client : clients_) {
            if (index >= fds.size()) break;  // accepted during this round
            const short revents = fds[index++].revents;
            if ((revents & (POLLIN | POLLHUP | POLLERR)) != 0) readClient(client);
            if ((revents & POLLOUT) != 0) flush(client);
        }
        resolveWaits(true);
        clients_.remove_if([](Client& client) {
            if (!client.closing) return false;
            closeFd(client.fd);
            return true;
        });
    }
    for (auto& client : clients_) flush(client);
}

void Server::acceptClients() {
    for (;;) {
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) return;
        clients_.push_back(Client{});
        clients_.back().fd = fd;
    }
}

void Server::readStdin() {
    char chunk[4096];
    const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof(chunk));
    if (n < 0 && errno == EINTR) return;
    if (n <= 0) {
        // Started without a terminal (from a script or a test): the socket still serves.
        stdinOpen_ = false;
        return;
    }
    stdinText_.append(chunk, static_cast<std::size_t>(n));
    for (auto end = stdinText_.find('\n'); end != std::string::npos; end = stdinText_.find('\n')) {
        const std::string line = stdinText_.substr(0, end);
        stdinText_.erase(0, end + 1);
        if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
        std::cout << execute(line, nullptr) << std::endl;
        if (quit_) return;
    }
}

void Server::readClient(Client& client) {
    std::uint8_t chunk[4096];
    const ssize_t n = ::recv(client.fd, chunk, sizeof(chunk), 0);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return;
    if (n <= 0) {
        client.closing = true;
        resolveWaits(false);
        return;
    }
    if (client.mode == Client::Mode::unknown) {
        client.mode = chunk[0] < 0x20 ? Client::Mode::framed : Client::Mode::text;
    }
    if (client.mode == Client::Mode::framed) {
        client.decoder.feed(std::span{chunk, static_cast<std::size_t>(n)});
    } else {
        client.text.append(reinterpret_cast<const char*>(chunk), static_cast<std::size_t>(n));
    }
    processInput(client);
}

void Server::processInput(Client& client) {
    while (!client.parked && !client.closing && !quit_) {
        if (client.mode == Client::Mode::framed) {
            auto frame = client.decoder.next();
            if (client.decoder.broken()) client.closing = true;
            if (!frame) return;
            handleFrame(client, *frame);
        } else {
            const auto end = client.text.find('\n');
            if (end == std::string::npos) return;
            std::string line = client.text.substr(0, end);
            client.text.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.find_first_not_of(" \t") == std::string::npos) continue;
            const std::string text = execute(line, &client);
            if (!client.parked) reply(client, text);
        }
    }
}

void Server::handleFrame(Client& client, const Frame& frame) {
    switch (frame.type) {
    case FrameType::hello: {
        if (frame.payload.size() != 2 || client.role) {
            client.closing = true;
            return;
        }
        const auto link = static_cast<Link>(frame.payload[0]);
        const auto role = static_cast<Role>(frame.payload[1]);
        if ((link != Link::receiver && link != Link::cable) ||
            (role != Role::feature && role != Role::monitor)) {
            client.closing = true;
            return;
        }
        client.role = role;
        client.link = link;
        client.generation = generation(link);
        const std::uint8_t plugged[] = {static_cast<std::uint8_t>(mouse_.plugged(link) ? 1 : 0)};
        queue(client, encodeFrame(FrameType::status, plugged));
        if (role == Role::monitor && link == Link::receiver && mouse_.plugged(link)) {
            // The mouse tells a new listener on the receiver how it is, as it does on arrival.
            const Push status = sleepStatusPush(mouse_);
            queue(client, encodeFrame(FrameType::notification, notificationPayload(status)));
        }
        resolveWaits(false);
        return;
    }
    case FrameType::setFeature:
        handleReport(client, frame.payload);
        return;
    case FrameType::control: {
        const std::string text = execute(std::string(frame.payload.begin(), frame.payload.end()), &client);
        if (!client.parked) reply(client, text);
        return;
    }
    default:
        client.closing = true;
    }
}

void Server::handleReport(Client& client, const std::vector<std::uint8_t>& report) {
    ReportOutcome outcome{Verdict::unreachable, "the link was unplugged since it was opened"};
    if (client.role != Role::feature) {
        outcome.text = "no feature connection";
    } else if (client.generation == generation(client.link)) {
        outcome = mouse_.receiveReport(client.link, report);
    }
    if (outcome.verdict != Verdict::unreachable) logReport(client.link, report);
    static constexpr const char* kVerdictWords[] = {"accepted", "rejected", "not heard"};
    std::cout << linkName(client.link) << ": " << kVerdictWords[static_cast<int>(outcome.verdict)]
              << ": " << outcome.text << std::endl;
    const std::uint8_t ok[] = {static_cast<std::uint8_t>(outcome.verdict == Verdict::accepted)};
    queue(client, encodeFrame(FrameType::result, ok));
    resolveWaits(false);
}

std::string Server::execute(const std::string& line, Client* client) {
    CommandResult result = runCommand(mouse_, line);
    for (const auto& each : result.pushes) {
        if (each.type == FrameType::arrival && each.value == 0) ++generation(each.link);
        push(each);
    }
    if (result.wait) {
        if (!client) return "error: wait is for socket clients";
        client->parked = result.wait;
        client->deadline = Clock::now() + std::chrono::milliseconds{result.wait->timeoutMs};
        if (waitIsOver(*client)) {
            client->parked.reset();
            return "ok";
        }
    }
    if (result.quit) quit_ = true;
    return result.reply;
}

void Server::reply(Client& client, const std::string& text) {
    if (client.mode == Client::Mode::text) {
        const std::string line = text + "\n";
        queue(client, {line.begin(), line.end()});
    } else {
        queue(client, encodeFrame(FrameType::controlReply, text));
    }
}

void Server::queue(Client& client, const std::vector<std::uint8_t>& bytes) {
    if (client.closing) return;
    client.out.insert(client.out.end(), bytes.begin(), bytes.end());
    flush(client);
    if (client.out.size() > kMaxPendingOutput) client.closing = true;
}

void Server::flush(Client& client) {
    while (!client.out.empty() && client.fd >= 0) {
        const ssize_t n = ::send(client.fd, client.out.data(), client.out.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) return;
        if (n <= 0) {
            client.closing = true;
            client.out.clear();
            return;
        }
        client.out.erase(client.out.begin(), client.out.begin() + n);
    }
}

void Server::push(const Push& push) {
    const std::uint8_t arrived[] = {static_cast<std::uint8_t>(push.value)};
    const auto frame = push.type == FrameType::notification
                           ? encodeFrame(FrameType::notification, notificationPayload(push))
                           : encodeFrame(FrameType::arrival, arrived);
    for (auto& client : clients_) {
        if (client.role == Role::monitor && client.link == push.link) queue(client, frame);
    }
}

bool Server::waitIsOver(const Client& client) const {
    const WaitRequest& request = *client.parked;
    if (request.what == WaitRequest::What::reports) {
        return mouse_.accepted() + mouse_.rejected() >= request.count;
    }
    const auto listeners = std::count_if(clients_.begin(), clients_.end(), [&](const Client& each) {
        return !each.closing && each.role == Role::monitor && each.link == request.link;
    });
    return listeners >= request.count;
}

void Server::resolveWaits(bool timeUp) {
    const auto now = Clock::now();
    for (auto& client : clients_) {
        if (!client.parked || client.closing) continue;
        if (waitIsOver(client)) {
            client.parked.reset();
            reply(client, "ok");
        } else if (timeUp && now >= client.deadline) {
            client.parked.reset();
            reply(client, "timeout");
        } else {
            continue;
        }
        processInput(client);
    }
}

int Server::pollTimeout() const {
    std::optional<Clock::time_point> nearest;
    for (const auto& client : clients_) {
        if (client.parked && (!nearest || client.deadline < *nearest)) nearest = client.deadline;
    }
    if (!nearest) return -1;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*nearest - Clock::now()).count();
    return static_cast<int>(std::max<long long>(left, 0));
}

void Server::logReport(Link link, const std::vector<std::uint8_t>& report) {
    if (!log_) return;
    std::fputs(linkName(link), log_);
    for (const auto byte : report) std::fprintf(log_, " %02x", byte);
    std::fputc('\n', log_);
    std::fflush(log_);
}

}  // namespace qx4::vm
