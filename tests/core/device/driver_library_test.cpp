#include "core/device/driver_library.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace qx4 {
namespace {

namespace fs = std::filesystem;

// Points QX4_PLUGIN_DIR somewhere for one test and puts the old value back.
class PluginDirectory {
public:
    explicit PluginDirectory(const std::string& value) {
        if (const char* old = std::getenv("QX4_PLUGIN_DIR")) old_ = old;
        setenv("QX4_PLUGIN_DIR", value.c_str(), 1);
    }
    ~PluginDirectory() {
        if (old_) setenv("QX4_PLUGIN_DIR", old_->c_str(), 1);
        else unsetenv("QX4_PLUGIN_DIR");
    }

private:
    std::optional<std::string> old_;
};

TEST(DriverLibrary, SearchesTheProgramFolderTheInstalledFolderThenTheEnvironment) {
    PluginDirectory plugins(QX4_TEST_DRIVER_DIR);
    const auto folders = pluginSearchFolders();
    ASSERT_EQ(folders.size(), 3u);
    EXPECT_EQ(folders[0], fs::read_symlink("/proc/self/exe").parent_path());
    EXPECT_TRUE(folders[1].is_absolute());
    EXPECT_EQ(folders[1].filename(), "plugins");
    EXPECT_EQ(folders[2], fs::path(QX4_TEST_DRIVER_DIR));
}

TEST(DriverLibrary, NeverLooksInTheCurrentDirectoryOrOutsideThePluginFolders) {
    const fs::path here = fs::temp_directory_path() / ("qx4-cwd-" + std::to_string(getpid()));
    fs::create_directories(here);
    fs::copy_file(fs::path(QX4_TEST_DRIVER_DIR) / "qx4_test_driver.so", here / "qx4_cwd_driver.so",
                  fs::copy_options::overwrite_existing);
    const fs::path previous = fs::current_path();
    fs::current_path(here);
    {
        PluginDirectory relative(".");  // a relative folder means the current one: ignored
        EXPECT_EQ(pluginSearchFolders().size(), 2u);
        HidDriverLink link;
        EXPECT_FALSE(bindLibrary(link, "qx4_cwd_driver.so"));
        EXPECT_EQ(link.module, nullptr);
    }
    {
        PluginDirectory plugins(QX4_TEST_DRIVER_DIR);
        for (const char* name : {"./qx4_cwd_driver.so", "../qx4_test_driver.so", "", "..",
                                 QX4_TEST_DRIVER_DIR "/qx4_test_driver.so"})
            EXPECT_FALSE(findPlugin(name)) << name;
    }
    fs::current_path(previous);
    fs::remove_all(here);
}

TEST(DriverLibrary, BindsEveryEntryPointByNameAndReleasesThem) {
    PluginDirectory plugins(QX4_TEST_DRIVER_DIR);
    HidDriverLink link;
    ASSERT_TRUE(bindLibrary(link, "qx4_test_driver.so"));
    EXPECT_NE(link.module, nullptr);
    ASSERT_TRUE(link.usable());
    ASSERT_NE(link.GetFeature, nullptr);
    link.Set_VIDPID(0x1D57, 0xFA65);
    EXPECT_EQ(link.Open_FeatureDevice(), 0xFA65);
    const unsigned char report[4] = {0x0C, 0x04, 0x01, 0x05};
    EXPECT_EQ(link.SetFeature(report, 4), 4);
    releaseLibrary(link);
    EXPECT_EQ(link.module, nullptr);
    EXPECT_EQ(link.SetFeature, nullptr);
    EXPECT_FALSE(link.usable());
}

TEST(DriverLibrary, MissingLibraryOrEntryPointLeavesTheLinkUnusable) {
    PluginDirectory plugins(QX4_TEST_DRIVER_DIR);
    HidDriverLink link;
    EXPECT_FALSE(bindLibrary(link, "qx4_no_such_driver.so"));
    EXPECT_EQ(link.module, nullptr);
    EXPECT_EQ(link.Open_FeatureDevice, nullptr);

    // Not a library at all.
    {
        std::ofstream(fs::path(QX4_TEST_DRIVER_DIR) / "qx4_not_a_library.so") << "text";
    }
    EXPECT_FALSE(bindLibrary(link, "qx4_not_a_library.so"));

    ASSERT_TRUE(bindLibrary(link, "qx4_test_driver_partial.so"));
    EXPECT_NE(link.Open_FeatureDevice, nullptr);
    EXPECT_EQ(link.SetFeature, nullptr);
    EXPECT_FALSE(link.usable());
    releaseLibrary(link);
}

}  // namespace
}  // namespace qx4
