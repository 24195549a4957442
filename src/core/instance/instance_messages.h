// What travels over the instance socket. A second copy of the program sends the line that asks
// for the window, and closes. qx4ctl sends one request frame, the command as it was typed with the
// folders it was typed in, and reads one reply frame until the program closes the connection:
//
//   request:  "QX4CTL/1 <n>\n" then n fields, each "<length>:<bytes>\n"; the fields are the data
//             folder, the working folder and the arguments (the command's name first)
//   reply:    "QX4CTL/1 <exit code> <length of out> <length of err>\n" then out and err
//
// Lengths are decimal byte counts. Fields are bytes as the system gave them (a folder's or an
// argument's name need not be UTF-8), without NUL, which no path or argument holds. A request is
// bounded in every part, so the program never holds more than kMaxRequestBytes of one, and a frame
// that breaks any rule is malformed as a whole.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qx4 {

// The window message copies have always sent: its number (1037), wParam 0 and lParam 0. No message
// of that number is posted inside the program any more.
inline constexpr std::string_view kShowMainLine = "1037 0 0\n";
inline constexpr std::string_view kFrameMagic = "QX4CTL/1 ";

inline constexpr std::size_t kMaxRequestBytes = 64 * 1024;
inline constexpr std::size_t kMaxRequestArguments = 64;
inline constexpr std::size_t kMaxFieldBytes = 4096;  // a path may be this long
inline constexpr std::size_t kMaxReplyBytes = 1024 * 1024;
// The arguments of one request together; with two folders of kMaxFieldBytes they fit
// kMaxRequestBytes.
inline constexpr std::size_t kMaxArgumentsBytes = 32 * 1024;

struct InstanceRequest {
    std::string dataFolder;     // where qx4ctl reads and writes the data files
    std::string workingFolder;  // relative file names are taken from here
    std::vector<std::string> arguments;
    bool operator==(const InstanceRequest&) const = default;
};

struct InstanceReply {
    int exitCode = 0;
    std::string out;
    std::string err;
    bool operator==(const InstanceReply&) const = default;
};

std::string encodeRequest(const InstanceRequest& request);
std::string encodeReply(const InstanceReply& reply);
// nullopt unless the bytes are exactly one well-formed reply.
std::optional<InstanceReply> decodeReply(std::string_view bytes);

// Why a request could not carry these arguments (too many, one or all of them too long); nullopt
// when it can. qx4ctl's commands refuse such a command line whether or not the program runs, so
// that the program takes whatever qx4ctl takes.
std::optional<std::string> argumentsBeyondRequest(std::span<const std::string_view> arguments);

// Reads a request as its bytes arrive, in pieces of any size, never holding more than one bounded
// request. At least one argument is required.
class RequestDecoder {
public:
    enum class State { incomplete, complete, malformed };

    // Takes the next bytes; anything after a complete request makes it malformed.
    State feed(std::string_view bytes);
    State state() const { return state_; }
    const InstanceRequest& request() const { return request_; }
    // Why a request is malformed, for the error reply.
    const std::string& problem() const { return problem_; }

private:
    enum class Part { header, length, field, fieldEnd };
    State fail(std::string reason);
    bool finishHeader();
    bool finishField();

    State state_ = State::incomplete;
    Part part_ = Part::header;
    std::string pending_;  // the header line, a length or a field, as far as it has come
    std::size_t total_ = 0;
    std::size_t fieldCount_ = 0;
    std::size_t fieldLength_ = 0;
    std::vector<std::string> fields_;
    InstanceRequest request_;
    std::string problem_;
};

}  // namespace qx4
