// One copy per user: the lock, and the privacy of the folder and socket a second copy uses to reach
// the first. That a second program exits and reaches the first is the end-to-end test's part.
#include <gtest/gtest.h>

#include <QObject>

#include <sys/stat.h>

#include "gui/app/single_instance.h"
#include "tests/support/virtual_mouse_process.h"

namespace qx4::gui {
namespace {

TEST(SingleInstance, OneLockHolderAtATimeAndTheFileLeftBehindDoesNotBlockTheNext) {
    qx4::test::TempFolder folder;
    {
        InstanceLock first(folder.path());
        EXPECT_EQ(first.acquire(), InstanceLock::Result::acquired);
        EXPECT_EQ(InstanceLock(folder.path()).acquire(), InstanceLock::Result::alreadyRunning);
    }
    ASSERT_TRUE(std::filesystem::exists(folder.path() / "KESTRA QX4.lock"));
    EXPECT_EQ(InstanceLock(folder.path()).acquire(), InstanceLock::Result::acquired);
}

TEST(SingleInstance, OnlyAFolderAndASocketClosedToOtherUsersAreUsed) {
    qx4::test::TempFolder folder;
    qx4::test::ScopedEnv runtime("QX4_RUNTIME_DIR", folder.path().string());
    std::string error;
    EXPECT_EQ(runtimeFolder(&error), folder.path());
    chmod(folder.path().c_str(), 0755);
    EXPECT_EQ(runtimeFolder(&error), std::nullopt);
    EXPECT_NE(error.find("open to other users"), std::string::npos) << error;
    chmod(folder.path().c_str(), 0700);

    QObject first;
    const InstanceLock lock(folder.path());
    ASSERT_TRUE((new InstanceServer(lock.socketPath(), &first))->listening());
    struct stat socket {};
    ASSERT_EQ(stat(lock.socketPath().c_str(), &socket), 0);
    EXPECT_EQ(socket.st_mode & 077, 0u);
}

}  // namespace
}  // namespace qx4::gui
