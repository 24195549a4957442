#include "core/instance/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace qx4 {
namespace {

constexpr std::chrono::milliseconds kRetryInterval{20};

std::string instanceFile(const char* suffix) { return std::string(kInstanceName) + suffix; }

// The lock's range is the whole file, whatever its length; the kernel asks for pid 0 with OFD locks.
struct flock wholeFile(short type) {
    struct flock range {};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    return range;
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

InstanceLock::~InstanceLock() { release(); }

void InstanceLock::release() {
    if (lockFd_ >= 0) close(lockFd_);
    lockFd_ = -1;
}

std::filesystem::path InstanceLock::socketPath() const { return folder_ / instanceFile(".sock"); }

std::filesystem::path InstanceLock::lockPath() const { return folder_ / instanceFile(".lock"); }

InstanceLock::Result InstanceLock::acquire() {
    release();
    const auto path = lockPath();
    lockFd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lockFd_ < 0) {
        error_ = "cannot open " + path.string() + ": " + std::strerror(errno);
        return Result::unavailable;
    }
    struct flock whole = wholeFile(F_WRLCK);
    if (fcntl(lockFd_, F_OFD_SETLK, &whole) == 0) return Result::acquired;
    const int reason = errno;
    release();
    if (reason == EAGAIN || reason == EACCES) return Result::alreadyRunning;
    error_ = "cannot lock " + path.string() + ": " + std::strerror(reason);
    return Result::unavailable;
}

bool InstanceLock::heldElsewhere() const {
    const int fd = open(lockPath().c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return false;
    struct flock whole = wholeFile(F_WRLCK);
    const bool held = fcntl(fd, F_OFD_GETLK, &whole) == 0 && whole.l_type != F_UNLCK;
    close(fd);
    return held;
}

int InstanceLock::connectToHolder(std::chrono::milliseconds patience) const {
    const std::string path = socketPath().string();
    sockaddr_un address{};
    if (path.size() >= sizeof(address.sun_path)) return -1;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);

    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        if (!heldElsewhere()) return -1;
        const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return -1;
        if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0) return fd;
        const int reason = errno;
        close(fd);
        // No socket yet, or a dead copy's: the holder has not reached listening.
        const bool starting = reason == ENOENT || reason == ECONNREFUSED;
        if (!starting || std::chrono::steady_clock::now() >= deadline) return -1;
        std::this_thread::sleep_for(kRetryInterval);
    }
}

DataFilesLock::DataFilesLock(const std::filesystem::path& folder, Mode mode) {
    const auto path = folder / instanceFile(".data.lock");
    fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd_ < 0) {
        error_ = "cannot open " + path.string() + ": " + std::strerror(errno);
        return;
    }
    const int operation = mode == Mode::exclusive ? LOCK_EX : LOCK_SH;
    int locked;
    do {
        locked = flock(fd_, operation);
    } while (locked != 0 && errno == EINTR);
    if (locked == 0) return;
    error_ = "cannot lock " + path.string() + ": " + std::strerror(errno);
    close(fd_);
    fd_ = -1;
}

DataFilesLock::~DataFilesLock() {
    if (fd_ >= 0) close(fd_);
}

}  // namespace qx4
