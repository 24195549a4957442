// Start at login through the XDG autostart folders: the entry starts the program hidden, switching
// off leaves nothing behind, and a system-wide entry is overruled for this user only.
#include "core/desktop/autostart.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>

#include "tests/support/virtual_mouse_process.h"

namespace qx4 {
namespace {

namespace fs = std::filesystem;
using qx4::test::TempFolder;

std::string readText(const fs::path& path) {
    std::ifstream file(path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

void writeText(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

// The desktop's own checker, where it is installed (scripts/setup installs it).
int desktopFileValidate(const fs::path& entry) {
    return std::system(("desktop-file-validate '" + entry.string() + "' >&2").c_str());
}

class Autostart : public testing::Test {
protected:
    TempFolder root_;
    AutostartFolders folders_{root_.path() / "home/autostart",
                              {root_.path() / "etc/xdg/autostart", root_.path() / "usr/etc/xdg/autostart"}};
    fs::path userEntry_ = folders_.user / kAutostartFileName;
};

TEST_F(Autostart, OnWritesAnEntryThatStartsTheProgramHiddenAndOffLeavesNothingBehind) {
    EXPECT_FALSE(autostartState(folders_).enabled);
    const fs::path program = root_.path() / "my apps/$HOME/qx4-config";
    ASSERT_EQ(setAutostart(true, folders_, program), "");
    const std::string entry = readText(userEntry_);
    EXPECT_NE(entry.find("\nExec=\"" + root_.path().string() + "/my apps/\\\\$HOME/qx4-config\" --tray\n"), std::string::npos)
        << entry;
    EXPECT_EQ(entry.find("Hidden"), std::string::npos);
    EXPECT_EQ(desktopFileValidate(userEntry_), 0) << entry;
    EXPECT_TRUE(autostartState(folders_).enabled);
    EXPECT_EQ(autostartState(folders_).decidingEntry, userEntry_);

    ASSERT_EQ(setAutostart(false, folders_, program), "");
    EXPECT_FALSE(fs::exists(userEntry_));
    EXPECT_FALSE(autostartState(folders_).enabled);
    EXPECT_EQ(setAutostart(false, folders_, program), "") << "off twice is still off";

    // A user's own entry switched off by a desktop's settings counts as off.
    writeText(userEntry_, "[Desktop Entry]\nType=Application\nExec=qx4-config --tray\nX-GNOME-Autostart-enabled=false\n");
    EXPECT_FALSE(autostartState(folders_).enabled);
    EXPECT_NE(setAutostart(true, folders_, "/opt/qx4\nExec=rm -rf ~"), "") << "no line break into the entry";
    EXPECT_EQ(setAutostart(true, folders_, "/usr/bin/qx4-config"), "");
    EXPECT_TRUE(autostartState(folders_).enabled);
}

TEST_F(Autostart, ASystemWideEntryIsOverruledWithHiddenAndComesBackWhenSwitchedOnAgain) {
    writeText(folders_.system[1] / kAutostartFileName, "[Desktop Entry]\nType=Application\nExec=qx4-config --tray\n");
    AutostartState state = autostartState(folders_);
    EXPECT_TRUE(state.enabled);
    EXPECT_TRUE(state.systemWide);
    EXPECT_EQ(state.decidingEntry, folders_.system[1] / kAutostartFileName);

    ASSERT_EQ(setAutostart(false, folders_, "/usr/bin/qx4-config"), "");
    EXPECT_NE(readText(userEntry_).find("\nHidden=true\n"), std::string::npos);
    EXPECT_EQ(desktopFileValidate(userEntry_), 0);
    EXPECT_FALSE(autostartState(folders_).enabled);
    EXPECT_TRUE(fs::exists(folders_.system[1] / kAutostartFileName)) << "the package's file is not ours to touch";

    ASSERT_EQ(setAutostart(true, folders_, "/usr/bin/qx4-config"), "");
    EXPECT_FALSE(fs::exists(userEntry_)) << "the system-wide entry starts it again";
    EXPECT_TRUE(autostartState(folders_).enabled);

    // The first folder of XDG_CONFIG_DIRS wins, and a Hidden entry there starts nothing.
    writeText(folders_.system[0] / kAutostartFileName, "[Desktop Entry]\nType=Application\nExec=qx4-config\nHidden=true\n");
    EXPECT_FALSE(autostartState(folders_).enabled);
    ASSERT_EQ(setAutostart(true, folders_, "/usr/bin/qx4-config"), "");
    EXPECT_TRUE(autostartState(folders_).enabled);
    ASSERT_EQ(setAutostart(false, folders_, "/usr/bin/qx4-config"), "");
    EXPECT_FALSE(fs::exists(userEntry_));
}

// The entry is read in a bounded piece: a huge one, even a single line without end, is no entry
// this program or a package wrote, and starts nothing.
TEST_F(Autostart, AnEntryTooLargeToBeOneIsNotTakenInWhole) {
    const std::string start = "[Desktop Entry]\nType=Application\nExec=qx4-config --tray\n";
    writeText(userEntry_, start + "Comment=" + std::string(1 << 20, 'x') + "\n");
    EXPECT_FALSE(autostartState(folders_).enabled);
    writeText(userEntry_, start);
    fs::resize_file(userEntry_, 3ull << 30);  // a hole of 3 GB of zeros: no line ends in it
    EXPECT_FALSE(autostartState(folders_).enabled);
    EXPECT_EQ(setAutostart(true, folders_, "/usr/bin/qx4-config"), "");
    EXPECT_TRUE(autostartState(folders_).enabled);
}

// Without an absolute home the entry would be written into whatever folder the program runs in.
TEST(AutostartFolder, NeedsAnAbsoluteHome) {
    TempFolder workingFolder;
    const fs::path before = fs::current_path();
    fs::current_path(workingFolder.path());
    for (const std::optional<std::string>& home : {std::optional<std::string>{}, std::optional<std::string>{"ann"}}) {
        const test::ScopedEnv configHome("XDG_CONFIG_HOME", std::nullopt);
        const test::ScopedEnv homeEnv("HOME", home);
        const AutostartFolders folders = autostartFolders();
        EXPECT_EQ(folders.user, fs::path());
        EXPECT_NE(setAutostart(true, folders, "/usr/bin/qx4-config"), "");
        EXPECT_FALSE(autostartState(folders).enabled);
    }
    fs::current_path(before);
    EXPECT_TRUE(fs::is_empty(workingFolder.path()));
}

}  // namespace
}  // namespace qx4
