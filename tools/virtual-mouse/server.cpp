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
#include <cerrno>
#include <cstring>
#include <iostream>
#include <limits>

namespace qx4::vm {

namespace {

// A client that stops reading and lets this much pile up is dropped rather than waited for.
constexpr std::size_t kMaxPendingOutput = 4 * 1024 * 1024;
// Out of descriptors with no client that could leave, accepting is tried again this much later.
constexpr std::chrono::milliseconds kAcceptRetry{500};

void closeFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
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
        if (acceptResumes_ && Clock::now() >= *acceptResumes_) acceptResumes_.reset();
        std::vector<pollfd> fds{{acceptResumes_ ? -1 : listenFd_, POLLIN, 0},
                                {signalFd_, POLLIN, 0},
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
        resumeParked();
        const auto before = clients_.size();
        clients_.remove_if([](Client& client) {
            if (!client.closing) return false;
            closeFd(client.fd);
            return true;
        });
        if (clients_.size() < before) acceptResumes_.reset();
    }
    for (auto& client : clients_) flush(client);
}

void Server::acceptClients() {
    for (;;) {
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd >= 0) {
            clients_.emplace_back().fd = fd;
            continue;
        }
        if (errno == EINTR || errno == ECONNABORTED) continue;
        if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
            // The newcomer stays in the backlog and keeps the socket readable: polling it now
            // would spin. It is taken once a client leaves.
            std::cout << "qx4-virtual-mouse: " << std::strerror(errno) << " with "
                      << clients_.size() << " clients; a new client waits until one leaves"
                      << std::endl;
            acceptResumes_ =
                clients_.empty() ? Clock::now() + kAcceptRetry : Clock::time_point::max();
        }
        return;
    }
}

void Server::readStdin() {
    std::uint8_t chunk[4096];
    const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof(chunk));
    if (n < 0 && errno == EINTR) return;
    if (n <= 0) {
        // Started without a terminal (from a script or a test): the socket still serves.
        stdinOpen_ = false;
        return;
    }
    stdinInput_.feed(std::span{chunk, static_cast<std::size_t>(n)});
    while (auto line = stdinInput_.next()) {
        std::cout << execute(std::string(line->payload.begin(), line->payload.end()), nullptr)
                  << std::endl;
        if (quit_) return;
    }
    if (stdinInput_.broken()) {
        std::cout << "error: " << stdinInput_.problem() << "; standard input is no longer read"
                  << std::endl;
        stdinOpen_ = false;
    }
}

void Server::readClient(Client& client) {
    std::uint8_t chunk[4096];
    const ssize_t n = ::recv(client.fd, chunk, sizeof(chunk), 0);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return;
    if (n <= 0) {
        drop(client);
        return;
    }
    client.input.feed(std::span{chunk, static_cast<std::size_t>(n)});
    processInput(client);
}

void Server::processInput(Client& client) {
    while (!client.parked && !client.closing && !quit_) {
        const auto frame = client.input.next();
        if (frame) {
            handleFrame(client, *frame);
            continue;
        }
        if (client.input.broken()) {
            if (!client.input.problem().empty()) reply(client, "error: " + client.input.problem());
            drop(client);
        }
        return;
    }
}

void Server::handleFrame(Client& client, const Frame& frame) {
    switch (frame.type) {
    case FrameType::hello: {
        if (frame.payload.size() != 2 || client.role) {
            drop(client);
            return;
        }
        const auto named = linkFromHelloByte(frame.payload[0]);
        const auto role = static_cast<Role>(frame.payload[1]);
        if (!named || (role != Role::feature && role != Role::monitor)) {
            drop(client);
            return;
        }
        const Link link = *named;
        client.role = role;
        client.link = link;
        client.generation = generation(link);
        if (role == Role::monitor) ++listeners(link);
        const std::uint8_t plugged[] = {static_cast<std::uint8_t>(mouse_.plugged(link) ? 1 : 0)};
        queue(client, encodeFrame(FrameType::status, plugged));
        if (role == Role::monitor && link == Link::receiver && mouse_.plugged(link)) {
            // The mouse tells a new listener on the receiver how it is, as it does on arrival.
            const Push status = sleepStatusPush(mouse_);
            queue(client, encodeNotification({status.code, status.value}));
        }
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
        drop(client);
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
}

std::string Server::execute(const std::string& line, Client* client) {
    CommandResult result = runCommand(mouse_, line);
    for (const auto& each : result.pushes) {
        if (each.type == FrameType::arrival && each.value == 0) ++generation(each.link);
        push(each);
    }
    if (result.wait) {
        if (!client) return "error: wait is for socket clients";
        const WaitRequest& request = *result.wait;
        const bool forReports = request.what == WaitRequest::What::reports;
        if ((forReports ? reportsSeen() : listeners(*request.link)) >= request.count) return "ok";
        park(*client, request);
    }
    if (result.quit) quit_ = true;
    return result.reply;
}

void Server::reply(Client& client, const std::string& text) {
    if (client.input.mode() == ClientDecoder::Mode::text) {
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
    if (client.out.size() > kMaxPendingOutput) drop(client);
}

void Server::flush(Client& client) {
    while (!client.out.empty() && client.fd >= 0) {
        const ssize_t n = ::send(client.fd, client.out.data(), client.out.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) return;
        if (n <= 0) {
            client.out.clear();
            drop(client);
            return;
        }
        client.out.erase(client.out.begin(), client.out.begin() + n);
    }
}

void Server::push(const Push& push) {
    const std::uint8_t arrived[] = {static_cast<std::uint8_t>(push.value)};
    const auto frame = push.type == FrameType::notification ? encodeNotification({push.code, push.value})
                                                            : encodeFrame(FrameType::arrival, arrived);
    for (auto& client : clients_) {
        if (client.role == Role::monitor && client.link == push.link) queue(client, frame);
    }
}

void Server::drop(Client& client) {
    if (client.closing) return;
    client.closing = true;
    if (client.role == Role::monitor) --listeners(client.link);
    unpark(client);
}

Server::WaitQueue<int>& Server::waitQueue(const WaitRequest& request) {
    if (request.what == WaitRequest::What::reports) return reportWaits_;
    return listenerWaits_[*request.link == Link::cable ? 1 : 0];
}

void Server::park(Client& client, const WaitRequest& request) {
    client.parked = request;
    client.deadline = Clock::now() + std::chrono::milliseconds{request.timeoutMs};
    waitQueue(request).emplace(request.count, &client);
    deadlines_.emplace(client.deadline, &client);
}

void Server::unpark(Client& client) {
    if (!client.parked) return;
    waitQueue(*client.parked).erase({client.parked->count, &client});
    deadlines_.erase({client.deadline, &client});
    client.parked.reset();
}

void Server::resumeParked() {
    // A loop, not a recursion: what a resumed client sends next may end the waits of thousands.
    const auto now = Clock::now();
    for (;;) {
        Client* client = nullptr;
        const char* answer = "ok";
        if (!reportWaits_.empty() && reportWaits_.begin()->first <= reportsSeen()) {
            client = reportWaits_.begin()->second;
        }
        for (const Link link : {Link::receiver, Link::cable}) {
            const auto& waits = listenerWaits_[link == Link::cable ? 1 : 0];
            if (!client && !waits.empty() && waits.begin()->first <= listeners(link)) {
                client = waits.begin()->second;
            }
        }
        if (!client && !deadlines_.empty() && deadlines_.begin()->first <= now) {
            client = deadlines_.begin()->second;
            answer = "timeout";
        }
        if (!client) return;
        unpark(*client);
        reply(*client, answer);
        processInput(*client);
    }
}

int Server::pollTimeout() const {
    std::optional<Clock::time_point> nearest;
    if (acceptResumes_ && *acceptResumes_ != Clock::time_point::max()) nearest = acceptResumes_;
    if (!deadlines_.empty() && (!nearest || deadlines_.begin()->first < *nearest)) {
        nearest = deadlines_.begin()->first;
    }
    if (!nearest) return -1;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*nearest - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, std::numeric_limits<int>::max()));
}

void Server::logReport(Link link, const std::vector<std::uint8_t>& report) {
    if (!log_) return;
    std::fputs(linkName(link), log_);
    for (const auto byte : report) std::fprintf(log_, " %02x", byte);
    std::fputc('\n', log_);
    std::fflush(log_);
}

}  // namespace qx4::vm
