#include "fuzz_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "core/device/apply_plan.h"

namespace qx4::fuzz {
namespace {

constexpr std::uint8_t kRawImage = 0x01;
constexpr std::uint8_t kCutShort = 0x02;
constexpr std::uint8_t kLengthen = 0x04;
constexpr std::size_t kHeaderSize = 3;
constexpr std::size_t kMaxLengthening = 512;

// The lengths and commands the protocol documents, written out apart from the encoder's table.
struct DocumentedReport {
    std::uint8_t command;
    std::uint8_t length;
};

DocumentedReport documented(ReportType type) {
    switch (type) {
        case ReportType::profileSelect: return {0x0C, 4};
        case ReportType::dpi: return {0x04, 50};
        case ReportType::light: return {0x05, 13};
        case ReportType::polling: return {0x06, 9};
        case ReportType::buttons: return {0x08, 77};
        case ReportType::macro: return {0x09, 129};
    }
    require(false, "a report of a known type");
    return {};
}

}  // namespace

void require(bool holds, const char* invariant) {
    if (holds) return;
    std::fprintf(stderr, "invariant failed: %s\n", invariant);
    std::abort();
}

void steerImage(std::span<const std::uint8_t> input, std::span<const std::byte> base, SteeredImage& image) {
    image.flags = input.empty() ? 0 : input[0];
    image.bytes.clear();
    if (input.empty()) return;
    if (image.flags & kRawImage) {
        const auto rest = std::as_bytes(input.subspan(1));
        image.bytes.assign(rest.begin(), rest.end());
        return;
    }
    const std::size_t amount = input.size() >= kHeaderSize ? input[1] | (std::size_t{input[2]} << 8) : 0;
    std::size_t size = base.size();
    if (image.flags & kCutShort) size = amount % base.size();
    else if (image.flags & kLengthen) size += amount % kMaxLengthening;
    image.bytes.assign(size, std::byte{0});
    std::copy_n(base.begin(), std::min(size, base.size()), image.bytes.begin());

    for (std::size_t at = kHeaderSize; at + 4 <= input.size() && size > 0;) {
        const std::size_t offset = (input[at] | (std::size_t{input[at + 1]} << 8) | (std::size_t{input[at + 2]} << 16)) % size;
        const std::size_t count = std::min<std::size_t>({input[at + 3], input.size() - at - 4, size - offset});
        const auto edit = std::as_bytes(input.subspan(at + 4, count));
        std::copy(edit.begin(), edit.end(), image.bytes.begin() + static_cast<std::ptrdiff_t>(offset));
        at += 4 + count;
    }
}

void requireDocumentedReports(const DeviceConfig& config) {
    std::uint8_t nextSlot = 1;
    for (const PlannedReport& planned : planApply(config, SectionFlags::all())) {
        const FeatureReport& report = planned.report;
        const DocumentedReport expected = documented(report.type);
        require(report.length == expected.length, "each report has its documented length");
        require(report.bytes[0] == expected.command && report.bytes[1] == expected.length,
                "each report starts with its command and length");
        if (report.type == ReportType::macro) require(report.bytes[2] == nextSlot++, "macro slots count up from 1");
    }
    std::size_t macroBindings = 0;
    for (const ProfileSettings& profile : config.profiles) {
        macroBindings += static_cast<std::size_t>(std::count_if(profile.buttons.begin(), profile.buttons.end(),
            [](const ButtonBinding& binding) { return binding.functionCode == kMacroFunctionCode; }));
    }
    require(nextSlot - 1u == macroBindings, "one macro report per macro binding");
}

}  // namespace qx4::fuzz
