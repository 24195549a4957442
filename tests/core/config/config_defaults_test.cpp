#include <gtest/gtest.h>

#include <memory>

#include "../expected_defaults.h"
#include "core/config/config_file.h"
#include "core/config/record_bytes.h"

namespace qx4 {
namespace {

std::vector<std::uint8_t> defaultsOver(std::byte fill) {
    auto config = std::make_unique<DeviceConfig>();
    auto bytes = recordBytes(*config);
    std::fill(bytes.begin(), bytes.end(), fill);
    applyDefaults(*config);
    const auto* first = reinterpret_cast<const std::uint8_t*>(bytes.data());
    return {first, first + bytes.size()};
}

TEST(ConfigDefaults, MatchTheFieldTableByteForByte) {
    const auto actual = defaultsOver(std::byte{0});
    const auto expected = test::expectedDefaultImage();
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t offset = 0; offset < expected.size(); ++offset)
        ASSERT_EQ(actual[offset], expected[offset]) << "first difference at byte " << offset;
}

// A reset of a loaded record carries reservedHead, the spare texts after their terminators,
// padding and gaps through; the button region is cleared whole before its fields are set.
TEST(ConfigDefaults, LeaveUnlistedBytesAlone) {
    const auto image = defaultsOver(std::byte{0xAB});
    const auto expected = test::expectedDefaultImage();
    const std::pair<std::size_t, std::size_t> unlisted[] = {{0, 200},     {202, 1200},  {1202, 2200}, {2209, 2212},
                                                            {2216, 2224}, {2236, 2244}, {2365, 2368}};
    for (std::size_t p = 4; p < image.size(); p += test::kProfileSize) {
        for (auto [from, to] : unlisted)
            for (std::size_t i = from; i < to; ++i) ASSERT_EQ(image[p + i], 0xAB) << "profile byte " << i;
        for (std::size_t i = 2440; i < test::kProfileSize; ++i) ASSERT_EQ(image[p + i], expected[p + i]) << "profile byte " << i;
    }
}

}  // namespace
}  // namespace qx4
