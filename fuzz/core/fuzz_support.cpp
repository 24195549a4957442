#include "fuzz_support.h"

#include <algorithm>

#include "core/device/apply_plan.h"

namespace qx4::fuzz {

void steerImage(std::span<const std::uint8_t> input, std::span<const std::byte> base, SteeredImage& image) {
    constexpr std::uint8_t kRawImage = 0x01, kCutShort = 0x02, kLengthen = 0x04;
    constexpr std::size_t kHeaderSize = 3, kMaxLengthening = 512;
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
    // The commands and lengths the protocol documents, written out apart from the encoder's table.
    struct Documented {
        ReportType type;
        std::uint8_t command, length;
    };
    constexpr Documented documented[] = {{ReportType::profileSelect, 0x0C, 4}, {ReportType::dpi, 0x04, 50},
                                         {ReportType::light, 0x05, 13},        {ReportType::polling, 0x06, 9},
                                         {ReportType::buttons, 0x08, 77},      {ReportType::macro, 0x09, 129}};
    std::uint8_t nextSlot = 1;
    for (const PlannedReport& planned : planApply(config, SectionFlags::all())) {
        const FeatureReport& report = planned.report;
        const Documented* row = std::ranges::find(documented, report.type, &Documented::type);
        require(row != std::end(documented), "a report of a known type");
        require(report.length == row->length, "each report has its documented length");
        require(report.bytes[0] == row->command && report.bytes[1] == row->length,
                "each report starts with its command and length");
        if (report.type == ReportType::macro) require(report.bytes[2] == nextSlot++, "macro slots count up from 1");
    }
    std::size_t macroBindings = 0;
    for (const ProfileSettings& profile : config.profiles) {
        macroBindings += static_cast<std::size_t>(std::ranges::count(profile.buttons, kMacroFunctionCode, &ButtonBinding::functionCode));
    }
    require(nextSlot - 1u == macroBindings, "one macro report per macro binding");
}

}  // namespace qx4::fuzz
