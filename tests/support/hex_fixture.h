// Reports as hex text, one report per line: written out by hand in tests/data/device, or printed.
#pragma once

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace qx4::test {

inline std::vector<std::vector<std::uint8_t>> parseHexLines(std::istream& in) {
    std::vector<std::vector<std::uint8_t>> lines;
    for (std::string text; std::getline(in, text);) {
        std::istringstream words(text);
        std::vector<std::uint8_t> bytes;
        for (unsigned value = 0; words >> std::hex >> value;) bytes.push_back(static_cast<std::uint8_t>(value));
        if (!bytes.empty()) lines.push_back(std::move(bytes));
    }
    return lines;
}

inline std::vector<std::vector<std::uint8_t>> readHexLines(const std::string& name) {
    std::ifstream in(std::string(QX4_TEST_DATA_DIR) + "/device/" + name);
    return parseHexLines(in);
}

}  // namespace qx4::test
