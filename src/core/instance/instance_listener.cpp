#include "core/instance/instance_listener.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace qx4 {
namespace {

bool fromThisUser(int fd) {
    ucred peer{};
    socklen_t length = sizeof(peer);
    return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 && peer.uid == getuid();
}

}  // namespace

InstanceListener::InstanceListener(std::filesystem::path socketPath) : path_(std::move(socketPath)) {
    sockaddr_un address{};
    const std::string path = path_.string();
    if (path.size() >= sizeof(address.sun_path)) {
        error_ = "the socket path " + path + " is too long";
        return;
    }
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    unlink(path.c_str());
    fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    // The folder is the user's alone; the socket file is closed to others as well.
    if (fd_ < 0 || bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
        chmod(path.c_str(), S_IRUSR | S_IWUSR) != 0 || listen(fd_, SOMAXCONN) != 0) {
        error_ = "cannot listen on " + path + ": " + std::strerror(errno);
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }
}

InstanceListener::~InstanceListener() {
    if (fd_ < 0) return;
    close(fd_);
    unlink(path_.c_str());
}

InstanceListener::Accepted InstanceListener::acceptOne() {
    for (;;) {
        const int client = accept4(fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (client >= 0) {
            if (fromThisUser(client)) return {Accepted::Kind::client, client};
            close(client);
            continue;
        }
        switch (errno) {
        case EAGAIN:
            return {Accepted::Kind::noneWaiting};
        case EINTR:
        case ECONNABORTED:
        case EPROTO:
            continue;  // that client gave up; the next may be there
        default:
            return {Accepted::Kind::shortOfResources, -1, errno};  // EMFILE, ENFILE, ENOBUFS, ENOMEM
        }
    }
}

}  // namespace qx4
