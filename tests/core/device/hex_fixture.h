// Reports written out by hand in tests/data/device: one report per line, bytes in hex.
#pragma once

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace qx4::test {

inline std::vector<std::vector<std::uint8_t>> readHexLines(const std::string& name) {
    std::ifstream in(std::string(QX4_TEST_DATA_DIR) + "/device/" + name);
    std::vector<std::vector<std::uint8_t>> lines;
    std::string text;
    while (std::getline(in, text)) {
        std::istringstream words(text);
        std::vector<std::uint8_t> bytes;
        unsigned value = 0;
        while (words >> std::hex >> value) bytes.push_back(static_cast<std::uint8_t>(value));
        if (!bytes.empty()) lines.push_back(std::move(bytes));
    }
    return lines;
}

inline std::vector<std::uint8_t> readHex(const std::string& name) {
    auto lines = readHexLines(name);
    return lines.empty() ? std::vector<std::uint8_t>{} : lines.front();
}

}  // namespace qx4::test
