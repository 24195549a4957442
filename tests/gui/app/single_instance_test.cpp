// One copy per user: the lock, the privacy of the folder and socket a second copy uses to reach
// the first, and starts that race the first one's start-up. That a second program exits and
// reaches the first is the end-to-end test's part.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QObject>

#include <sys/stat.h>

#include <algorithm>
#include <future>
#include <latch>
#include <memory>
#include <vector>

#include "core/window_messages.h"
#include "gui/app/single_instance.h"
#include "gui/app/window_message.h"
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

// Stands in for the first copy's window: counts the requests to show it.
class ShowCounter final : public QObject {
public:
    int shown = 0;

protected:
    bool event(QEvent* event) override {
        if (event->type() != WindowMessageEvent::eventType()) return QObject::event(event);
        shown += static_cast<WindowMessageEvent*>(event)->message() == UM_SHOW_MAIN;
        return true;
    }
};

TEST(SingleInstance, TenConcurrentStartsLeaveOneThatTheNineOthersReachOnceItListens) {
    qx4::test::TempFolder folder;
    constexpr int kStarts = 10;
    enum class Outcome { first, reachedTheFirst, lost };
    std::vector<std::unique_ptr<InstanceLock>> locks;
    std::latch decided(kStarts);
    std::vector<std::future<Outcome>> starts;
    for (int i = 0; i < kStarts; ++i) {
        auto& lock = *locks.emplace_back(std::make_unique<InstanceLock>(folder.path()));
        starts.push_back(std::async(std::launch::async, [&lock, &decided] {
            const InstanceLock::Result result = lock.acquire();
            decided.count_down();
            if (result == InstanceLock::Result::acquired) return Outcome::first;
            return sendShowMain(lock) ? Outcome::reachedTheFirst : Outcome::lost;
        }));
    }
    // Every copy knows whether it is first; only now does the first one listen, as it does once
    // its window is built.
    decided.wait();
    ShowCounter window;
    ASSERT_TRUE((new InstanceServer(locks.front()->socketPath(), &window))->listening());

    std::vector<Outcome> outcomes;
    for (auto& start : starts) outcomes.push_back(start.get());
    EXPECT_EQ(std::count(outcomes.begin(), outcomes.end(), Outcome::first), 1);
    EXPECT_EQ(std::count(outcomes.begin(), outcomes.end(), Outcome::reachedTheFirst), kStarts - 1);
    const QDeadlineTimer patience(15000);
    while (window.shown < kStarts - 1 && !patience.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    }
    EXPECT_EQ(window.shown, kStarts - 1);
}

}  // namespace
}  // namespace qx4::gui
