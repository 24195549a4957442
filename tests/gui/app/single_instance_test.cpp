// What guards the start: one copy per user (the lock, the privacy of the folder and socket a
// second copy uses to reach the first, starts that race the first one's start-up) and a session
// bus that would hold Qt's start. That a second program exits and reaches the first is the
// end-to-end test's part.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLocalSocket>
#include <QObject>
#include <QTest>
#include <QTimer>

#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <future>
#include <latch>
#include <memory>
#include <vector>

#include "core/instance/instance_messages.h"
#include "core/window_messages.h"
#include "gui/app/session_bus.h"
#include "gui/app/single_instance.h"
#include "gui/common/window_message.h"
#include "tests/support/virtual_mouse_process.h"

namespace qx4::gui {
namespace {

TEST(SingleInstance, OneLockHolderAtATimeInAFolderAndBehindASocketClosedToOtherUsers) {
    qx4::test::TempFolder folder;
    {
        InstanceLock first(folder.path());
        EXPECT_EQ(first.acquire(), InstanceLock::Result::acquired);
        EXPECT_EQ(InstanceLock(folder.path()).acquire(), InstanceLock::Result::alreadyRunning);
    }
    ASSERT_TRUE(std::filesystem::exists(folder.path() / "KESTRA QX4.lock"));
    EXPECT_EQ(InstanceLock(folder.path()).acquire(), InstanceLock::Result::acquired) << "the file left behind blocks nothing";

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

// A bus that takes the connection and says nothing would hold Qt's start; it is found wherever its
// address list names it, its path escaped. One that is not there fails fast on its own.
TEST(SessionBus, ASilentBusIsFoundInTheAddressListAndAMissingOneIsLeftToFailOnItsOwn) {
    qx4::test::TempFolder folder;
    sockaddr_un address{AF_UNIX, {}};
    std::strcpy(address.sun_path, (folder.path() / "b,us").c_str());
    const int bus = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_EQ(bind(bus, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
    ASSERT_EQ(listen(bus, 4), 0);
    const std::string escaped = (folder.path() / "b%2cus").string();
    const std::chrono::milliseconds patience(200);
    EXPECT_FALSE(sessionBusAnswers(("tcp:host=localhost;unix:path=" + escaped + ",guid=1").c_str(), patience));
    EXPECT_TRUE(sessionBusAnswers(("unix:path=" + (folder.path() / "gone").string()).c_str(), patience));
    close(bus);
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

// While it lives, this process can open no further descriptor.
class DescriptorShortage {
public:
    DescriptorShortage() {
        getrlimit(RLIMIT_NOFILE, &saved_);
        rlimit low = saved_;
        low.rlim_cur = std::min<rlim_t>(saved_.rlim_cur, 64);
        setrlimit(RLIMIT_NOFILE, &low);
        for (int fd = dup(0); fd >= 0; fd = dup(0)) filled_.push_back(fd);
    }
    ~DescriptorShortage() {
        for (const int fd : filled_) close(fd);
        setrlimit(RLIMIT_NOFILE, &saved_);
    }
    DescriptorShortage(const DescriptorShortage&) = delete;
    DescriptorShortage& operator=(const DescriptorShortage&) = delete;

private:
    rlimit saved_{};
    std::vector<int> filled_;
};

TEST(SingleInstance, AClientThatCameWhileDescriptorsRanOutIsHeardOnceTheyAreBackAndTheServerListensOn) {
    qx4::test::TempFolder folder;
    InstanceLock lock(folder.path());
    ASSERT_EQ(lock.acquire(), InstanceLock::Result::acquired);
    ShowCounter window;
    auto* server = new InstanceServer(lock.socketPath(), &window);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, lock.socketPath().c_str());
    const int client = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(client, 0);
    {
        const DescriptorShortage shortage;
        ASSERT_EQ(connect(client, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
        ASSERT_EQ(send(client, kShowMainLine.data(), kShowMainLine.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(kShowMainLine.size()));
        const auto* retry = server->findChild<QTimer*>("instance_accept_retry_timer");
        ASSERT_TRUE(QTest::qWaitFor([&] { return !server->listening() || (retry && retry->isActive()); }, 5000))
            << "the server never tried to take the client";
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.shown == 1; }, 5000)) << "the waiting client is taken";
    close(client);
    EXPECT_TRUE(server->listening());
    EXPECT_TRUE(sendShowMain(InstanceLock(folder.path())));
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.shown == 2; }, 5000)) << "and later ones too";
}

// Holds every request it is given, unanswered, as a slow command does.
class HoldingHandler final : public RequestHandler {
public:
    void handleRequest(const InstanceRequest&, Replier reply) override { held.push_back(std::move(reply)); }
    std::vector<Replier> held;
};

TEST(SingleInstance, ASecondStartIsHeardBesideEightSilentOrWaitingClientsAndARequestWithoutASlotIsToldWhy) {
    const std::string request = encodeRequest({"/", "/", {"status"}});
    for (const bool waiting : {false, true}) {
        SCOPED_TRACE(waiting ? "eight requests being carried out" : "eight silent clients");
        qx4::test::TempFolder folder;
        InstanceLock lock(folder.path());
        ASSERT_EQ(lock.acquire(), InstanceLock::Result::acquired);
        ShowCounter window;
        HoldingHandler handler;
        new InstanceServer(lock.socketPath(), &window, &handler);
        const QString path = QString::fromStdString(lock.socketPath().string());
        std::vector<std::unique_ptr<QLocalSocket>> crowd;
        for (int i = 0; i < InstanceServer::kMaxConnections; ++i) {
            auto& client = *crowd.emplace_back(std::make_unique<QLocalSocket>());
            client.connectToServer(path);
            ASSERT_TRUE(client.waitForConnected(1000));
            if (waiting) client.write(request.data(), static_cast<qint64>(request.size()));
        }
        if (waiting) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return handler.held.size() == crowd.size(); }, 5000));
        }

        const std::size_t heldBefore = handler.held.size();
        QLocalSocket ninth;
        ninth.connectToServer(path);
        ASSERT_TRUE(ninth.waitForConnected(1000));
        ninth.write(request.data(), static_cast<qint64>(request.size()));
        QByteArray received;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                received += ninth.readAll();
                return ninth.state() == QLocalSocket::UnconnectedState || handler.held.size() > heldBefore;
            },
            5000));
        const auto reply = decodeReply(received.toStdString());
        if (waiting) {
            ASSERT_TRUE(reply) << received.toStdString();
            EXPECT_EQ(reply->exitCode, 1);
            EXPECT_NE(reply->err.find("carrying out 8 other requests"), std::string::npos) << reply->err;
        } else {
            EXPECT_EQ(handler.held.size(), 1u) << "silent clients take no slot";
        }

        EXPECT_TRUE(sendShowMain(InstanceLock(folder.path())));
        EXPECT_TRUE(QTest::qWaitFor([&] { return window.shown == 1; }, 5000));
    }
}

}  // namespace
}  // namespace qx4::gui
