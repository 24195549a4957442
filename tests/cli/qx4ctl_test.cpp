#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>
#include <regex>
#include <sstream>

#include "../core/expected_defaults.h"
#include "../core/test_files.h"
#include "cli/command.h"
#include "core/config/config_file.h"
#include "core/config/utf16_text.h"
#include "core/macro/macro_store.h"

namespace qx4 {
namespace {

struct ToolRun {
    int code;
    std::string out;
    std::string err;
};

ToolRun qx4ctl(std::vector<std::string_view> arguments) {
    std::ostringstream out, err;
    const int code = cli::runQx4ctl(arguments, out, err);
    return {code, out.str(), err.str()};
}

class Qx4ctl : public ::testing::Test {
protected:
    test::ScopedDataDir data;
    std::filesystem::path configFile() const { return data.folder() / "Config_1.data"; }
};

TEST_F(Qx4ctl, ExitCodesHelpAndOneLineFailures) {
    EXPECT_EQ(qx4ctl({}).code, 2);
    EXPECT_EQ(qx4ctl({"--help"}).code, 0);
    EXPECT_NE(qx4ctl({"frobnicate"}).err.find("frobnicate"), std::string::npos);
    for (const cli::Command& command : cli::registeredCommands()) {
        const ToolRun help = qx4ctl({command.name, "--help"});
        EXPECT_EQ(help.code, 0) << command.name;
        EXPECT_NE(help.out.find("qx4ctl " + std::string(command.name)), std::string::npos) << command.name;
        EXPECT_EQ(qx4ctl({command.name, "--no-such-option"}).code, 2) << command.name;
    }
    const std::vector<std::vector<std::string_view>> badProfiles{
        {"show", "--profile"}, {"show", "--profile", "0"}, {"show", "--profile=6"}, {"show", "--profile", "2x"}};
    for (const auto& arguments : badProfiles) EXPECT_EQ(qx4ctl(arguments).code, 2) << arguments.back();
    EXPECT_FALSE(std::filesystem::exists(data.root() / "Data")) << "a usage error wrote something";

    std::filesystem::create_directories(configFile());
    const ToolRun init = qx4ctl({"init"});
    EXPECT_EQ(init.code, 1);
    EXPECT_EQ(std::count(init.err.begin(), init.err.end(), '\n'), 1);
    EXPECT_NE(init.err.find(configFile().string()), std::string::npos);
}

TEST_F(Qx4ctl, PathAndInitInAnEmptyFolder) {
    EXPECT_EQ(qx4ctl({"path"}).out, (data.root() / "Data").string() + "\n");
    const ToolRun show = qx4ctl({"show"});
    EXPECT_NE(show.err.find("defaults"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(configFile())) << "show wrote a file";

    const ToolRun init = qx4ctl({"init"});
    EXPECT_EQ(init.code, 0);
    EXPECT_EQ(init.out, configFile().string() + "\n");
    EXPECT_EQ(test::readBytes(configFile()), test::expectedDefaultImage());
}

TEST_F(Qx4ctl, ShowSummarisesProfilesButtonsAndMacros) {
    auto config = std::make_unique<DeviceConfig>();
    applyDefaults(*config);
    config->activeProfile = 1;
    ProfileSettings& second = config->profiles[1];
    second.dpiLevel = 0;
    second.pollingRateIndex = 1;
    second.dpiColors[0] = 0x00332211;
    second.buttons[2].functionCode = 16;
    second.buttons[2].modifierMask = 3;
    second.buttons[2].keyCode = 0x06;
    second.buttons[3].functionCode = 17;
    writeFixedText(second.buttons[3].macroName, u"Reload\x1B[2J");
    second.buttons[4].functionCode = 33;
    second.dpiValuesX[7] = -3;
    second.lightBreathSpeed = 10;
    ASSERT_TRUE(saveConfig(*config));

    const ToolRun show = qx4ctl({"show", "--profile", "2"});
    EXPECT_EQ(show.code, 0);
    const auto expected = test::readBytes(std::filesystem::path(QX4_TEST_DATA_DIR) / "qx4ctl" / "show_profile2.txt");
    EXPECT_EQ(show.out, "Configuration: " + configFile().string() + "\nActive profile: 2\n\n" +
                            std::string(expected.begin(), expected.end()));

    // Controls, line and paragraph separators, bidi overrides and isolates, zero-width and tag
    // characters could rearrange or hide what a terminal shows.
    MacroList list;
    createMacro(list, u"Kä\t\u2028\u2029\u202E\u2066\u200B\U000E0041x");
    list.at(0).actionCount = 1;
    ASSERT_TRUE(saveMacros(list));
    std::string replaced;
    for (int i = 0; i < 7; ++i) replaced += "\xEF\xBF\xBD";
    EXPECT_EQ(qx4ctl({"macros"}).out, "1  K\xC3\xA4" + replaced + "x1  (1 step)\n");
}

TEST_F(Qx4ctl, WhatCannotBeReadIsSaidAndNeverWaitedFor) {
    const auto macroFile = data.folder() / "macro.data";
    test::makeUnreadable(macroFile);
    const ToolRun macros = qx4ctl({"macros"});
    EXPECT_EQ(macros.code, 1);
    EXPECT_EQ(macros.out, "");
    EXPECT_NE(macros.err.find("cannot read " + macroFile.string()), std::string::npos) << macros.err;
    const ToolRun show = qx4ctl({"show"});
    EXPECT_EQ(show.code, 0);
    EXPECT_NE(show.err.find("cannot read " + macroFile.string()), std::string::npos) << show.err;

    std::filesystem::remove(macroFile);
    test::writeBytes(macroFile, {});
    std::filesystem::resize_file(macroFile, 240 * 5000);
    const ToolRun huge = qx4ctl({"macros"});
    EXPECT_EQ(huge.code, 1);
    EXPECT_EQ(std::count(huge.out.begin(), huge.out.end(), '\n'), 4096);
    EXPECT_NE(huge.err.find("holds 5000 macros; only the first 4096"), std::string::npos) << huge.err;

    const auto pipe = data.root() / "held.data";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const ToolRun against = qx4ctl({"reports", "--against", pipe.string()});
    EXPECT_EQ(against.code, 1);
    EXPECT_NE(against.err.find(pipe.string() + ": not a regular file"), std::string::npos) << against.err;
}

// Whatever the files hold, show prints only values that can exist.
TEST_F(Qx4ctl, ShowNeverPrintsAnImpossibleValue) {
    const std::regex active("Active profile: ([1-5])\n");
    const std::regex level("current: level ([1-8]), ");
    const std::regex rate("Report rate: (125|250|500|1000) Hz( \\(out of range\\))?\n");
    const std::regex control("[\\x00-\\x09\\x0B-\\x1F\\x7F]");
    std::mt19937 random(31337);
    for (int round = 0; round < 300; ++round) {
        test::writeBytes(configFile(), test::randomBytes(random, sizeof(DeviceConfig)));
        test::writeBytes(data.folder() / "macro.data", test::randomBytes(random, 480));
        const ToolRun show = qx4ctl({"show"});
        ASSERT_EQ(show.code, 0);
        ASSERT_TRUE(std::regex_search(show.out, active));
        ASSERT_EQ(std::distance(std::sregex_iterator(show.out.begin(), show.out.end(), level), {}), 5);
        ASSERT_EQ(std::distance(std::sregex_iterator(show.out.begin(), show.out.end(), rate), {}), 5);
        ASSERT_FALSE(std::regex_search(show.out, control)) << show.out;
        ASSERT_EQ(qx4ctl({"macros"}).code, 0);
    }
}

}  // namespace
}  // namespace qx4
