#include "gui/app/session_bus.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

#include "gui/common/diagnostics.h"

namespace qx4::gui {

namespace {
using Clock = std::chrono::steady_clock;

// A transport no D-Bus client knows: connecting to it fails at once.
constexpr const char* kNoBus = "disabled:";
// The first line of a client's handshake; a bus answers it with the ways it accepts.
constexpr std::string_view kHandshake{"\0AUTH\r\n", 7};

struct UnixSocket {
    std::string name;
    bool abstract = false;
};

std::string unescape(std::string_view value) {
    std::string text;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '%' && i + 2 < value.size()) {
            text += static_cast<char>(std::strtol(std::string(value.substr(i + 1, 2)).c_str(), nullptr, 16));
            i += 2;
        } else {
            text += value[i];
        }
    }
    return text;
}

// The Unix sockets of a D-Bus address list ("unix:path=/run/user/1000/bus,guid=...;tcp:..."), in
// the order a client tries them.
std::vector<UnixSocket> unixSockets(std::string_view list) {
    std::vector<UnixSocket> sockets;
    while (!list.empty()) {
        const std::size_t end = list.find(';');
        std::string_view entry = list.substr(0, end);
        list = end == std::string_view::npos ? std::string_view() : list.substr(end + 1);
        if (!entry.starts_with("unix:")) continue;
        entry.remove_prefix(5);
        while (!entry.empty()) {
            const std::size_t comma = entry.find(',');
            const std::string_view pair = entry.substr(0, comma);
            entry = comma == std::string_view::npos ? std::string_view() : entry.substr(comma + 1);
            if (pair.starts_with("path=")) sockets.push_back({unescape(pair.substr(5)), false});
            if (pair.starts_with("abstract=")) sockets.push_back({unescape(pair.substr(9)), true});
        }
    }
    return sockets;
}

// Whether the bus at `socket` answered the handshake's first line; nullopt when it could not be
// reached at all, which a client finds out at once.
std::optional<bool> answers(const UnixSocket& socket, Clock::time_point deadline) {
    sockaddr_un address{};
    const std::size_t offset = socket.abstract ? 1 : 0;
    if (socket.name.size() + offset >= sizeof(address.sun_path)) return std::nullopt;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path + offset, socket.name.data(), socket.name.size());
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + socket.name.size() +
                                               (socket.abstract ? 0 : 1));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return std::nullopt;
    std::optional<bool> answered;
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
        // A queue that is full would hold a client that waits to connect.
        if (errno == EAGAIN) answered = false;
    } else if (send(fd, kHandshake.data(), kHandshake.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(kHandshake.size())) {
        pollfd reply{fd, POLLIN, 0};
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        int ready = 0;
        do {
            ready = poll(&reply, 1, static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0)));
        } while (ready < 0 && errno == EINTR);
        // A reply, or the bus hanging up: either way a client hears from it.
        answered = ready > 0;
    }
    close(fd);
    return answered;
}

}  // namespace

bool sessionBusAnswers(const char* address, std::chrono::milliseconds patience) {
    std::string list;
    if (address && *address) {
        list = address;
    } else if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
        list = std::string("unix:path=") + runtime + "/bus";
    }
    const Clock::time_point deadline = Clock::now() + patience;
    for (const UnixSocket& socket : unixSockets(list)) {
        if (const std::optional<bool> answered = answers(socket, deadline)) return *answered;
    }
    return true;
}

bool switchOffSilentSessionBus(std::chrono::milliseconds patience) {
    if (sessionBusAnswers(std::getenv("DBUS_SESSION_BUS_ADDRESS"), patience)) return false;
    qCWarning(lcApp, "the session bus does not answer; going on without it");
    setenv("DBUS_SESSION_BUS_ADDRESS", kNoBus, 1);
    return true;
}

}  // namespace qx4::gui
