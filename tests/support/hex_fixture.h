// Reports as hex text, one report per line, written out by hand in tests/data/device from the
// record's layout and the report formats, never by the encoder; or printed by qx4ctl. A '#' ends
// a line's bytes; a line "== title" opens a group of reports (one apply).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace qx4::test {

using Reports = std::vector<std::vector<std::uint8_t>>;

inline Reports parseHexLines(std::istream& in) {
    Reports lines;
    for (std::string text; std::getline(in, text);) {
        std::istringstream words(text);
        std::vector<std::uint8_t> bytes;
        for (unsigned value = 0; words >> std::hex >> value;) bytes.push_back(static_cast<std::uint8_t>(value));
        if (!bytes.empty()) lines.push_back(std::move(bytes));
    }
    return lines;
}

inline std::string deviceDataFile(const std::string& name) { return std::string(QX4_TEST_DATA_DIR) + "/device/" + name; }

inline Reports readHexLines(const std::string& name) {
    std::ifstream in(deviceDataFile(name));
    return parseHexLines(in);
}

// The reports of the group whose title starts with `title`; a test fails when there is none.
inline Reports readHexGroup(const std::string& name, const std::string& title) {
    std::ifstream in(deviceDataFile(name));
    std::ostringstream group;
    bool inside = false, found = false;
    for (std::string text; std::getline(in, text);) {
        if (text.starts_with("==")) {
            inside = !found && text.substr(3).starts_with(title);
            found = found || inside;
        } else if (inside) {
            group << text << '\n';
        }
    }
    EXPECT_TRUE(found) << "no group \"" << title << "\" in " << name;
    std::istringstream lines(group.str());
    return parseHexLines(lines);
}

inline Reports joined(Reports first, const Reports& then) {
    first.insert(first.end(), then.begin(), then.end());
    return first;
}

}  // namespace qx4::test
