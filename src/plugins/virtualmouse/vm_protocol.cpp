#include "plugins/virtualmouse/vm_protocol.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

namespace qx4::vm {

std::vector<std::uint8_t> encodeFrame(FrameType type, std::span<const std::uint8_t> payload) {
    std::vector<std::uint8_t> frame;
    frame.reserve(kFrameHeaderSize + payload.size());
    frame.push_back(static_cast<std::uint8_t>(type));
    const auto size = static_cast<std::uint32_t>(payload.size());
    for (int shift = 0; shift < 32; shift += 8) {
        frame.push_back(static_cast<std::uint8_t>(size >> shift));
    }
    frame.insert(frame.end(), payload.begin(), payload.end());
    return frame;
}

std::vector<std::uint8_t> encodeFrame(FrameType type, std::string_view text) {
    return encodeFrame(type, std::span{reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

std::vector<std::uint8_t> encodeNotification(Notification notification) {
    using namespace notification_payload;
    std::uint8_t payload[kSize] = {};
    const auto put = [&](std::size_t at, std::uint16_t field) {
        payload[at] = static_cast<std::uint8_t>(field);
        payload[at + 1] = static_cast<std::uint8_t>(field >> 8);
    };
    put(kCode, notification.code);
    put(kValue, notification.value);
    return encodeFrame(FrameType::notification, payload);
}

std::optional<Notification> decodeNotification(const Frame& frame) {
    using namespace notification_payload;
    if (frame.type != FrameType::notification || frame.payload.size() != kSize) return std::nullopt;
    const auto field = [&](std::size_t at) {
        return static_cast<std::uint16_t>(frame.payload[at] | (frame.payload[at + 1] << 8));
    };
    return Notification{field(kCode), field(kValue)};
}

void FrameDecoder::feed(std::span<const std::uint8_t> bytes) {
    // Spent bytes go once per feed rather than once per frame, so many small frames cost little.
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(start_));
    start_ = 0;
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
}

std::optional<Frame> FrameDecoder::next() {
    if (broken_ || buffered() < kFrameHeaderSize) return std::nullopt;
    const std::uint8_t* header = buffer_.data() + start_;
    if (header[0] >= 0x20) {
        broken_ = true;
        return std::nullopt;
    }
    std::uint32_t size = 0;
    for (int i = 0; i < 4; ++i) size |= static_cast<std::uint32_t>(header[1 + i]) << (8 * i);
    if (size > kMaxPayload) {
        broken_ = true;
        return std::nullopt;
    }
    if (buffered() < kFrameHeaderSize + size) return std::nullopt;
    const auto payload = buffer_.begin() + static_cast<std::ptrdiff_t>(start_ + kFrameHeaderSize);
    Frame frame{static_cast<FrameType>(header[0]), {payload, payload + size}};
    start_ += kFrameHeaderSize + size;
    return frame;
}

void ClientDecoder::feed(std::span<const std::uint8_t> bytes) {
    if (bytes.empty() || broken()) return;
    if (mode_ == Mode::unknown) mode_ = bytes[0] < 0x20 ? Mode::framed : Mode::text;
    if (mode_ == Mode::framed) {
        frames_.feed(bytes);
        return;
    }
    text_.erase(0, lineStart_);
    lineStart_ = 0;
    text_.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

std::optional<Frame> ClientDecoder::next() {
    if (mode_ == Mode::framed) return frames_.next();
    if (mode_ == Mode::text) return nextLine();
    return std::nullopt;
}

std::optional<Frame> ClientDecoder::nextLine() {
    while (problem_.empty()) {
        // Only what arrived since the last look is searched: a peer that never ends its line
        // costs each byte once.
        const auto end = text_.find('\n', lineStart_ + scanned_);
        const std::size_t length = (end == std::string::npos ? text_.size() : end) - lineStart_;
        if (length > kMaxLine) {
            problem_ = "a line is limited to " + std::to_string(kMaxLine) + " bytes";
            text_.clear();
            lineStart_ = scanned_ = 0;
            return std::nullopt;
        }
        if (end == std::string::npos) {
            scanned_ = length;
            return std::nullopt;
        }
        std::string_view line(text_.data() + lineStart_, length);
        lineStart_ = end + 1;
        scanned_ = 0;
        if (line.ends_with('\r')) line.remove_suffix(1);
        if (line.find_first_not_of(" \t") != std::string_view::npos) {
            return Frame{FrameType::control, {line.begin(), line.end()}};
        }
    }
    return std::nullopt;
}

std::optional<std::filesystem::path> runtimeFolder() {
    for (const char* name : {"QX4_RUNTIME_DIR", "XDG_RUNTIME_DIR"}) {
        const char* value = std::getenv(name);
        if (value && *value) return std::filesystem::path{value};
    }
    return std::nullopt;
}

std::string privacyProblem(const std::filesystem::path& folder) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) return folder.string() + " does not exist";
    if (!S_ISDIR(info.st_mode)) return folder.string() + " is not a folder";
    if (info.st_uid != ::getuid()) return folder.string() + " belongs to another user";
    if ((info.st_mode & 077) != 0) {
        return folder.string() + " may be entered by other users (mode must be 0700)";
    }
    return {};
}

std::optional<std::filesystem::path> socketPath() {
    auto folder = runtimeFolder();
    if (!folder) return std::nullopt;
    return *folder / kSocketName;
}

int connectTo(const std::filesystem::path& socket) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = socket.string();
    if (path.size() >= sizeof(address.sun_path)) return -1;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool sendAll(int fd, std::span<const std::uint8_t> bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

bool readFrame(int fd, FrameDecoder& decoder, Frame& frame, int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds{timeoutMs};
    for (;;) {
        if (auto next = decoder.next()) {
            frame = std::move(*next);
            return true;
        }
        if (decoder.broken()) return false;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return false;
        pollfd waitFor{fd, POLLIN, 0};
        const int ready = ::poll(&waitFor, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        std::uint8_t chunk[4096];
        const ssize_t n = ::recv(fd, chunk, sizeof(chunk), 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        decoder.feed(std::span{chunk, static_cast<std::size_t>(n)});
    }
}

}  // namespace qx4::vm
