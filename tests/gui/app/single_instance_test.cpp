// One copy per user (the lock, the privacy of the folder and socket a second copy uses to reach the
// first, a session bus that would hold Qt's start), and qx4ctl's requests over the instance socket,
// carried out by the running program: a change is the page's own (shown, saved, sent, never
// overwritten), and no client, however broken, slow or greedy, changes anything or stops the
// program from answering the next or a second start.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <QLocalSocket>
#include <QTest>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <thread>

#include "core/config/record_bytes.h"
#include "core/config/utf16_text.h"
#include "core/instance/instance_messages.h"
#include "gui/app/client_socket.h"
#include "gui/app/remote_commands.h"
#include "gui/app/session_bus.h"
#include "gui/app/single_instance.h"
#include "gui/follow/focus_follower.h"
#include "gui/follow/session_profile_target.h"
#include "gui/macro/wireless_macro_ui.h"
#include "tests/support/app_harness.h"
#include "tests/support/hex_fixture.h"
#include "tests/support/sample_record.h"
#include "tests/support/test_files.h"
#include "tests/support/patience.h"

namespace qx4::gui::test {
namespace {

TEST(SingleInstance, OneLockHolderAtATimeInAFolderAndBehindASocketClosedToOtherUsers) {
    qx4::test::TempFolder folder;
    {
        InstanceLock first(folder.path());
        EXPECT_EQ(first.acquire(), InstanceLock::Result::acquired);
        EXPECT_EQ(InstanceLock(folder.path()).acquire(), InstanceLock::Result::alreadyRunning);
        EXPECT_TRUE(InstanceLock(folder.path()).heldElsewhere());
    }
    ASSERT_TRUE(std::filesystem::exists(folder.path() / "KESTRA QX4.lock"));
    EXPECT_FALSE(InstanceLock(folder.path()).heldElsewhere());
    {
        // Copies of qx4ctl look at the lock all the time; a program that starts meanwhile gets it.
        const std::jthread looking([&](const std::stop_token& stop) {
            const InstanceLock qx4ctl(folder.path());
            while (!stop.stop_requested()) (void)qx4ctl.heldElsewhere();
        });
        for (int start = 0; start < 2000; ++start) {
            InstanceLock program(folder.path());
            ASSERT_EQ(program.acquire(), InstanceLock::Result::acquired) << "start " << start;
        }
    }

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

// The program's end of one connection, against a client that takes its time: a flood waits in the
// kernel rather than here, a reply larger than the socket's buffer arrives whole before the
// socket closes, and a client that leaves ends its side once and the connection at the next write.
TEST(ClientSocket, AFloodWaitsInTheKernelALongReplyArrivesWholeAndALeavingClientEndsItOnce) {
    int ends[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0, ends), 0);
    const int client = ends[1];
    ClientSocket socket(ends[0], nullptr);
    QSignalSpy ended(&socket, &ClientSocket::disconnected);

    const std::string flood(4 * ClientSocket::kInboxLimit, 'f');
    const ssize_t sent = send(client, flood.data(), flood.size(), 0);
    ASSERT_GT(sent, ClientSocket::kInboxLimit);
    QTest::qWait(50);
    qsizetype received = socket.read(sent).size();
    EXPECT_LE(received, ClientSocket::kInboxLimit);
    EXPECT_TRUE(QTest::qWaitFor([&] { return (received += socket.read(sent).size()) == sent; }, qx4::test::kPatienceMs))
        << received << " of " << sent;

    const std::string reply(1 << 21, 'r');
    socket.write(reply);
    socket.disconnectFromServer();
    EXPECT_EQ(ended.count(), 0) << "closed with the reply unsent";
    std::string arrived;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            char chunk[65536];
            const ssize_t got = recv(client, chunk, sizeof chunk, 0);
            if (got > 0) arrived.append(chunk, static_cast<std::size_t>(got));
            return got == 0;
        }, qx4::test::kPatienceMs));
    EXPECT_TRUE(arrived == reply) << arrived.size() << " of " << reply.size() << " bytes";
    EXPECT_EQ(ended.count(), 1);
    close(client);

    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0, ends), 0);
    ClientSocket left(ends[0], nullptr);
    QSignalSpy leftReading(&left, &ClientSocket::readEnded);
    QSignalSpy leftEnded(&left, &ClientSocket::disconnected);
    close(ends[1]);
    EXPECT_TRUE(QTest::qWaitFor([&] { return leftReading.count() == 1; }, qx4::test::kPatienceMs));
    EXPECT_TRUE(left.read(1).isEmpty());  // reading on after the end does not listen again
    QTest::qWait(20);
    EXPECT_EQ(leftReading.count(), 1);
    EXPECT_EQ(leftEnded.count(), 0) << "a client that only shut its side still takes a reply";
    left.write("reply");
    EXPECT_EQ(leftEnded.count(), 1);
}

// A bus that takes the connection and says nothing would hold Qt's start; it is found wherever its
// address list names it, its path escaped. One that is not there fails fast on its own.
TEST(SessionBus, ASilentBusIsFoundInTheAddressListAndAMissingOneIsLeftToFailOnItsOwn) {
    qx4::test::TempFolder folder;
    std::vector<int> buses;
    for (const char* name : {"b,cus", "bus,"}) {
        sockaddr_un address{AF_UNIX, {}};
        std::strcpy(address.sun_path, (folder.path() / name).c_str());
        buses.push_back(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
        ASSERT_EQ(bind(buses.back(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
        ASSERT_EQ(listen(buses.back(), 4), 0);
    }
    const std::string escaped = (folder.path() / "b%2ccus").string();  // two hex digits, then a letter that could be one
    const std::chrono::milliseconds patience(200);
    EXPECT_FALSE(sessionBusAnswers(("tcp:host=localhost;unix:path=" + escaped + ",guid=1").c_str(), patience));
    EXPECT_FALSE(sessionBusAnswers(("unix:path=" + (folder.path() / "bus%2c").string()).c_str(), patience))
        << "an escape that ends the address";
    EXPECT_TRUE(sessionBusAnswers(("unix:path=" + (folder.path() / "gone").string()).c_str(), patience));
    for (const int bus : buses) close(bus);
}

// Holds every request it is given, unanswered, as a slow command does.
class HoldingHandler final : public RequestHandler {
public:
    void handleRequest(const InstanceRequest&, Replier reply) override { held.push_back(std::move(reply)); }
    std::vector<Replier> held;
};

// Sends the bytes, then takes what comes back until the program closes the connection.
std::string exchange(const std::filesystem::path& socket, const std::string& bytes, int patienceMs = qx4::test::kPatienceMs) {
    QLocalSocket client;
    client.connectToServer(QString::fromStdString(socket.string()));
    if (!client.waitForConnected(qx4::test::kPatienceMs)) return "not connected";
    client.write(bytes.data(), static_cast<qint64>(bytes.size()));
    client.flush();
    QByteArray received;
    const bool closed = QTest::qWaitFor(
        [&] {
            received += client.readAll();
            return client.state() == QLocalSocket::UnconnectedState;
        },
        patienceMs);
    return closed ? (received + client.readAll()).toStdString() : "still open";
}

// A client of its own that sends `bytes` and never reads: the test's own process would read a
// QLocalSocket's reply for it.
int rawClient(const std::filesystem::path& socket, const std::string& bytes) {
    sockaddr_un address{AF_UNIX, {}};
    std::strcpy(address.sun_path, socket.c_str());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) return -1;
    return send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size()) ? fd : -1;
}

// The program's end of the socket, with a handler that holds every request it is given.
class ServedInstance : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(lock.acquire(), InstanceLock::Result::acquired);
        auto* server = new InstanceServer(lock.socketPath(), &window, &handler);
        QObject::connect(server, &InstanceServer::showRequested, &window, [this] { ++shown; });
    }
    qx4::test::TempFolder folder;
    InstanceLock lock{folder.path()};
    QObject window;  // the first copy's window, which owns the server
    HoldingHandler handler;
    int shown = 0;  // requests to show the window
};

// Silent clients take no slot. Requests beyond the slots wait their turn, unread, and are carried
// out as slots free; one beyond the waiting line is told why it is refused. Clients that never take
// their long replies keep no slot from the others, and one that shuts its side after its request
// still gets its reply. A second start is heard beside them all.
TEST_F(ServedInstance, RequestsWaitTheirTurnUnreadRepliesHoldNoSlotAndASecondStartIsHeardBesideThemAll) {
    constexpr std::size_t kSlots = InstanceServer::kMaxConnections;
    constexpr std::size_t kLine = kSlots + InstanceServer::kMaxWaiting;
    const std::string request = encodeRequest({"/", "/", {"status"}});
    std::vector<std::unique_ptr<QLocalSocket>> silent;
    for (std::size_t i = 0; i < kSlots; ++i) {
        auto& client = *silent.emplace_back(std::make_unique<QLocalSocket>());
        client.connectToServer(QString::fromStdString(lock.socketPath().string()));
        ASSERT_TRUE(client.waitForConnected(qx4::test::kPatienceMs));
    }
    std::vector<int> crowd;
    for (std::size_t i = 0; i < kLine; ++i) crowd.push_back(rawClient(lock.socketPath(), request));
    ASSERT_TRUE(std::ranges::none_of(crowd, [](int fd) { return fd < 0; }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return handler.held.size() == kSlots; }, qx4::test::kPatienceMs)) << "silent clients take no slot";
    const std::string refusal = exchange(lock.socketPath(), request);
    const auto refused = decodeReply(refusal);
    ASSERT_TRUE(refused) << refusal;
    EXPECT_EQ(refused->exitCode, 1);
    EXPECT_NE(refused->err.find("more wait"), std::string::npos) << refused->err;
    silent.clear();  // gone before the second start is heard: they free no slot they never held
    EXPECT_TRUE(sendShowMain(InstanceLock(folder.path())));
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown == 1; }, qx4::test::kPatienceMs));
    EXPECT_EQ(handler.held.size(), kSlots);

    // Each is answered with more than the socket takes at once, and none reads it.
    const InstanceReply longReply{0, std::string(900 * 1024, 'x'), {}};
    std::size_t answered = 0;
    while (answered < kLine) {
        const std::size_t before = handler.held.size();
        for (std::size_t i = answered; i < before; ++i) handler.held[i](longReply);
        answered = before;
        if (answered < kLine) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return handler.held.size() > answered; }, qx4::test::kPatienceMs)) << answered;
        }
    }

    const int halfClosed = rawClient(lock.socketPath(), request);
    ASSERT_GE(halfClosed, 0);
    shutdown(halfClosed, SHUT_WR);
    ASSERT_TRUE(QTest::qWaitFor([&] { return handler.held.size() == kLine + 1; }, qx4::test::kPatienceMs));
    // The end of its side was there before the server took the client: one more pass sees it.
    QCoreApplication::processEvents();
    handler.held.back()({0, "done\n", {}});
    std::string received;
    char buffer[256];
    ASSERT_TRUE(QTest::qWaitFor([&] {
        const ssize_t got = recv(halfClosed, buffer, sizeof(buffer), MSG_DONTWAIT);
        if (got > 0) received.append(buffer, static_cast<std::size_t>(got));
        return got == 0;
    }, qx4::test::kPatienceMs));
    EXPECT_EQ(decodeReply(received), (InstanceReply{0, "done\n", {}}));
    for (const int fd : crowd) close(fd);
    close(halfClosed);
}

// Clients that connect and say nothing make room for the next instead of keeping it waiting until
// their time is up: a request behind many of them is carried out before any of them is timed out.
TEST_F(ServedInstance, SilentClientsMakeRoomForARequestBehindThem) {
    std::vector<int> silent;
    for (int i = 0; i < 4 * InstanceServer::kMaxUnheard; ++i) silent.push_back(rawClient(lock.socketPath(), {}));
    const int requester = rawClient(lock.socketPath(), encodeRequest({"/", "/", {"status"}}));
    ASSERT_TRUE(std::ranges::none_of(silent, [](int fd) { return fd < 0; }) && requester >= 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return handler.held.size() == 1; }, qx4::test::kPatienceMs));
    int timedOut = 0, kept = 0;
    for (const int fd : silent) {
        char byte = 0;
        const ssize_t got = recv(fd, &byte, 1, MSG_DONTWAIT);
        timedOut += got > 0;
        kept += got < 0;
        close(fd);
    }
    EXPECT_EQ(timedOut, 0) << "the request waited for silent clients to be timed out";
    EXPECT_EQ(kept, InstanceServer::kMaxUnheard - 1) << "the newest, beside the request";
    close(requester);
}

class RemoteCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(app.waitForAppliesEnded(1));
        remote = std::make_unique<RemoteCommands>(app.session(), app.page(), [this] { return access; });
        server = std::make_unique<InstanceServer>(socketPath(), &app.window(), remote.get());
    }

    std::filesystem::path socketPath() const { return runtime.path() / "test.sock"; }

    InstanceReply request(std::vector<std::string> arguments) const {
        const std::string reply = exchange(
            socketPath(), encodeRequest({dataDirectory().string(), runtime.path().string(), std::move(arguments)}));
        return decodeReply(reply).value_or(InstanceReply{-1, {}, reply});
    }

    std::unique_ptr<DeviceConfig> saved() const { return qx4::test::savedRecord(); }

    AppHarness app{{.receiverPresent = false, .cablePresent = true}};
    qx4::test::TempFolder runtime{"qx4-socket-test"};
    AccessCheck access;  // what the program finds on USB when it has no link
    std::unique_ptr<RemoteCommands> remote;
    std::unique_ptr<InstanceServer> server;
};

TEST_F(RemoteCommandsTest, AChangeIsThePagesOwnShownSavedSentAndNeverOverwritten) {
    const std::size_t sentBefore = app.reports(Link::cable).size();

    const InstanceReply dpi = request({"dpi", "3", "1600", "--apply"});
    EXPECT_EQ(dpi.exitCode, 0) << dpi.err;
    EXPECT_EQ(dpi.out, "Profile 1, DPI level 3: 1600 DPI\nSent to the mouse: 3 reports.\n");
    EXPECT_EQ(app.control<QLineEdit>("wireless_dpi_value_3")->text(), "1600");
    EXPECT_EQ(saved()->profiles[0].dpiValuesX[2], 16);
    const auto expected = qx4::test::readHexGroup("applies.hex", "qx4ctl dpi 3 1600");
    const auto reports = app.reports(Link::cable);
    EXPECT_EQ(std::vector(reports.begin() + static_cast<std::ptrdiff_t>(sentBefore), reports.end()), expected);

    // The program saves again when the mouse switches its DPI level; the change is its own now.
    app.notify(Link::cable, kNotifyDpiLevel, 5);
    ASSERT_TRUE(saveRecordNow(app.session()));
    EXPECT_EQ(saved()->profiles[0].dpiLevel, 4);
    EXPECT_EQ(saved()->profiles[0].dpiValuesX[2], 16);

    // Without --apply nothing is sent, but the change is saved at once; the profile bar follows a
    // chosen profile.
    EXPECT_EQ(request({"rate", "--profile", "2", "250"}).exitCode, 0);
    EXPECT_EQ(saved()->profiles[1].pollingRateIndex, 1);
    EXPECT_EQ(app.reports(Link::cable).size(), reports.size());
    const InstanceReply profile = request({"profile", "2"});
    EXPECT_EQ(profile.out.substr(0, 40), "Profile 2 is active.\nSent to the mouse: ") << profile.err;
    EXPECT_TRUE(app.control<QAbstractButton>("wireless_profile_2_btn")->isChecked());
    EXPECT_EQ(app.buttonPage().profileShown, 1);
    EXPECT_EQ(app.reports(Link::cable).back()[3], 4) << "the report rate of profile 2: 250 Hz";

    const InstanceReply elsewhere =
        decodeReply(exchange(socketPath(), encodeRequest({"/elsewhere", "/", {"reset"}}))).value();
    EXPECT_EQ(elsewhere.exitCode, 1);
    EXPECT_NE(elsewhere.err.find("data folder"), std::string::npos) << elsewhere.err;
    EXPECT_EQ(app.session().record().activeProfile, 1);
    EXPECT_EQ(request({"apply", "--simulate", "--full"}).exitCode, 0) << "options in any order";
    EXPECT_EQ(request({"apply", "--fast"}).exitCode, 2);

    // Over the receiver alone, with the mouse asleep, nothing can be sent, and the reply says why.
    app.plug(Link::receiver);
    app.settleArrival(Link::receiver);
    app.plug(Link::cable, false);
    const InstanceReply asleep = request({"apply"});
    EXPECT_EQ(asleep.exitCode, 1);
    EXPECT_NE(asleep.err.find(": the mouse is asleep"), std::string::npos) << asleep.err;
}

TEST_F(RemoteCommandsTest, TheMacroPageShowsMacrosChangedOutsideAndKeepsItsOwnEdits) {
    app.click("wireless_macro_btn");
    auto* macroList = app.control<QListWidget>("wireless_macro_list");
    auto* steps = app.control<QListWidget>("wireless_macro_action_list");
    const int refreshes = app.buttonPage().refreshes;
    ASSERT_EQ(request({"macro", "add", "Copy"}).exitCode, 0);
    ASSERT_EQ(macroList->count(), 1);
    EXPECT_EQ(app.buttonPage().refreshes, refreshes) << "no binding changed: the other pages keep what they show";
    macroList->setCurrentRow(0);
    ASSERT_EQ(steps->count(), 0);

    const InstanceReply stepped = request({"macro", "steps", "Copy", "Ctrl down 20, C down 20, C up 20, Ctrl up"});
    EXPECT_EQ(stepped.exitCode, 0) << stepped.err;
    EXPECT_EQ(steps->count(), 4) << "the page shows the stored steps";

    // A recording on the page is an edit of its own: the library waits until it is saved or dropped.
    app.click("wireless_macro_record_btn");
    app.sendHookInput(0x41);
    ASSERT_TRUE(app.control<CWirelessMacroUI>("wireless_macro_tab")->hasUnsavedEdits());
    const InstanceReply renamed = request({"macro", "rename", "Copy", "Paste"});
    EXPECT_EQ(renamed.exitCode, 1);
    EXPECT_NE(renamed.err.find("edit is open"), std::string::npos) << renamed.err;
    EXPECT_EQ(macroList->item(0)->text(), "Copy");
    EXPECT_EQ(steps->count(), 5);
}

// What the program cannot save whole it does not keep: a later save of the record alone would
// write half of it, and a macro renamed in one file only resets the buttons that play it.
TEST_F(RemoteCommandsTest, AChangeThatCannotBeSavedWholeIsNotKept) {
    ASSERT_EQ(request({"macro", "add", "Fire"}).exitCode, 0);
    ASSERT_EQ(request({"bind", "3", "macro:Fire"}).exitCode, 0);
    const auto storeBefore = qx4::test::readBytes(macroFilePath());
    const auto configBefore = qx4::test::readBytes(configFilePath());
    {
        // macro.data fits below the limit, Config_1.data does not.
        const qx4::test::ScopedFileSizeLimit fullDisk(64 * 1024);
        const InstanceReply renamed = request({"macro", "rename", "Fire", "Burst"});
        EXPECT_EQ(renamed.exitCode, 1);
        const std::string why = std::make_error_code(std::errc::file_too_large).message();
        EXPECT_EQ(renamed.err, "qx4ctl macro: cannot write " + configFilePath().string() + ": " + why +
                                   "; nothing was changed\n");
    }
    EXPECT_EQ(qx4::test::readBytes(macroFilePath()), storeBefore);
    EXPECT_EQ(qx4::test::readBytes(configFilePath()), configBefore);

    // The page keeps the macro's name, and the button keeps it through the next change.
    app.notify(Link::cable, kNotifyDpiLevel, 5);
    ASSERT_TRUE(saveRecordNow(app.session()));
    ASSERT_EQ(request({"macro", "steps", "Fire", "A down 5, A up"}).exitCode, 0);
    EXPECT_EQ(saved()->profiles[0].buttons[2].functionCode, 17);
    EXPECT_EQ(fixedTextView(saved()->profiles[0].buttons[2].macroName), u"Fire");
}

TEST_F(RemoteCommandsTest, BrokenAndSlowClientsChangeNothingTheNextOneIsAnsweredAndStatusIsTold) {
    const auto recordBefore = qx4::test::copyOf(app.session().record());
    const auto fileBefore = qx4::test::readBytes(configFilePath());
    const auto refused = [this](const std::string& bytes) {
        const auto reply = decodeReply(exchange(socketPath(), bytes));
        return reply && reply->exitCode == 1 && !reply->err.empty();
    };

    std::string oversized = "QX4CTL/1 66\n";
    while (oversized.size() <= kMaxRequestBytes) oversized += "4096:" + std::string(4096, 'x') + "\n";
    EXPECT_TRUE(refused("GET / HTTP/1.1\r\nHost: x\r\n\r\n"));
    EXPECT_TRUE(refused(oversized));
    EXPECT_TRUE(refused(std::string("QX4CTL/1 3\n1:/\n1:/\n4:ab\0c\n", 26)));
    EXPECT_TRUE(refused("1037 0 1\n"));
    EXPECT_EQ(request({"dpi", "3", "1650"}).exitCode, 2);
    EXPECT_EQ(request({"frobnicate"}).exitCode, 2);

    // A client that stops halfway is answered once its time is up, and the UI goes on meanwhile.
    QTimer ticker;
    int ticks = 0;
    QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
    ticker.start(50);
    const std::string halfway = exchange(socketPath(), "QX4CTL/1 3\n1:/");
    EXPECT_TRUE(decodeReply(halfway) && decodeReply(halfway)->exitCode == 1) << halfway;
    EXPECT_GT(ticks, 1) << "the window went on while the client dawdled";

    const InstanceReply status = request({"status"});
    EXPECT_EQ(status.exitCode, 0) << status.err;
    EXPECT_EQ(status.out.substr(0, 9), "Receiver:");
    EXPECT_TRUE(std::ranges::equal(recordBytes(app.session().record()), recordBytes(*recordBefore)));
    EXPECT_EQ(qx4::test::readBytes(configFilePath()), fileBefore);

    // Status tells a mouse closed to the user from no mouse.
    app.plug(Link::cable, false);
    EXPECT_NE(request({"status"}).out.find("No mouse found"), std::string::npos);
    const InstanceReply nowhere = request({"apply", "--full"});
    EXPECT_NE(nowhere.err.find("plug in the receiver"), std::string::npos) << "no simulation asked: " << nowhere.err;

    access.access.state = DeviceAccess::State::notPermitted;
    access.access.blockedNodes = {"/dev/hidraw3"};
    access.fix.command = "sudo udevadm trigger";
    const InstanceReply closed = request({"status"});
    EXPECT_EQ(closed.exitCode, 0) << closed.err;
    EXPECT_NE(closed.out.find("may not open it (/dev/hidraw3)"), std::string::npos) << closed.out;
    EXPECT_NE(closed.out.find("  sudo udevadm trigger\n"), std::string::npos) << closed.out;
    EXPECT_EQ(closed.out.find("No mouse found"), std::string::npos) << closed.out;

    // A request that comes while the program ends is answered, not left waiting for an apply.
    app.shutdown();
    const InstanceReply late = request({"apply"});
    EXPECT_EQ(late.exitCode, 1) << late.err;
}

// The profiles (1-5) of the profile selects sent on the cable.
std::vector<int> profileSelects(AppHarness& app) {
    std::vector<int> selects;
    for (const auto& report : app.reports(Link::cable)) {
        if (report.size() >= 3 && report[0] == 0x0c) selects.push_back(report[2]);
    }
    return selects;
}

// qx4ctl's rules reach the running program; its own selects for them are no choice by hand, and a
// choice by hand holds until another application comes to the front.
TEST_F(RemoteCommandsTest, RulesGoToTheProgramWhichSelectsForTheApplicationInFrontUntilAHandChoice) {
    SessionProfileTarget target(app.session(), {}, nullptr);
    FocusFollower follower(target, nullptr);
    remote->setFollower(&follower);
    const InstanceReply added = request({"rules", "add", "steam_app_730", "3"});
    ASSERT_EQ(added.exitCode, 0) << added.err;
    EXPECT_EQ(request({"rules", "list"}).out, "follow: on\ndefault: keep\nsteam_app_730 -> 3\n");
    EXPECT_EQ(request({"rules", "add", "steam_app_730", "9"}).exitCode, 2);
    const std::size_t before = profileSelects(app).size();
    const auto settled = [&](int applies) {
        QTest::qWait(2 * static_cast<int>(FollowEngine::kRest.count()));
        return app.waitForAppliesEnded(applies);
    };
    const int applies = app.appliesEnded;

    follower.reportFocus({"steam_app_730"}, FocusFollower::Source::desktop);
    ASSERT_TRUE(settled(applies + 1));
    EXPECT_EQ(app.session().record().activeProfile, 2);
    EXPECT_EQ(follower.statusText().toStdString(), "Profile 3 for steam_app_730");
    EXPECT_FALSE(follower.findChild<QTimer*>(QStringLiteral("focus_rest_timer"))->isActive()) << "settled once";

    app.control<QAbstractButton>("wireless_profile_1_btn")->click();
    follower.reportFocus({"steam_app_730"}, FocusFollower::Source::desktop);
    ASSERT_TRUE(settled(applies + 2));
    EXPECT_EQ(app.session().record().activeProfile, 0) << "the choice by hand holds";
    follower.reportFocus({"xterm"}, FocusFollower::Source::desktop);
    ASSERT_TRUE(settled(applies + 2)) << "no rule: the profile stays";
    follower.reportFocus({"steam_app_730"}, FocusFollower::Source::desktop);
    ASSERT_TRUE(settled(applies + 3));
    const std::vector<int> selects = profileSelects(app);
    EXPECT_EQ(std::vector<int>(selects.begin() + static_cast<std::ptrdiff_t>(before), selects.end()),
              (std::vector<int>{3, 1, 3}));
}

}  // namespace
}  // namespace qx4::gui::test
