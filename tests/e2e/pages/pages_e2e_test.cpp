// The program's window against a private qx4-virtual-mouse, driven through its widgets as a user
// would: what the mouse receives is what the saved record encodes, and nothing more.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QEventLoop>
#include <QTest>
#include <QTimer>

#include <memory>

#include "core/config/config_file.h"
#include "core/device/apply_plan.h"
#include "core/device/reports.h"
#include "core/vocab/function_catalogue.h"
#include "gui/app/main_wnd.h"
#include "gui/app/msg_wnd.h"
#include "gui/pages/dpi_color_wnd.h"
#include "gui/pages/wireless_page.h"
#include "tests/gui/pages/page_test_support.h"
#include "tests/support/virtual_mouse_process.h"

namespace qx4::gui {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes bytesOf(const FeatureReport& report) { return {report.view().begin(), report.view().end()}; }

// Ends `loop` when the apply ring has been hidden `applies` times: it hides when an apply ends.
class RingWatcher final : public QObject {
public:
    RingWatcher(int applies, QEventLoop& loop) : remaining_(applies), loop_(loop) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Hide && --remaining_ == 0) loop_.quit();
        return QObject::eventFilter(watched, event);
    }

private:
    int remaining_;
    QEventLoop& loop_;
};

class PagesEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        auto record = test::defaultRecord();
        record->activeProfile = 1;  // profile 2 is shown and active from the start
        ASSERT_TRUE(saveConfig(*record));
        qx4::test::VirtualMouse::Options options;
        options.cable = true;  // the faster pace: 100 ms after each report
        mouse = std::make_unique<qx4::test::VirtualMouse>(options);

        MainWindowOptions windowOptions;
        windowOptions.drivers = DriverSet::virtualMouse;
        windowOptions.hookLibraryFile = "qx4-no-hook-in-this-test.so";
        windowOptions.trayAvailable = [] { return false; };
        window = std::make_unique<CMainWnd>(windowOptions);
        window->initialize();
        window->applyStartVisibility(false);

        // The first apply after start is a full download of all five profiles.
        fullDownload = planApply(window->wirelessPage()->record(), SectionFlags::all()).size();
        waitForApplies(1, fullDownload);
        ASSERT_EQ(mouse->log().size(), fullDownload);
    }
    void TearDown() override {
        if (window) window->shutdown();
    }

    QAbstractButton* button(const char* name) { return window->findChild<QAbstractButton*>(QString::fromLatin1(name)); }

    // Hands posted apply requests to the worker, waits for `reports` more reports to reach the
    // mouse, then runs the event loop until `applies` applies have ended.
    void waitForApplies(int applies, std::size_t reports) {
        const std::size_t before = mouse->log().size();
        QCoreApplication::processEvents();
        ASSERT_TRUE(mouse->waitForReports(static_cast<int>(before + reports)));
        auto* ring = window->findChild<QWidget*>(QStringLiteral("apply_ring"));
        QEventLoop loop;
        RingWatcher watcher(applies, loop);
        ring->installEventFilter(&watcher);
        bool timedOut = false;
        QTimer::singleShot(15000, &loop, [&] {
            timedOut = true;
            loop.quit();
        });
        loop.exec();
        ring->removeEventFilter(&watcher);
        EXPECT_FALSE(timedOut) << "the apply did not finish";
    }

    std::unique_ptr<DeviceConfig> savedRecord() {
        auto saved = std::make_unique<DeviceConfig>();
        readConfig(*saved, window->macros().size());
        return saved;
    }
    std::vector<Bytes> sentSince(std::size_t first) {
        const auto log = mouse->log();
        std::vector<Bytes> sent;
        for (std::size_t i = first; i < log.size(); ++i) sent.push_back(log[i].bytes);
        return sent;
    }

    qx4::test::TempFolder data;
    qx4::test::ScopedEnv dataDir{"QX4_DATA_DIR", data.path().string()};
    std::unique_ptr<qx4::test::VirtualMouse> mouse;
    std::unique_ptr<CMainWnd> window;
    std::size_t fullDownload = 0;
};

TEST_F(PagesEndToEnd, OneDpiColourOfProfileTwoSendsOnlyWhatChanged) {
    button("wireless_dpi_setting_btn")->click();
    ASSERT_TRUE(test::answerModal<CDpiColorWnd>(
        [](CDpiColorWnd& dialog) {
            dialog.findChild<QAbstractButton*>(QStringLiteral("mouse_dpi_color_11"))->click();
            dialog.findChild<QAbstractButton*>(QStringLiteral("confirm_btn"))->click();
        },
        [&] { button("wireless_dpi_color3")->click(); }));
    button("wireless_apply_btn")->click();
    waitForApplies(1, 3);

    const auto saved = savedRecord();
    EXPECT_EQ(saved->activeProfile, 1);
    EXPECT_EQ(saved->profiles[1].dpiColors[2], 0x000000FFu);
    EXPECT_EQ(sentSince(fullDownload),
              (std::vector<Bytes>{bytesOf(buildProfileSelectReport(*saved)), bytesOf(buildDpiReport(saved->profiles[1], 1)),
                                  bytesOf(buildPollingReport(saved->profiles[1], 1))}));
}

// A button bound on the page is sent at once as a full download, its function's wire code in the
// button report of its profile.
TEST_F(PagesEndToEnd, VolumeUpOnButtonFiveOfProfileTwoReachesTheMouseInTheFullDownload) {
    button("wireless_button_btn")->click();
    button("wireless_button5_btn")->click();
    QCoreApplication::processEvents();  // the row's message comes back through the main window
    auto* group = window->findChild<QComboBox*>(QStringLiteral("wireless_button_type_combo"));
    group->setCurrentIndex(static_cast<int>(FunctionGroup::media));
    window->findChild<QComboBox*>(QStringLiteral("wireless_media_type_combo"))->setCurrentIndex(5);
    button("wireless_button_apply_btn")->click();
    waitForApplies(1, fullDownload);

    const auto saved = savedRecord();
    const ButtonBinding& bound = saved->profiles[1].buttons[4];
    EXPECT_EQ(bound.functionCode, 69);
    EXPECT_EQ(bound.functionGroup, 5);
    std::vector<Bytes> full;
    for (const auto& planned : planApply(*saved, SectionFlags::all())) full.push_back(bytesOf(planned.report));
    EXPECT_EQ(sentSince(fullDownload), full);

    const FeatureReport profileTwo = buildButtonReport(saved->profiles[1], 1, assignMacroSlots(*saved)[1]);
    EXPECT_EQ(profileTwo.bytes[3 + 3 * 4], functionWire(69).a);
    EXPECT_NE(std::find(full.begin(), full.end(), bytesOf(profileTwo)), full.end());
}

TEST_F(PagesEndToEnd, ResetSavesEveryDefaultAndSendsThemAll) {
    button("wireless_dpi_setting_btn")->click();
    button("wireless_dpi_btn_6")->click();  // a change not yet applied is dropped too
    ASSERT_TRUE(test::answerModal<CMsgWnd>([](CMsgWnd& box) { box.done(CMsgWnd::kConfirmed); },
                                           [&] { button("wireless_reset_profile_btn")->click(); }));
    // Profile 1 is selected first, with an apply of its own, then the reset sends everything.
    waitForApplies(2, fullDownload);

    const auto saved = savedRecord();
    const auto defaults = std::make_unique<DeviceConfig>(*saved);
    applyDefaults(*defaults);
    EXPECT_EQ(test::changedBytes(*defaults, *saved), "");
    EXPECT_EQ(saved->activeProfile, 0);
    EXPECT_TRUE(button("wireless_profile_1_btn")->isChecked());
    std::vector<Bytes> full;
    for (const auto& planned : planApply(*saved, SectionFlags::all())) full.push_back(bytesOf(planned.report));
    const auto sent = sentSince(fullDownload);
    ASSERT_GE(sent.size(), full.size());
    EXPECT_EQ(std::vector<Bytes>(sent.end() - static_cast<std::ptrdiff_t>(full.size()), sent.end()), full);
}

// Logging out ends the program in the middle of an apply: the mouse has the new profile, so the
// file must have it too, or the next start's full download would take it back.
TEST_F(PagesEndToEnd, QuittingWhileAProfileIsSentKeepsItInTheFile) {
    // The receiver's 400 ms pace keeps the apply running; without the cable the mouse must say
    // it is awake before it takes reports.
    mouse->command("cable unplug");
    mouse->command("wake");
    QTest::qWait(100);
    const std::size_t before = mouse->log().size();
    button("wireless_profile_3_btn")->click();
    QCoreApplication::processEvents();
    ASSERT_TRUE(mouse->waitForReports(static_cast<int>(before + 1)));
    QTest::qWait(200);
    window->shutdown();

    EXPECT_EQ(mouse->log().at(before).bytes[0], 0x0C);
    EXPECT_EQ(mouse->log().at(before).bytes[2], 3) << "the mouse switched to profile 3";
    EXPECT_EQ(savedRecord()->activeProfile, 2);
}

}  // namespace
}  // namespace qx4::gui
