#include "gui/app/single_instance.h"

#include <QByteArray>
#include <QLocalServer>
#include <QLocalSocket>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "core/window_messages.h"
#include "gui/app/diagnostics.h"
#include "gui/app/window_message.h"

namespace qx4::gui {

namespace {
constexpr qint64 kMaxRequestBytes = 64;
// A first copy takes its lock some 150 ms before it listens, longer on a busy machine.
constexpr std::chrono::seconds kStartingPatience{5};
constexpr std::chrono::milliseconds kRetryInterval{20};

std::string instanceFile(const char* suffix) { return std::string(kInstanceName) + suffix; }

const QByteArray& showMainRequest() {
    static const QByteArray request = QByteArray::number(UM_SHOW_MAIN) + " 0 0\n";
    return request;
}

bool isPrivateFolder(const std::filesystem::path& folder, std::string* error) {
    struct stat info {};
    if (lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        if (error) *error = "the runtime folder " + folder.string() + " is missing or not a folder";
        return false;
    }
    if (info.st_uid != getuid() || (info.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        if (error) *error = "the runtime folder " + folder.string() + " is open to other users";
        return false;
    }
    return true;
}
}  // namespace

std::optional<std::filesystem::path> runtimeFolder(std::string* error) {
    for (const char* variable : {"QX4_RUNTIME_DIR", "XDG_RUNTIME_DIR"}) {
        const char* value = std::getenv(variable);
        if (value && *value) {
            std::filesystem::path folder(value);
            if (!isPrivateFolder(folder, error)) return std::nullopt;
            return folder;
        }
    }
    std::filesystem::path fallback =
        std::filesystem::temp_directory_path() / ("qx4-config-" + std::to_string(getuid()));
    mkdir(fallback.c_str(), 0700);
    if (!isPrivateFolder(fallback, error)) return std::nullopt;
    return fallback;
}

InstanceLock::InstanceLock(std::filesystem::path folder) : folder_(std::move(folder)) {}

InstanceLock::~InstanceLock() {
    if (lockFd_ >= 0) close(lockFd_);
}

std::filesystem::path InstanceLock::socketPath() const { return folder_ / instanceFile(".sock"); }

std::filesystem::path InstanceLock::lockPath() const { return folder_ / instanceFile(".lock"); }

InstanceLock::Result InstanceLock::acquire() {
    const auto path = lockPath();
    lockFd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lockFd_ < 0) {
        error_ = "cannot open " + path.string() + ": " + std::strerror(errno);
        return Result::unavailable;
    }
    if (flock(lockFd_, LOCK_EX | LOCK_NB) == 0) return Result::acquired;
    const int reason = errno;
    close(lockFd_);
    lockFd_ = -1;
    if (reason == EWOULDBLOCK) return Result::alreadyRunning;
    error_ = "cannot lock " + path.string() + ": " + std::strerror(reason);
    return Result::unavailable;
}

bool InstanceLock::lockHeld() const {
    const int fd = open(lockPath().c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return false;
    const bool held = flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    close(fd);
    return held;
}

bool InstanceLock::sendShowMain() const {
    const std::string path = socketPath().string();
    sockaddr_un address{};
    if (path.size() >= sizeof(address.sun_path)) return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);

    const auto deadline = std::chrono::steady_clock::now() + kStartingPatience;
    for (;;) {
        const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return false;
        if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0) {
            const QByteArray& request = showMainRequest();
            const bool sent = send(fd, request.constData(), static_cast<std::size_t>(request.size()),
                                   MSG_NOSIGNAL) == request.size();
            close(fd);
            return sent;
        }
        const int reason = errno;
        close(fd);
        // No socket yet, or a dead copy's: the lock's holder has not reached listening.
        const bool starting = reason == ENOENT || reason == ECONNREFUSED;
        if (!starting || std::chrono::steady_clock::now() >= deadline || !lockHeld()) return false;
        std::this_thread::sleep_for(kRetryInterval);
    }
}

InstanceServer::InstanceServer(const std::filesystem::path& socketPath, QObject* target)
    : QObject(target), server_(new QLocalServer(this)), target_(target) {
    const QString path = QString::fromStdString(socketPath.string());
    // Only the lock holder gets here, so a socket file left behind is a dead copy's.
    QLocalServer::removeServer(path);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    server_->listen(path);
    connect(server_, &QLocalServer::newConnection, this, &InstanceServer::acceptConnections);
}

bool InstanceServer::listening() const { return server_->isListening(); }

void InstanceServer::acceptConnections() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readRequest(socket); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        readRequest(socket);
    }
}

void InstanceServer::readRequest(QLocalSocket* socket) {
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > kMaxRequestBytes) socket->abort();
        return;
    }
    const QByteArray line = socket->readLine(kMaxRequestBytes);
    if (line == showMainRequest()) {
        qCDebug(lcApp, "a second start asks for the window");
        postWindowMessage(target_, UM_SHOW_MAIN);
    }
    socket->disconnectFromServer();
}

}  // namespace qx4::gui
