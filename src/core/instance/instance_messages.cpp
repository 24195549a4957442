#include "core/instance/instance_messages.h"

#include <charconv>

namespace qx4 {
namespace {

constexpr std::size_t kFixedFields = 2;  // the data folder and the working folder
constexpr std::size_t kMaxHeaderBytes = 32;
constexpr std::size_t kMaxLengthDigits = 7;
// "<length>:" and "\n" around a field's bytes.
constexpr std::size_t kMaxFieldFraming = kMaxLengthDigits + 2;

static_assert(kMaxHeaderBytes + 1 + (kFixedFields + kMaxRequestArguments) * kMaxFieldFraming +
                      kFixedFields * kMaxFieldBytes + kMaxArgumentsBytes <=
                  kMaxRequestBytes,
              "a request must carry any arguments that argumentsBeyondRequest lets through");

std::string field(std::string_view bytes) {
    return std::to_string(bytes.size()) + ":" + std::string(bytes) + "\n";
}

// Decimal digits only, no sign, no leading zero.
std::optional<std::size_t> readCount(std::string_view text) {
    if (text.empty() || (text.size() > 1 && text.front() == '0')) return std::nullopt;
    std::size_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return value;
}

}  // namespace

std::string encodeRequest(const InstanceRequest& request) {
    std::string frame = std::string(kFrameMagic) +
                        std::to_string(kFixedFields + request.arguments.size()) + "\n";
    frame += field(request.dataFolder);
    frame += field(request.workingFolder);
    for (const std::string& argument : request.arguments) frame += field(argument);
    return frame;
}

std::string encodeReply(const InstanceReply& reply) {
    return std::string(kFrameMagic) + std::to_string(reply.exitCode) + " " + std::to_string(reply.out.size()) + " " +
           std::to_string(reply.err.size()) + "\n" + reply.out + reply.err;
}

std::optional<InstanceReply> decodeReply(std::string_view bytes) {
    if (!bytes.starts_with(kFrameMagic)) return std::nullopt;
    const std::size_t lineEnd = bytes.find('\n');
    if (lineEnd == std::string_view::npos) return std::nullopt;
    std::string_view header = bytes.substr(kFrameMagic.size(), lineEnd - kFrameMagic.size());
    std::optional<std::size_t> numbers[3];
    for (auto& number : numbers) {
        const std::size_t space = header.find(' ');
        number = readCount(header.substr(0, space));
        header = space == std::string_view::npos ? std::string_view() : header.substr(space + 1);
        if (!number) return std::nullopt;
    }
    const std::string_view body = bytes.substr(lineEnd + 1);
    if (!header.empty() || *numbers[0] > 255 || body.size() != *numbers[1] + *numbers[2]) return std::nullopt;
    return InstanceReply{static_cast<int>(*numbers[0]), std::string(body.substr(0, *numbers[1])),
                         std::string(body.substr(*numbers[1]))};
}

std::optional<std::string> argumentsBeyondRequest(std::span<const std::string_view> arguments) {
    if (arguments.size() > kMaxRequestArguments) {
        return "more than " + std::to_string(kMaxRequestArguments) + " arguments";
    }
    std::size_t total = 0;
    for (const std::string_view argument : arguments) {
        if (argument.size() > kMaxFieldBytes) {
            return "an argument longer than " + std::to_string(kMaxFieldBytes) + " bytes";
        }
        total += argument.size();
    }
    if (total > kMaxArgumentsBytes) {
        return "arguments longer than " + std::to_string(kMaxArgumentsBytes) + " bytes together";
    }
    return std::nullopt;
}

RequestDecoder::State RequestDecoder::fail(std::string reason) {
    state_ = State::malformed;
    problem_ = std::move(reason);
    pending_.clear();
    fields_.clear();
    return state_;
}

bool RequestDecoder::finishHeader() {
    if (!std::string_view(pending_).starts_with(kFrameMagic)) return false;
    const auto count = readCount(std::string_view(pending_).substr(kFrameMagic.size()));
    if (!count || *count <= kFixedFields || *count > kFixedFields + kMaxRequestArguments) return false;
    fieldCount_ = *count;
    return true;
}

bool RequestDecoder::finishField() {
    if (pending_.find('\0') != std::string::npos) return false;
    fields_.push_back(std::move(pending_));
    pending_.clear();
    if (fields_.size() < fieldCount_) return true;
    request_.dataFolder = std::move(fields_[0]);
    request_.workingFolder = std::move(fields_[1]);
    request_.arguments.assign(std::make_move_iterator(fields_.begin() + kFixedFields),
                              std::make_move_iterator(fields_.end()));
    fields_.clear();
    state_ = State::complete;
    return true;
}

RequestDecoder::State RequestDecoder::feed(std::string_view bytes) {
    if (state_ == State::malformed) return state_;
    if (!bytes.empty() && state_ == State::complete) return fail("more bytes after the request");
    total_ += bytes.size();
    if (total_ > kMaxRequestBytes) return fail("the request is longer than " + std::to_string(kMaxRequestBytes) + " bytes");

    for (const char byte : bytes) {
        if (state_ == State::complete) return fail("more bytes after the request");
        switch (part_) {
        case Part::header:
            if (byte != '\n') {
                pending_ += byte;
                if (pending_.size() > kMaxHeaderBytes) return fail("the request does not start with a header");
                continue;
            }
            if (!finishHeader()) return fail("the request does not start with a valid header");
            pending_.clear();
            part_ = Part::length;
            continue;
        case Part::length: {
            if (byte != ':') {
                pending_ += byte;
                if (pending_.size() > kMaxLengthDigits) return fail("a field length is too long");
                continue;
            }
            const auto length = readCount(pending_);
            if (!length || *length > kMaxFieldBytes) return fail("a field has no valid length");
            fieldLength_ = *length;
            pending_.clear();
            part_ = fieldLength_ == 0 ? Part::fieldEnd : Part::field;
            continue;
        }
        case Part::field:
            pending_ += byte;
            if (pending_.size() == fieldLength_) part_ = Part::fieldEnd;
            continue;
        case Part::fieldEnd:
            if (byte != '\n') return fail("a field is longer than its length says");
            if (!finishField()) return fail("a field holds a NUL byte");
            part_ = Part::length;
            continue;
        }
    }
    return state_;
}

}  // namespace qx4
