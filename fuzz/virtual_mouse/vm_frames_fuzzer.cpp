// The virtual mouse's reading of a client connection. However the bytes are split, the decoder
// hands out what a plain reading of the whole stream gives: frames that re-encode to the bytes
// they came from, or command lines within the limit; it stops exactly where the peer broke the
// protocol, and never holds more than one unfinished message.
#include <fuzzer/FuzzedDataProvider.h>

#include <random>
#include <string>
#include <vector>

#include "plugins/virtualmouse/vm_protocol.h"
#include "require.h"

namespace {

using namespace qx4::vm;
using qx4::fuzz::require;
using Bytes = std::vector<std::uint8_t>;

struct Reading {
    std::vector<Bytes> messages;  // frames as encoded, or lines
    bool broken = false;
};

// The frames at the start of the stream, read off in one go.
Reading readFrames(const Bytes& stream) {
    Reading reading;
    std::size_t at = 0;
    while (stream.size() - at >= kFrameHeaderSize) {
        std::uint32_t size = 0;
        for (int i = 0; i < 4; ++i) size |= static_cast<std::uint32_t>(stream[at + 1 + i]) << (8 * i);
        if (stream[at] >= 0x20 || size > kMaxPayload) {
            reading.broken = true;
            break;
        }
        if (stream.size() - at - kFrameHeaderSize < size) break;
        const auto end = at + kFrameHeaderSize + size;
        reading.messages.emplace_back(stream.begin() + static_cast<std::ptrdiff_t>(at),
                                      stream.begin() + static_cast<std::ptrdiff_t>(end));
        at = end;
    }
    return reading;
}

// The command lines of the stream: split at line ends, a carriage return before one dropped,
// blank ones skipped; a line over the limit, ended or not, ends the reading.
Reading readLines(const Bytes& stream) {
    Reading reading;
    const std::string text(stream.begin(), stream.end());
    std::size_t at = 0;
    for (;;) {
        const auto end = text.find('\n', at);
        const std::size_t length = (end == std::string::npos ? text.size() : end) - at;
        if (length > kMaxLine) {
            reading.broken = true;
            break;
        }
        if (end == std::string::npos) break;
        std::string line = text.substr(at, length);
        at = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.find_first_not_of(" \t") != std::string::npos) reading.messages.emplace_back(line.begin(), line.end());
    }
    return reading;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider provider(data, size);
    // The split comes from the input's last bytes, the stream from the rest.
    std::minstd_rand split(provider.ConsumeIntegral<std::uint32_t>());
    const std::size_t largestPiece = provider.ConsumeIntegralInRange<std::size_t>(1, 2 * kMaxPayload);
    const Bytes stream = provider.ConsumeRemainingBytes<std::uint8_t>();

    ClientDecoder decoder;
    Reading got;
    for (std::size_t at = 0; at < stream.size();) {
        const std::size_t piece = std::min<std::size_t>(stream.size() - at, 1 + split() % largestPiece);
        decoder.feed(std::span{stream.data() + at, piece});
        at += piece;
        while (auto frame = decoder.next()) {
            if (decoder.mode() == ClientDecoder::Mode::text) {
                require(frame->type == FrameType::control, "a line comes out as a control frame");
                got.messages.push_back(frame->payload);
            } else {
                got.messages.push_back(encodeFrame(frame->type, frame->payload));
            }
        }
        if (!decoder.broken()) {
            require(decoder.buffered() < kFrameHeaderSize + kMaxPayload, "holds one unfinished message at most");
        }
    }
    got.broken = decoder.broken();

    if (stream.empty()) {
        require(decoder.mode() == ClientDecoder::Mode::unknown && got.messages.empty(), "nothing read from nothing");
        return 0;
    }
    const bool text = stream[0] >= 0x20;
    require(decoder.mode() == (text ? ClientDecoder::Mode::text : ClientDecoder::Mode::framed),
          "the first byte decides the mode");
    require(decoder.problem().empty() || text, "only a text client is told why it is dropped");
    const Reading expected = text ? readLines(stream) : readFrames(stream);
    require(got.messages == expected.messages, "the messages a plain reading gives, in order");
    require(got.broken == expected.broken, "broken exactly when the peer broke the protocol");
    return 0;
}
