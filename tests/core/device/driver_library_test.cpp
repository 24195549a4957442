#include "core/device/driver_library.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace qx4 {
namespace {

namespace fs = std::filesystem;

TEST(DriverLibrary, ComesFromThePluginFoldersNeverTheCurrentOneAndNeedsEveryEntryPoint) {
    const fs::path here = fs::temp_directory_path() / ("qx4-cwd-" + std::to_string(getpid()));
    fs::create_directories(here);
    fs::copy_file(fs::path(QX4_TEST_DRIVER_DIR) / "qx4_test_driver_partial.so", here / "qx4_cwd_driver.so",
                  fs::copy_options::overwrite_existing);
    const fs::path previous = fs::current_path();
    fs::current_path(here);
    setenv("QX4_PLUGIN_DIR", QX4_TEST_DRIVER_DIR, 1);
    const auto folders = pluginSearchFolders();
    ASSERT_EQ(folders.size(), 3u);
    EXPECT_EQ(folders[0], fs::read_symlink("/proc/self/exe").parent_path());
    EXPECT_EQ(folders[1], (folders[0] / "../lib/qx4-config/plugins").lexically_normal()) << "an installed tree";
    EXPECT_EQ(folders[2], fs::path(QX4_TEST_DRIVER_DIR));
    for (const char* name : {"./qx4_cwd_driver.so", "../qx4_test_driver_partial.so", "", "..", QX4_TEST_DRIVER_DIR "/qx4_test_driver_partial.so"})
        EXPECT_FALSE(findPlugin(name)) << name;

    setenv("QX4_PLUGIN_DIR", ".", 1);  // a relative folder means the current one: ignored
    EXPECT_EQ(pluginSearchFolders().size(), 2u);
    HidDriverLink link;
    EXPECT_FALSE(bindLibrary(link, "qx4_cwd_driver.so"));
    fs::current_path(previous);

    // A library without one of the entry points binds, but its link cannot be used.
    setenv("QX4_PLUGIN_DIR", QX4_TEST_DRIVER_DIR, 1);
    ASSERT_TRUE(bindLibrary(link, "qx4_test_driver_partial.so"));
    EXPECT_NE(link.Open_FeatureDevice, nullptr);
    EXPECT_EQ(link.SetFeature, nullptr);
    EXPECT_FALSE(link.usable());
    releaseLibrary(link);
    fs::remove_all(here);
}

}  // namespace
}  // namespace qx4
