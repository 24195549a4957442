// One copy of the program per user. The first copy holds an exclusive lock on "KESTRA QX4.lock"
// in the user's runtime folder and listens on the local socket "KESTRA QX4.sock" beside it; a
// second copy finds the lock taken, sends UM_SHOW_MAIN over the socket and ends. The lock is an
// flock, which the kernel drops when its holder dies, so a crash never leaves a lock that blocks
// the next start.
#pragma once

#include <QObject>
#include <QString>

#include <filesystem>
#include <optional>
#include <string>

class QLocalServer;
class QLocalSocket;

namespace qx4::gui {

inline constexpr const char* kInstanceName = "KESTRA QX4";

// $QX4_RUNTIME_DIR, else $XDG_RUNTIME_DIR, else a folder of our own under /tmp. The folder must
// belong to the user and be closed to everyone else; nullopt (with the reason in `error`) if not.
std::optional<std::filesystem::path> runtimeFolder(std::string* error);

class InstanceLock {
public:
    enum class Result { acquired, alreadyRunning, unavailable };

    explicit InstanceLock(std::filesystem::path folder);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    Result acquire();
    const std::string& error() const { return error_; }
    std::filesystem::path socketPath() const;

    // From a second copy: asks the running one to show its window. A first copy that holds the
    // lock but does not listen yet is still starting, so it is tried again for a few seconds.
    // False when it could not be reached; the caller ends either way.
    bool sendShowMain() const;

private:
    std::filesystem::path lockPath() const;
    // True while some copy holds the lock, as far as this copy can tell.
    bool lockHeld() const;

    std::filesystem::path folder_;
    int lockFd_ = -1;
    std::string error_;
};

// The first copy's end of the socket: a line "1037 0 0" from a second copy becomes UM_SHOW_MAIN
// posted to `target`, which also owns the server. Nothing else is accepted.
class InstanceServer final : public QObject {
    Q_OBJECT
public:
    InstanceServer(const std::filesystem::path& socketPath, QObject* target);
    bool listening() const;

private:
    void acceptConnections();
    void readRequest(QLocalSocket* socket);

    QLocalServer* server_;
    QObject* target_;
};

}  // namespace qx4::gui
