// The driver files as the program loads them, and the udev rule that lets it reach the mouse.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "core/device/link_state.h"
#include "tests/support/plugin_harness.h"

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
