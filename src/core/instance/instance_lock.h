// One copy of the program per user, and the way to it. The first copy holds an exclusive flock on
// "KESTRA QX4.lock" in the user's runtime folder and listens on the local socket "KESTRA QX4.sock"
// beside it; a second copy, and qx4ctl, find the lock taken and talk to the holder over the socket.
// qx4ctl holds the lock itself while it rewrites the data files, so a copy that starts meanwhile
// waits and then reads them whole. The kernel drops an flock when its holder dies, so a crash never
// leaves a lock that blocks the next start.
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

namespace qx4 {

inline constexpr const char* kInstanceName = "KESTRA QX4";

// $QX4_RUNTIME_DIR, else $XDG_RUNTIME_DIR, else a folder of our own under /tmp. The folder must
// belong to the user and be closed to everyone else; nullopt (with the reason in `error`) if not.
std::optional<std::filesystem::path> runtimeFolder(std::string* error);

class InstanceLock {
public:
    enum class Result { acquired, alreadyRunning, unavailable };

    explicit InstanceLock(std::filesystem::path folder);
    ~InstanceLock();  // release()
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    Result acquire();
    void release();
    const std::string& error() const { return error_; }
    std::filesystem::path socketPath() const;

    // True while some copy holds the lock, as far as this one can tell.
    bool heldElsewhere() const;
    // A connected socket (close it) to the copy that holds the lock; -1 when none holds it or it
    // could not be reached. A holder that does not listen yet is still starting, or is qx4ctl
    // writing the data files, so it is tried again while it holds the lock, for `patience`.
    int connectToHolder(std::chrono::milliseconds patience) const;

private:
    std::filesystem::path lockPath() const;

    std::filesystem::path folder_;
    int lockFd_ = -1;
    std::string error_;
};

}  // namespace qx4
