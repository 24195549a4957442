// One copy of the program per user, and the way to it. The first copy holds a lock on
// "KESTRA QX4.lock" in the user's runtime folder and listens on the local socket "KESTRA QX4.sock"
// beside it; a second copy, and qx4ctl, find the lock taken and talk to the holder over the socket.
// Only a program ever holds that lock, so a taken lock means "a program runs". It is an open file
// description lock: others can look at it without taking it, and the kernel drops it when its
// holder dies, so a crash never leaves a lock that blocks the next start.
//
// The data files have a lock of their own, "KESTRA QX4.data.lock": copies of qx4ctl that write
// them queue for it in the kernel, and a program reads them under it at its start, so a program
// starting while qx4ctl writes waits and then reads them whole.
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
    const std::filesystem::path& folder() const { return folder_; }
    std::filesystem::path socketPath() const;

    // True while a program holds the lock. Looking takes nothing, so it never stands in the way
    // of a program that starts at that moment.
    bool heldElsewhere() const;
    // A connected socket (close it) to the program that holds the lock; -1 when none holds it or
    // it could not be reached. A holder that does not listen yet is still starting, so it is tried
    // again while it holds the lock, for `patience`.
    int connectToHolder(std::chrono::milliseconds patience) const;

private:
    std::filesystem::path lockPath() const;

    std::filesystem::path folder_;
    int lockFd_ = -1;
    std::string error_;
};

// Held from construction, which waits in the kernel's queue for it, to destruction.
class DataFilesLock {
public:
    enum class Mode { shared, exclusive };

    DataFilesLock(const std::filesystem::path& folder, Mode mode);
    ~DataFilesLock();
    DataFilesLock(const DataFilesLock&) = delete;
    DataFilesLock& operator=(const DataFilesLock&) = delete;

    // False when the lock file could not be opened or locked; error() says why.
    bool held() const { return fd_ >= 0; }
    const std::string& error() const { return error_; }

private:
    int fd_ = -1;
    std::string error_;
};

}  // namespace qx4
