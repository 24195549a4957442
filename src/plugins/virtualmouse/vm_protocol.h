// The conversation between qx4-virtual-mouse and its clients (the virtualmouse driver library and
// control clients such as tests) over one Unix stream socket. docs/virtual-mouse.md describes it
// for people; this header is its one table for code.
//
// Every message is a frame: type (1 byte, always below 0x20), payload length (4 bytes, little
// endian), payload. A connection whose first byte is printable is a text connection instead:
// command lines in, reply lines out.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/device/link_state.h"

namespace qx4::vm {

enum class FrameType : std::uint8_t {
    hello = 0x01,         // client: link (helloLinkByte), role (1 feature, 2 monitor)
    setFeature = 0x02,    // client: one feature report, byte 0 its command
    control = 0x03,       // client: one command line, without the line end
    status = 0x11,        // reply to hello: 1 when the link is plugged, else 0
    result = 0x12,        // reply to setFeature: 1 when the mouse took the report, else 0
    notification = 0x13,  // pushed to monitors: a notification (notification_payload)
    arrival = 0x14,       // pushed to monitors: 1 when the link was plugged, 0 when unplugged
    controlReply = 0x15,  // reply to control: the reply text, lines separated by '\n'
};

enum class Role : std::uint8_t { feature = 1, monitor = 2 };

// The notification frame's payload byte by byte: a code of core/device/notifications.h and its
// value, each 2 bytes little endian. The virtual mouse writes it and the driver library reads it,
// both through encodeNotification and decodeNotification below.
namespace notification_payload {
inline constexpr std::size_t kCode = 0;
inline constexpr std::size_t kValue = 2;
inline constexpr std::size_t kSize = 4;
static_assert(kValue == kCode + sizeof(std::uint16_t) && kSize == kValue + sizeof(std::uint16_t));
}  // namespace notification_payload

struct Notification {
    std::uint16_t code = 0;
    std::uint16_t value = 0;
};

inline constexpr std::size_t kFrameHeaderSize = 5;
// A frame larger than this is a broken peer; the connection is dropped.
inline constexpr std::uint32_t kMaxPayload = 64 * 1024;
// A text line is held to the same limit, without its line end.
inline constexpr std::size_t kMaxLine = kMaxPayload;
inline constexpr char kSocketName[] = "qx4-virtual-mouse.sock";
inline constexpr char kLockName[] = "qx4-virtual-mouse.lock";

// The hello frame names the link as 1 (receiver) or 2 (cable).
constexpr std::uint8_t helloLinkByte(Link link) { return link == Link::receiver ? 1 : 2; }
constexpr std::optional<Link> linkFromHelloByte(std::uint8_t byte) {
    if (byte == helloLinkByte(Link::receiver)) return Link::receiver;
    if (byte == helloLinkByte(Link::cable)) return Link::cable;
    return std::nullopt;
}

struct Frame {
    FrameType type{};
    std::vector<std::uint8_t> payload;
};

std::vector<std::uint8_t> encodeFrame(FrameType type, std::span<const std::uint8_t> payload);
std::vector<std::uint8_t> encodeFrame(FrameType type, std::string_view text);
// A whole notification frame.
std::vector<std::uint8_t> encodeNotification(Notification notification);
// The notification a frame carries; nothing for another frame or a payload of another size.
std::optional<Notification> decodeNotification(const Frame& frame);

// Collects bytes as they come and hands out whole frames.
class FrameDecoder {
public:
    void feed(std::span<const std::uint8_t> bytes);
    // The next whole frame, if one is there.
    std::optional<Frame> next();
    // True once the peer sent a header that no frame may have; the connection is to be dropped.
    bool broken() const { return broken_; }
    // Bytes held that no frame handed out has taken yet.
    std::size_t buffered() const { return buffer_.size() - start_; }

private:
    std::vector<std::uint8_t> buffer_;
    std::size_t start_ = 0;  // where the next frame begins; what lies before it is spent
    bool broken_ = false;
};

// The server's side of one client connection. The first byte decides what the connection is:
// below 0x20 framed, otherwise text, whose command lines come out as control frames (the line
// end, a carriage return before it and blank lines dropped).
class ClientDecoder {
public:
    enum class Mode { unknown, framed, text };

    // A decoder for a source known to carry text, such as a terminal, passes Mode::text.
    explicit ClientDecoder(Mode mode = Mode::unknown) : mode_(mode) {}

    void feed(std::span<const std::uint8_t> bytes);
    // The next whole frame or line, if one is there.
    std::optional<Frame> next();
    Mode mode() const { return mode_; }
    // True once the peer broke the protocol; the connection is to be dropped.
    bool broken() const { return frames_.broken() || !problem_.empty(); }
    // What a text peer is told when it is dropped; frames are dropped without a word.
    const std::string& problem() const { return problem_; }
    std::size_t buffered() const { return frames_.buffered() + text_.size() - lineStart_; }

private:
    std::optional<Frame> nextLine();

    Mode mode_ = Mode::unknown;
    FrameDecoder frames_;
    std::string text_;
    std::size_t lineStart_ = 0;  // where the next line begins
    std::size_t scanned_ = 0;    // bytes from lineStart_ on already known to hold no line end
    std::string problem_;
};

// The runtime folder: $QX4_RUNTIME_DIR, else $XDG_RUNTIME_DIR; empty when neither is set.
std::optional<std::filesystem::path> runtimeFolder();
// Empty when `folder` is a directory owned by this user that no one else may enter; otherwise
// why it is not.
std::string privacyProblem(const std::filesystem::path& folder);
std::optional<std::filesystem::path> socketPath();

// Blocking helpers for clients. Each returns false when the peer went away or the time ran out;
// the descriptor is then no longer usable.
int connectTo(const std::filesystem::path& socket);
bool sendAll(int fd, std::span<const std::uint8_t> bytes);
bool readFrame(int fd, FrameDecoder& decoder, Frame& frame, int timeoutMs);

}  // namespace qx4::vm
