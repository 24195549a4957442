// The virtual mouse's reading of a client connection. However the bytes are
// split, the decoder hands out what it gives for the stream in one piece:
// frames that re-encode to the stream's start, or command lines within the
// limit; it never holds more than one unfinished message.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <random>
#include <vector>

#include "plugins/virtualmouse/vm_protocol.h"
#include "require.h"

namespace {

using namespace qx4::vm;
using qx4::fuzz::require;
using Bytes = std::vector<std::uint8_t>;

// Frames as encoded, or lines; and whether the peer broke the protocol.
std::pair<std::vector<Bytes>, bool> decodeAll(const Bytes& stream, std::minstd_rand* split, std::size_t largestPiece) {
    ClientDecoder decoder;
    std::vector<Bytes> messages;
    for (std::size_t at = 0; at < stream.size();) {
        const std::size_t piece =
            split ? std::min<std::size_t>(stream.size() - at, 1 + (*split)() % largestPiece) : stream.size();
        decoder.feed(std::span{stream.data() + at, piece});
        at += piece;
        while (auto frame = decoder.next()) {
            const bool text = decoder.mode() == ClientDecoder::Mode::text;
            require(!text || frame->type == FrameType::control, "a line comes out as a control frame");
            messages.push_back(text ? frame->payload : encodeFrame(frame->type, frame->payload));
        }
        require(decoder.broken() || decoder.buffered() < kFrameHeaderSize + kMaxPayload,
                "holds one unfinished message at most");
    }
    const auto expected = stream.empty()      ? ClientDecoder::Mode::unknown
                          : stream[0] >= 0x20 ? ClientDecoder::Mode::text
                                              : ClientDecoder::Mode::framed;
    require(decoder.mode() == expected, "the first byte decides the mode");
    require(decoder.problem().empty() || expected == ClientDecoder::Mode::text, "only a text client is told why");
    return {messages, decoder.broken()};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider provider(data, size);
    // The split comes from the input's last bytes, the stream from the rest.
    std::minstd_rand split(provider.ConsumeIntegral<std::uint32_t>());
    const std::size_t largestPiece = provider.ConsumeIntegralInRange<std::size_t>(1, 2 * kMaxPayload);
    const Bytes stream = provider.ConsumeRemainingBytes<std::uint8_t>();

    const auto [messages, broken] = decodeAll(stream, &split, largestPiece);
    require(std::pair{messages, broken} == decodeAll(stream, nullptr, 0), "the split changes nothing");
    const bool framed = !stream.empty() && stream[0] < 0x20;
    Bytes joined;
    for (const Bytes& message : messages) {
        if (framed)
            joined.insert(joined.end(), message.begin(), message.end());
        else
            require(message.size() <= kMaxLine && std::ranges::find(message, '\n') == message.end(),
                    "lines within the limit");
    }
    require(!framed || (joined.size() <= stream.size() && std::equal(joined.begin(), joined.end(), stream.begin())),
            "frames re-encode to the stream's start");
    return 0;
}
