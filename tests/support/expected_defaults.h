// The default Config_1.data written by raw offset from the field table, independently of the
// record structs and the defaults code, to compare against what the program writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace qx4::test {

inline constexpr std::size_t kConfigFileSize = 164364;
inline constexpr std::size_t kProfileSize = 32872;
inline constexpr std::size_t kBindingSize = 1268;

inline void putLe(std::vector<std::uint8_t>& image, std::size_t offset, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) image[offset + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

inline void putInts(std::vector<std::uint8_t>& image, std::size_t offset, std::initializer_list<std::uint32_t> values) {
    for (std::uint32_t value : values) {
        putLe(image, offset, value, 4);
        offset += 4;
    }
}

inline std::vector<std::uint8_t> expectedDefaultImage() {
    std::vector<std::uint8_t> image(kConfigFileSize, 0);
    const std::uint8_t functions[12] = {1, 2, 3, 4, 5, 0, 7, 8, 0, 0, 11, 12};
    for (std::size_t k = 0; k < 5; ++k) {
        const std::size_t p = 4 + kProfileSize * k;
        putInts(image, p + 2200, {420, 3});
        putInts(image, p + 2212, {6});
        putInts(image, p + 2224, {0, 8, 8});
        putInts(image, p + 2244, {4, 8, 12, 16, 32, 40, 50, 0});
        putInts(image, p + 2276, {4, 8, 12, 16, 32, 40, 50, 0});
        putInts(image, p + 2308, {1, 1, 1, 1, 1, 1, 1, 0});
        putInts(image, p + 2340, {8, 5, 1, 2, 3, 7});
        image[p + 2364] = 1;
        putInts(image, p + 2368, {1, 0x000000FF});
        putInts(image, p + 2376, {0x000000FF, 0x0000FF00, 0x00FF0000, 0x00FF00FF, 0x00FFFF00, 0x0000FFFF,
                                  0x00FFFFFF, 0x00FFFFFF});
        putInts(image, p + 2408, {0x000000FF, 0x0000FF00, 0x00FF0000, 0x00FF00FF, 0x0000FFFF, 0x00FFFFFF,
                                  0x00FFFFFF, 0x000080FF});
        for (std::size_t j = 0; j < 24; ++j) {
            const std::size_t b = p + 2440 + kBindingSize * j;
            image[b + 0] = static_cast<std::uint8_t>(j);
            image[b + 1] = functions[j % 12];
            putLe(image, b + 8, 562, 2);
            putInts(image, b + 1072, {0xFFFFFFFF, 0xFFFFFFFF});
        }
    }
    return image;
}

}  // namespace qx4::test
