#include <gtest/gtest.h>

#include <memory>

#include "../expected_defaults.h"
#include "core/config/config_file.h"
#include "core/config/record_bytes.h"

namespace qx4 {
namespace {

std::vector<std::uint8_t> imageOf(const DeviceConfig& config) {
    const auto bytes = recordBytes(config);
    return {reinterpret_cast<const std::uint8_t*>(bytes.data()),
            reinterpret_cast<const std::uint8_t*>(bytes.data()) + bytes.size()};
}

TEST(ConfigDefaults, MatchTheFieldTableByteForByte) {
    auto config = std::make_unique<DeviceConfig>();
    applyDefaults(*config);
    const auto actual = imageOf(*config);
    const auto expected = test::expectedDefaultImage();
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t offset = 0; offset < expected.size(); ++offset) {
        ASSERT_EQ(actual[offset], expected[offset]) << "first difference at byte " << offset;
    }
}

// A reset of a loaded record carries reservedHead, padding and unlisted gaps through.
TEST(ConfigDefaults, LeaveUnlistedBytesAlone) {
    auto config = std::make_unique<DeviceConfig>();
    auto bytes = recordBytes(*config);
    std::fill(bytes.begin(), bytes.end(), std::byte{0xAB});
    applyDefaults(*config);

    const auto image = imageOf(*config);
    const auto expected = test::expectedDefaultImage();
    for (std::size_t k = 0; k < 5; ++k) {
        const std::size_t p = 4 + 32872 * k;
        const auto untouched = [&](std::size_t from, std::size_t length) {
            for (std::size_t i = from; i < from + length; ++i) ASSERT_EQ(image[p + i], 0xAB) << "profile byte " << i;
        };
        untouched(0, 200);         // reservedHead
        untouched(202, 998);       // spareText1 after its terminator
        untouched(1202, 998);      // spareText2 after its terminator
        untouched(2209, 3);        // padding
        untouched(2216, 8);        // gap
        untouched(2236, 8);        // gap
        untouched(2365, 3);        // padding
        // The button region is cleared whole before the listed fields are set.
        for (std::size_t i = 2440; i < 32872; ++i) ASSERT_EQ(image[p + i], expected[p + i]) << "profile byte " << i;
    }
}

}  // namespace
}  // namespace qx4
