// The plug-ins without a mouse: the emulated firmware (what it takes and what it refuses), the
// driver files as the program loads them, and the udev rule that lets the program reach the mouse.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "core/device/link_state.h"
#include "mouse_model.h"
#include "tests/support/plugin_harness.h"

namespace qx4::vm {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Well-formed reports, written out by hand from the formats; all but the first for profile 2.
Bytes profileSelect(std::uint8_t profile) {
    return {0x0C, 4, profile, 5};
}
const Bytes kLight{0x05, 13, 2, 1, 4, 6, 0xFF, 0x80, 0x00, 1, 1, 0, 0};
const Bytes kPolling{0x06, 9, 2, 8, 0, 0, 0, 0, 0};
// Levels 1, 3 and 6 enabled, level 3 double range, level 1 current with colour 123456.
const Bytes kDpi = [] {
    Bytes r{0x04, 50, 2, 8, 9, 0b00100101, 0b100, 0b100,
            11, 20, 71, 39, 76, 94, 115, 4, 11, 20, 71, 39, 76, 94, 115, 4,  // the codes twice
            1, 0x12, 0x34, 0x56};
    r.resize(50);
    r[49] = 1;
    return r;
}();
// Button 1 is Ctrl + C, button 24 macro slot 2.
const Bytes kButtons = [] {
    Bytes r{0x08, 77, 2, 17, 1, 6};
    r.resize(77);
    r[72] = 18;
    r[74] = 2;
    return r;
}();

Bytes macroReport(std::uint8_t slot, const Bytes& pairs = {}) {
    Bytes r{0x09, 0x81, slot, 0, 0, 0, 0, 1};
    r.resize(28);
    r.push_back(static_cast<std::uint8_t>(pairs.size() / 2));
    r.insert(r.end(), pairs.begin(), pairs.end());
    r.resize(129);
    return r;
}

TEST(VirtualMouseModel, RefusesMalformedReportsAndKeepsItsState) {
    // A report, and the byte at which it is damaged with which value.
    const std::tuple<Bytes, std::size_t, std::uint8_t> damaged[] = {
        {profileSelect(1), 0, 0x0B},  // no such command
        {kLight, 1, 12},              // wrong length byte
        {profileSelect(1), 2, 0},     // profile out of range
        {kDpi, 2, 6},
        {macroReport(1), 2, 0},       // slot out of range
        {macroReport(1), 28, 51},     // more pairs than fit
        {kPolling, 3, 3},             // no such report interval
        {kDpi, 24, 9},                // no such level
        {kDpi, 7, 0},                 // the two double-range masks differ
        {kDpi, 20, 12},               // the two copies of the codes differ
        {kButtons, 76, 1},            // padding is not zero
        {profileSelect(1), 3, 4},     // wrong trailer
    };
    MouseModel mouse;
    const std::string before = mouse.describe();
    for (const auto& [report, at, value] : damaged) {
        Bytes bad = report;
        bad[at] = value;
        EXPECT_EQ(mouse.receiveReport(Link::receiver, bad).verdict, Verdict::rejected) << int{report[0]} << "@" << at;
    }
    Bytes shortDpi = kDpi;
    shortDpi.pop_back();
    EXPECT_EQ(mouse.receiveReport(Link::receiver, shortDpi).verdict, Verdict::rejected);
    EXPECT_EQ(mouse.receiveReport(Link::receiver, Bytes{}).verdict, Verdict::rejected);
    EXPECT_EQ(mouse.accepted(), 0);
    const std::string after = mouse.describe();
    EXPECT_EQ(before.substr(before.find("profile 1")), after.substr(after.find("profile 1")));
    // The edges of the ranges are fine.
    EXPECT_EQ(mouse.receiveReport(Link::receiver, macroReport(120)).verdict, Verdict::accepted);
    EXPECT_EQ(mouse.receiveReport(Link::receiver, profileSelect(5)).verdict, Verdict::accepted);
}

}  // namespace
}  // namespace qx4::vm

namespace qx4::test {
namespace {

// Each file exports the seven entry points (DriverLibrary throws otherwise); the hidapi driver,
// without its device, fails quietly.
TEST(PluginFiles, EveryDriverLibraryLoadsAndTheHidDriverWithoutItsDeviceFailsQuietly) {
    for (const auto& link : kLinkParameters) {
        EXPECT_NO_THROW(DriverLibrary{std::string(link.virtualLibraryFile)}) << link.virtualLibraryFile;
#ifdef QX4_HAS_HIDDRIVER
        SCOPED_TRACE(link.libraryFile);
        DriverLibrary driver{std::string(link.libraryFile)};
        RecordingSink sink;
        driver.Set_VIDPID(0x1D57, 0xFFFF);  // no device has it, so a mouse on the developer's desk changes nothing
        driver.Open_DevMonitor(sink.sink(), 1331, 1332);
        EXPECT_EQ(driver.Open_FeatureDevice(), 0);
        EXPECT_EQ(driver.send({0x0C, 4, 1, 5}), 0);
#endif
    }
}

TEST(Packaging, UdevRuleOpensEveryIdTheDriversUseToTheSeatUserOnly) {
    const std::string rules = (std::ostringstream() << std::ifstream(QX4_SOURCE_DIR "/packaging/70-qx4-mouse.rules").rdbuf()).str();
    ASSERT_FALSE(rules.empty());
    const std::regex rule(R"re(^[^#]*ATTRS\{idVendor\}=="([0-9a-f]{4})".*ATTRS\{idProduct\}=="([0-9a-f]{4})".*TAG\+="uaccess")re");
    std::set<std::pair<int, int>> covered;
    std::istringstream lines(rules);
    for (std::string line; std::getline(lines, line);) {
        std::smatch match;
        if (std::regex_search(line, match, rule) && line.find(R"(SUBSYSTEM=="hidraw")") != std::string::npos) {
            covered.emplace(std::stoi(match[1], nullptr, 16), std::stoi(match[2], nullptr, 16));
        }
    }
    for (const auto& link : kLinkParameters) EXPECT_TRUE(covered.count({link.vendorId, link.productId})) << link.name;
    EXPECT_EQ(rules.find("MODE"), std::string::npos) << "access goes by seat, not by mode";
    EXPECT_EQ(rules.find("GROUP"), std::string::npos);
}

}  // namespace
}  // namespace qx4::test
