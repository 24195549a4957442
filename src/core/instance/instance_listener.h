// The first copy's listening end of the instance socket (instance_lock.h says who may listen),
// closed to other users. Accepting never gives up on the socket: a shortage of descriptors or
// memory is passing, so the caller is told to wait a moment and try again, and the socket stays.
#pragma once

#include <filesystem>
#include <string>

namespace qx4 {

class InstanceListener {
public:
    struct Accepted {
        enum class Kind { client, noneWaiting, shortOfResources };
        Kind kind;
        int fd = -1;     // the client's connection, non-blocking; the caller closes it
        int reason = 0;  // errno, when short of resources
    };

    // Replaces a socket file left behind by a dead copy; only the lock holder may do that.
    explicit InstanceListener(std::filesystem::path socketPath);
    ~InstanceListener();  // closes the socket and removes its file
    InstanceListener(const InstanceListener&) = delete;
    InstanceListener& operator=(const InstanceListener&) = delete;

    bool listening() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    const std::string& error() const { return error_; }

    // The next waiting client of this user; clients of other users are closed on the way.
    Accepted acceptOne();

private:
    std::filesystem::path path_;
    int fd_ = -1;
    std::string error_;
};

}  // namespace qx4
