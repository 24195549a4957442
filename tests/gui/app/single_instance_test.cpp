// One copy per user: the lock, a lock left by a copy that died, the request a second copy sends,
// and the privacy of the folder they live in.
#include <gtest/gtest.h>

#include <QObject>
#include <QTest>

#include <csignal>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/window_messages.h"
#include "gui/app/single_instance.h"
#include "gui/app/window_message.h"
#include "tests/support/virtual_mouse_process.h"

namespace qx4::gui {
namespace {

using qx4::test::ScopedEnv;
using qx4::test::TempFolder;

class MessageLog final : public QObject {
public:
    std::vector<std::uint32_t> messages;

protected:
    bool event(QEvent* event) override {
        if (event->type() != WindowMessageEvent::eventType()) return QObject::event(event);
        messages.push_back(static_cast<WindowMessageEvent*>(event)->message());
        return true;
    }
};

// Connects, writes `request`, and waits until the other end hangs up.
void sendRaw(const std::filesystem::path& socketPath, const std::string& request) {
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof(address.sun_path) - 1);
    ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(write(fd, request.data(), request.size()), static_cast<ssize_t>(request.size()));
    char byte;
    const bool hungUp = QTest::qWaitFor([&] { return recv(fd, &byte, 1, MSG_DONTWAIT) == 0; }, 5000);
    close(fd);
    ASSERT_TRUE(hungUp);
}

TEST(InstanceLock, OneHolderAtATimeAndALockLeftByAKilledCopyDoesNotBlock) {
    TempFolder folder;
    {
        InstanceLock first(folder.path());
        InstanceLock second(folder.path());
        EXPECT_EQ(first.acquire(), InstanceLock::Result::acquired);
        EXPECT_EQ(second.acquire(), InstanceLock::Result::alreadyRunning);
    }

    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t holder = fork();
    if (holder == 0) {
        InstanceLock lock(folder.path());
        const char answer = lock.acquire() == InstanceLock::Result::acquired ? 'y' : 'n';
        (void)!write(ready[1], &answer, 1);
        pause();
        _exit(0);
    }
    char answer = 0;
    ASSERT_EQ(read(ready[0], &answer, 1), 1);
    ASSERT_EQ(answer, 'y');
    EXPECT_EQ(InstanceLock(folder.path()).acquire(), InstanceLock::Result::alreadyRunning);
    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
    close(ready[0]);
    close(ready[1]);

    EXPECT_TRUE(std::filesystem::exists(folder.path() / "KESTRA QX4.lock"));
    EXPECT_EQ(InstanceLock(folder.path()).acquire(), InstanceLock::Result::acquired);
}

TEST(InstanceServer, ShowMainFromASecondCopyReachesTheFirstAndNothingElseDoes) {
    TempFolder folder;
    InstanceLock lock(folder.path());
    EXPECT_FALSE(lock.sendShowMain()) << "nobody listens yet";

    MessageLog first;
    auto* server = new InstanceServer(lock.socketPath(), &first);
    ASSERT_TRUE(server->listening());
    const QFileInfo socket(QString::fromStdString(lock.socketPath().string()));
    EXPECT_EQ(socket.permissions() & (QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                      QFileDevice::ReadOther | QFileDevice::WriteOther),
              QFileDevice::Permissions{});

    sendRaw(lock.socketPath(), "1033 0 0\n");
    sendRaw(lock.socketPath(), "1037 5 5\n");
    sendRaw(lock.socketPath(), std::string(100, 'x'));
    ASSERT_TRUE(lock.sendShowMain());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !first.messages.empty(); }, 5000));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(first.messages, std::vector<std::uint32_t>{UM_SHOW_MAIN});
}

TEST(RuntimeFolder, OnlyAFolderClosedToOtherUsersIsUsed) {
    TempFolder folder;
    ScopedEnv runtime("QX4_RUNTIME_DIR", folder.path().string());
    std::string error;
    EXPECT_EQ(runtimeFolder(&error), folder.path());

    chmod(folder.path().c_str(), 0755);
    EXPECT_EQ(runtimeFolder(&error), std::nullopt);
    EXPECT_NE(error.find("open to other users"), std::string::npos) << error;
    chmod(folder.path().c_str(), 0700);
}

}  // namespace
}  // namespace qx4::gui
