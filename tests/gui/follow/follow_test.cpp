// The session bus service and the rules window against a stand-in mouse whose applies end when
// the test says; the desktop's notifications on that bus.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusPendingCall>
#include <QDBusPendingReply>
#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QTextDocument>
#include <QTreeWidget>

#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "gui/app/desktop_notifier.h"
#include "gui/follow/bus_service.h"
#include "gui/follow/focus_follower.h"
#include "gui/common/elided_text.h"
#include "gui/common/resource_manager.h"
#include "gui/follow/profile_target.h"
#include "gui/follow/rules_wnd.h"
#include "gui/follow/x11_focus_watcher.h"
#include "tests/support/child_process.h"
#include "tests/support/virtual_mouse_process.h"
#include "tests/support/patience.h"
#include "tests/support/test_files.h"
#include "tests/support/x_other_window.h"
#include "tests/support/x_session.h"

namespace qx4::gui {
namespace {

// Selects and applies are noted; an apply runs from its request until finishApply().
class FakeTarget final : public ProfileTarget {
public:
    int activeProfile() const override { return active; }
    void selectProfile(int profile, Cause) override {
        active = profile;
        selects.push_back(profile);
        requestApply();
    }
    bool applyRunning() const override { return running; }
    void requestApply() override {
        ++applies;
        running = true;
    }
    DeviceState deviceState() const override { return {}; }
    void finishApply() {
        running = false;
        Q_EMIT applyEnded();
    }

    int active = 0;
    bool running = false;
    int applies = 0;
    std::vector<int> selects;
};

class BusServiceTest : public testing::Test {
protected:
    void SetUp() override {
        if (!QDBusConnection::sessionBus().isConnected()) GTEST_SKIP() << "no session bus";
        follower_ = new FocusFollower(target_, &parent_);
        ASSERT_NE(BusService::offer(target_, *follower_, &parent_), nullptr);
    }
    void TearDown() override {
        QDBusConnection::sessionBus().unregisterService(QString::fromLatin1(kBusName));
        QDBusConnection::sessionBus().unregisterObject(QString::fromLatin1(kBusPath));
    }

    // Calls from a connection of their own, as a panel applet makes them.
    QDBusPendingCall call(const QString& method, const QVariantList& arguments = {}) {
        QDBusMessage message = QDBusMessage::createMethodCall(QString::fromLatin1(kBusName), QString::fromLatin1(kBusPath),
                                                              QString::fromLatin1(kBusName), method);
        message.setArguments(arguments);
        return client_.asyncCall(message, 60000);
    }
    static bool allAnswered(const std::vector<QDBusPendingCall>& calls) {
        return QTest::qWaitFor(
            [&] { return std::ranges::all_of(calls, [](const QDBusPendingCall& c) { return c.isFinished(); }); }, qx4::test::kPatienceMs);
    }

    qx4::test::TempFolder data_;
    qx4::test::ScopedEnv dataEnv_{"QX4_DATA_DIR", data_.path().string()};
    QObject parent_;
    FakeTarget target_;
    FocusFollower* follower_ = nullptr;
    QDBusConnection client_ = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("applet"));
};

// A flood of calls while an apply sends costs one more apply, for the latest profile; every call
// earlier is told that a later one replaced it, the rest that they were handed on.
TEST_F(BusServiceTest, CallsDuringAnApplyMergeIntoOneForTheLatestProfileAndSaySo) {
    std::vector<QDBusPendingCall> calls;
    calls.push_back(call(QStringLiteral("SelectProfile"), {2u}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return target_.running; }, qx4::test::kPatienceMs));
    for (int k = 0; k < 300; ++k) calls.push_back(call(QStringLiteral("SelectProfile"), {static_cast<uint>(1 + k % 5)}));
    for (int k = 0; k < 300; ++k) calls.push_back(call(QStringLiteral("Apply")));
    calls.push_back(call(QStringLiteral("SelectProfile"), {4u}));
    const QDBusPendingCall lastApply = call(QStringLiteral("Apply"));
    calls.push_back(lastApply);
    // Every call but the last of each kind is answered while the apply still sends.
    ASSERT_TRUE(QTest::qWaitFor([&] {
        return std::ranges::count_if(calls, [](const QDBusPendingCall& c) { return c.isFinished(); }) ==
               static_cast<std::ptrdiff_t>(calls.size()) - 2;
    }, qx4::test::kPatienceMs));
    EXPECT_EQ(target_.selects, (std::vector<int>{1}));
    target_.finishApply();
    ASSERT_TRUE(allAnswered(calls));
    EXPECT_EQ(target_.selects, (std::vector<int>{1, 3}));
    EXPECT_EQ(target_.applies, 2) << "the select's apply sends what Apply asked for";

    int handed = 0;
    for (const QDBusPendingCall& answered : calls) {
        if (answered.isError()) {
            EXPECT_EQ(answered.error().name().toStdString(), "io.github.qx4config.Qx4Config1.Error.Superseded");
        } else {
            ++handed;
        }
    }
    EXPECT_EQ(handed, 3);
    EXPECT_FALSE(QDBusPendingCall(lastApply).isError());

    // Once nothing sends, a call is carried out at once.
    target_.finishApply();
    const QDBusPendingCall alone = call(QStringLiteral("Apply"));
    ASSERT_TRUE(allAnswered({alone}));
    EXPECT_FALSE(QDBusPendingCall(alone).isError());
    EXPECT_EQ(target_.applies, 3);
}

// An id is bounded as a request over the program's socket is: one longer is refused and kept nowhere.
TEST_F(BusServiceTest, AnOverlongApplicationIdIsRefusedAndForgotten) {
    const std::pair<QString, bool> ids[] = {{QString(4096, u'a'), true},
                                            {QString(4097, u'b'), false},
                                            {QString(2049, u'\u00e4'), false},  // 4,098 bytes of UTF-8
                                            {QString(1 << 20, u'c'), false}};
    for (const auto& [id, taken] : ids) {
        SCOPED_TRACE(id.size());
        QDBusPendingCall answer = call(QStringLiteral("ReportFocus"), {id});
        ASSERT_TRUE(allAnswered({answer}));
        EXPECT_EQ(answer.isError(), !taken);
        if (!taken) {
            EXPECT_EQ(answer.error().type(), QDBusError::InvalidArgs);
        }
        EXPECT_EQ(!follower_->recentApps().empty() && follower_->recentApps().front() == id.toStdString(), taken);
    }
}

// Another program's window class is shown as the characters it is made of, wherever it shows.
TEST(FollowText, AWindowClassThatLooksLikeMarkupIsShownAsItIs) {
    qx4::test::TempFolder data;
    qx4::test::ScopedEnv dataEnv{"QX4_DATA_DIR", data.path().string()};
    const std::string rich = "<h1><font color=red>MOUSE FIRMWARE CORRUPTED</font></h1>";
    ASSERT_EQ(saveRules({true, std::nullopt, {{"game", 1}}}, rulesFilePath()), "");
    FakeTarget target;
    FocusFollower follower(target, nullptr);
    follower.reportFocus({rich, "game"}, FocusFollower::Source::x11);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !follower.followedApp().isEmpty(); }, qx4::test::kPatienceMs));

    RulesWnd window(nullptr, follower);
    const auto* note = window.findChild<QLabel*>(QStringLiteral("rules_note_label"));
    ASSERT_NE(note, nullptr);
    EXPECT_TRUE(note->text().contains(QString::fromStdString(rich))) << note->text().toStdString();
    EXPECT_EQ(note->textFormat(), Qt::PlainText);

    QTextDocument tip;
    tip.setHtml(plainToolTip(QString::fromStdString(rich)));
    EXPECT_EQ(tip.toPlainText().toStdString(), rich);
}

// The rules window saves each edit at once, in the file's own words: a rule added for the name typed,
// moved within the list's ends, removed; the default profile; following on and off. A name the
// file could not hold is refused with a word why, and nothing is saved for it.
TEST(RulesWindow, EachEditIsSavedAtOnceAndANameTheFileCannotHoldIsRefused) {
    qx4::test::TempFolder data;
    qx4::test::ScopedEnv dataEnv{"QX4_DATA_DIR", data.path().string()};
    FakeTarget target;
    FocusFollower follower(target, nullptr);
    RulesWnd window(nullptr, follower);
    const auto find = [&window](const char* name) { return window.findChild<QWidget*>(QString::fromLatin1(name)); };
    auto* app = static_cast<QComboBox*>(find("rules_app_combo"));
    auto* profile = static_cast<QComboBox*>(find("rules_profile_combo"));
    auto* list = static_cast<QTreeWidget*>(find("rules_list"));
    const auto click = [&find](const char* name) { static_cast<QAbstractButton*>(find(name))->click(); };
    const auto add = [&](const char* name, int profileIndex) {
        app->setEditText(QString::fromLatin1(name));
        profile->setCurrentIndex(profileIndex);
        click("rules_add_btn");
    };
    const auto saved = [&data] {
        std::vector<std::string> lines;
        std::istringstream text(qx4::test::readText(data.path() / "rules.conf"));
        for (std::string line; std::getline(text, line);) {
            if (!line.starts_with('#')) lines.push_back(line);
        }
        return lines;
    };
    using Lines = std::vector<std::string>;

    add("game", 2);
    add("editor", 0);
    EXPECT_EQ(saved(), (Lines{"follow = on", "default = keep", "app game = 3", "app editor = 1"}));
    EXPECT_EQ(list->currentIndex().row(), 1) << "the rule added is the one selected";
    click("rules_down_btn");
    click("rules_up_btn");
    click("rules_up_btn");
    EXPECT_EQ(saved(), (Lines{"follow = on", "default = keep", "app editor = 1", "app game = 3"}));
    EXPECT_EQ(list->currentIndex().row(), 0);
    click("rules_remove_btn");
    EXPECT_EQ(saved(), (Lines{"follow = on", "default = keep", "app game = 3"}));

    auto* defaultProfile = static_cast<QComboBox*>(find("rules_default_combo"));
    EXPECT_EQ(std::pair(profile->count(), defaultProfile->count()), std::pair(5, 6)) << "the profiles, and keep";
    defaultProfile->setCurrentIndex(5);
    Q_EMIT defaultProfile->activated(5);
    static_cast<QAbstractButton*>(find("rules_follow_check"))->click();
    EXPECT_EQ(saved(), (Lines{"follow = off", "default = 5", "app game = 3"}));
    defaultProfile->setCurrentIndex(0);
    Q_EMIT defaultProfile->activated(0);
    EXPECT_EQ(saved(), (Lines{"follow = off", "default = keep", "app game = 3"}));

    add("a = b", 1);
    EXPECT_EQ(static_cast<QLabel*>(find("rules_note_label"))->text(),
              ResourceManager::instance().text(QStringLiteral("rules_bad_app_text")));
    EXPECT_EQ(saved(), (Lines{"follow = off", "default = keep", "app game = 3"}));
}

// The desktop's notification service answers each notice with the id the next one replaces.
// Notices raised while one is on its way wait for that answer, and only the latest of them is
// sent; a notice after the answer is sent as well.
TEST(Notifications, ThoseRaisedMeanwhileWaitForTheAnswerAndTheLatestReplacesTheOneOnItsWay) {
    qx4::test::Child service({QX4_FAKE_NOTIFICATIONS});
    ASSERT_TRUE(service.waitFor("ready\n"));
    DesktopNotifier notifier(nullptr, nullptr);
    const auto shownAfter = [&](std::size_t notices) {
        const auto lines = [&] { return static_cast<std::size_t>(std::ranges::count(service.output(), '\n')); };
        EXPECT_TRUE(QTest::qWaitFor([&] { return lines() >= notices + 1; }, qx4::test::kPatienceMs));
        return service.output();
    };
    for (const char* title : {"first", "second", "third"}) notifier.notify({title, "body", true});
    EXPECT_EQ(shownAfter(2), "ready\nnotify 1 2 -1 first: body\nnotify 1 2 -1 third: body\n");
    notifier.notify({"fourth", "body", true});
    const std::string shown = shownAfter(3);
    EXPECT_EQ(shown.substr(shown.rfind("notify")), "notify 1 2 -1 fourth: body\n");
}

// On X11 the application a window manager makes active is told by its class and its program,
// once per change; this program's own window is no application to follow.
TEST(X11Focus, EachNewActiveWindowIsToldOnceByItsClass) {
    if (!qx4::test::XServer::installed()) GTEST_SKIP() << "Xvfb is not installed (scripts/setup installs it)";
    const qx4::test::XServer server;
    const std::unique_ptr<X11FocusWatcher> watcher = X11FocusWatcher::start();
    ASSERT_TRUE(watcher);
    std::vector<std::vector<std::string>> told;
    QObject::connect(watcher.get(), &X11FocusWatcher::focusChanged,
                     [&](const std::vector<std::string>& names) { told.push_back(names); });
    qx4::test::OtherWindow calc("xcalc", "XCalc");
    qx4::test::OtherWindow term("xterm", "XTerm", server.pid());  // a process of another program
    calc.activate();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !told.empty(); }, qx4::test::kPatienceMs));
    calc.activate();  // set again for the same window: no change
    watcher->reportActiveWindow();
    qx4::test::OtherWindow ours("qx4-config", "Qx4-config", getpid());  // where the rules are set
    for (qx4::test::OtherWindow* front : {&term, &ours, &calc}) {
        front->activate();
        watcher->reportActiveWindow();
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return told.size() >= 3; }, qx4::test::kPatienceMs));
    EXPECT_EQ(told, (std::vector<std::vector<std::string>>{{"xcalc", "XCalc"}, {"xterm", "XTerm", "Xvfb"}, {"xcalc", "XCalc"}}));
}

}  // namespace
}  // namespace qx4::gui
