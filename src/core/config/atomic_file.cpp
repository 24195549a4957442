#include "core/config/atomic_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace qx4 {
namespace {

constexpr int kMaxLinkHops = 40;  // as many as the kernel follows
constexpr int kNameAttempts = 8;
constexpr mode_t kPrivateFileMode = S_IRUSR | S_IWUSR;
constexpr mode_t kSharedFileMode = S_IRUSR | S_IWUSR | S_IRGRP | S_IWGRP | S_IROTH | S_IWOTH;
constexpr std::string_view kTemporaryMark = ".tmp-";

std::error_code lastError() { return {errno, std::generic_category()}; }

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return fd_; }
    // Closes now, so that the caller sees the error a close may report.
    bool close() { return ::close(std::exchange(fd_, -1)) == 0; }

private:
    int fd_;
};

bool readFully(int fd, std::vector<std::byte>& bytes) {
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t count = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) return false;
        if (count == 0) break;  // the file shrank since it was measured
        got += static_cast<std::size_t>(count);
    }
    bytes.resize(got);
    return true;
}

bool writeFully(int fd, std::span<const std::byte> bytes) {
    while (!bytes.empty()) {
        const ssize_t count = ::write(fd, bytes.data(), bytes.size());
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) return false;
        bytes = bytes.subspan(static_cast<std::size_t>(count));
    }
    return true;
}

// The file a save replaces: the path itself, or where its chain of links ends. nullopt for a
// loop or a link that cannot be read.
std::optional<std::filesystem::path> endOfLinks(std::filesystem::path file) {
    for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
        std::error_code error;
        if (!std::filesystem::is_symlink(std::filesystem::symlink_status(file, error))) return file;
        const std::filesystem::path next = std::filesystem::read_symlink(file, error);
        if (error) return std::nullopt;
        file = next.is_absolute() ? next : file.parent_path() / next;
    }
    return std::nullopt;
}

// The temporary file is created with createMode, which the umask trims, then set to keptMode.
struct NewFileMode {
    mode_t createMode;
    std::optional<mode_t> keptMode;
};

// The replaced file's mode; for a new file, what its use calls for. nullopt when what is there
// must not be replaced: anything but a regular file, or a file this process cannot read and so
// cannot have loaded.
std::optional<NewFileMode> modeForReplacement(const std::filesystem::path& destination, FileUse use) {
    struct stat info {};
    if (::lstat(destination.c_str(), &info) != 0) {
        if (errno != ENOENT) return std::nullopt;
        if (use == FileUse::sharedFile) return NewFileMode{kSharedFileMode, std::nullopt};
        return NewFileMode{kPrivateFileMode, kPrivateFileMode};
    }
    if (!S_ISREG(info.st_mode) || ::access(destination.c_str(), R_OK) != 0) return std::nullopt;
    return NewFileMode{kPrivateFileMode, info.st_mode & 0777};
}

std::filesystem::path folderOf(const std::filesystem::path& file) {
    return file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
}

std::filesystem::path temporaryNameFor(const std::filesystem::path& destination) {
    static std::atomic<unsigned> counter{0};
    std::filesystem::path name = destination;
    name += std::string(kTemporaryMark) + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1));
    return name;
}

// Makes the rename itself durable; a folder that cannot be synced leaves it to the system.
void syncFolder(const std::filesystem::path& folder) {
    const Descriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() >= 0) ::fsync(fd.get());
}

bool writeNewFile(int fd, std::optional<mode_t> keptMode, std::span<const std::byte> bytes) {
    // fchmod, not the creation mode, so that the umask cannot take bits away from a kept mode.
    if (keptMode && ::fchmod(fd, *keptMode) != 0) return false;
    return writeFully(fd, bytes) && ::fsync(fd) == 0;
}

// The process id in "<pid>-<n>", the part of a temporary name after its mark.
std::optional<pid_t> savingProcess(std::string_view suffix) {
    const std::size_t dash = suffix.find('-');
    if (dash == std::string_view::npos || dash == 0 || dash + 1 == suffix.size()) return std::nullopt;
    const std::string_view sequence = suffix.substr(dash + 1);
    if (!std::all_of(sequence.begin(), sequence.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    pid_t pid = 0;
    const auto [end, error] = std::from_chars(suffix.data(), suffix.data() + dash, pid);
    if (error != std::errc() || end != suffix.data() + dash || pid <= 0) return std::nullopt;
    return pid;
}

bool processRuns(pid_t pid) {
    return pid == ::getpid() || ::kill(pid, 0) == 0 || errno != ESRCH;
}

void removeStaleBeside(const std::filesystem::path& file) {
    const std::string prefix = file.filename().string() + std::string(kTemporaryMark);
    std::vector<std::filesystem::path> stale;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folderOf(file), error), end; !error && entry != end;
         entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        if (!name.starts_with(prefix)) continue;
        const auto pid = savingProcess(std::string_view(name).substr(prefix.size()));
        if (pid && !processRuns(*pid)) stale.push_back(entry->path());
    }
    for (const std::filesystem::path& path : stale) std::filesystem::remove(path, error);
}

}  // namespace

FileRead readRegularFile(const std::filesystem::path& source, std::size_t maxBytes) {
    FileRead result;
    // Opening some devices has effects of its own, so what is plainly no regular file is refused
    // unopened; the opened file is checked again, as the name may meanwhile lead elsewhere.
    struct stat info {};
    if (::stat(source.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        result.status = ReadStatus::notRegularFile;
        return result;
    }
    const Descriptor fd(::open(source.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0) {
        result.status = errno == ENOENT ? ReadStatus::missing : ReadStatus::unreadable;
        result.error = lastError();
        return result;
    }
    if (::fstat(fd.get(), &info) != 0) {
        result.error = lastError();
        return result;
    }
    if (!S_ISREG(info.st_mode)) {
        result.status = ReadStatus::notRegularFile;
        return result;
    }
    result.size = static_cast<std::uint64_t>(info.st_size);
    result.bytes.resize(static_cast<std::size_t>(std::min<std::uint64_t>(result.size, maxBytes)));
    if (!readFully(fd.get(), result.bytes)) {
        result.error = lastError();
        result.bytes.clear();
        return result;
    }
    result.status = ReadStatus::read;
    return result;
}

namespace {

std::error_code errorOf(std::errc code) { return std::make_error_code(code); }

// Why what is at the destination must not be replaced, for modeForReplacement's refusal.
std::error_code replacementRefusal(const std::filesystem::path& destination) {
    struct stat info {};
    if (::lstat(destination.c_str(), &info) != 0) return lastError();
    if (S_ISDIR(info.st_mode)) return errorOf(std::errc::is_a_directory);
    if (!S_ISREG(info.st_mode)) return errorOf(std::errc::not_supported);
    if (::access(destination.c_str(), R_OK) != 0) return lastError();
    return errorOf(std::errc::operation_not_permitted);
}

// One file's new bytes in its flushed temporary, waiting to be renamed over its destination.
struct PreparedFile {
    std::filesystem::path temporary;
    std::filesystem::path destination;
};

std::error_code prepare(const FileReplacement& file, PreparedFile& prepared) {
    std::error_code error;
    if (file.use == FileUse::dataFile && file.target.has_parent_path()) {
        std::filesystem::create_directories(file.target.parent_path(), error);
    }
    if (error) return error;
    const auto destination = endOfLinks(file.target);
    if (!destination) return errorOf(std::errc::too_many_symbolic_link_levels);
    const auto mode = modeForReplacement(*destination, file.use);
    if (!mode) return replacementRefusal(*destination);

    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::filesystem::path temporary = temporaryNameFor(*destination);
        // Exclusive creation: an existing file, or a link planted under the name, is never written.
        Descriptor fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY,
                             mode->createMode));
        if (fd.get() < 0) {
            if (errno == EEXIST) continue;
            return lastError();
        }
        errno = 0;
        const bool written = writeNewFile(fd.get(), mode->keptMode, file.bytes);
        // A write that took nothing sets no errno: a full disk says so only then.
        error = written ? std::error_code() : errno != 0 ? lastError() : errorOf(std::errc::no_space_on_device);
        if (!fd.close() && !error) error = lastError();
        if (error) {
            ::unlink(temporary.c_str());
            return error;
        }
        prepared = {temporary, *destination};
        return {};
    }
    return errorOf(std::errc::file_exists);
}

}  // namespace

FilesWriteResult writeFilesAtomically(std::span<const FileReplacement> files) {
    FilesWriteResult result;
    std::vector<PreparedFile> prepared(files.size());
    const auto dropTemporaries = [&prepared](std::size_t from) {
        for (std::size_t i = from; i < prepared.size(); ++i) {
            if (!prepared[i].temporary.empty()) ::unlink(prepared[i].temporary.c_str());
        }
    };
    for (std::size_t i = 0; i < files.size(); ++i) {
        result.error = prepare(files[i], prepared[i]);
        if (result.error) {
            result.failed = i;
            dropTemporaries(0);
            return result;
        }
    }
    for (std::size_t i = 0; i < prepared.size(); ++i) {
        if (::rename(prepared[i].temporary.c_str(), prepared[i].destination.c_str()) != 0) {
            result.error = lastError();
            result.failed = i;
            dropTemporaries(i);
            return result;
        }
        prepared[i].temporary.clear();
        syncFolder(folderOf(prepared[i].destination));
        ++result.replaced;
    }
    return result;
}

bool writeFileAtomically(const std::filesystem::path& target, std::span<const std::byte> bytes, FileUse use,
                         std::error_code* reason) {
    const FileReplacement file{target, bytes, use};
    const std::error_code error = writeFilesAtomically(std::span(&file, 1)).error;
    if (reason) *reason = error;
    return !error;
}

void removeStaleTemporaries(const std::filesystem::path& target) {
    removeStaleBeside(target);
    const auto destination = endOfLinks(target);
    if (destination && *destination != target) removeStaleBeside(*destination);
}

}  // namespace qx4
