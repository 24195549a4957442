// The program's window against a private qx4-virtual-mouse, driven through its widgets as a user
// would: what the mouse receives is what the saved record encodes, and nothing more.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QDir>
#include <QEventLoop>
#include <QTimer>

#include <cstring>
#include <memory>

#include "core/config/config_file.h"
#include "core/device/apply_plan.h"
#include "core/device/reports.h"
#include "gui/app/main_wnd.h"
#include "gui/app/msg_wnd.h"
#include "gui/app/resource_manager.h"
#include "gui/pages/dpi_color_wnd.h"
#include "gui/pages/wireless_page.h"
#include "gui/pages/wireless_dpi_ui.h"
#include "tests/support/virtual_mouse_process.h"

namespace qx4::gui {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes bytesOf(const FeatureReport& report) { return {report.view().begin(), report.view().end()}; }

std::vector<Bytes> sentSince(const std::vector<test::LogEntry>& log, std::size_t first) {
    std::vector<Bytes> sent;
    for (std::size_t i = first; i < log.size(); ++i) sent.push_back(log[i].bytes);
    return sent;
}

// Runs `action`, which opens a modal window of type Window, and answers that window from inside
// its event loop.
template <typename Window>
bool answerModal(const std::function<void(Window&)>& answer, const std::function<void()>& action) {
    bool answered = false;
    QTimer::singleShot(0, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* window = qobject_cast<Window*>(widget);
            if (window && window->isVisible()) {
                answered = true;
                answer(*window);
                return;
            }
        }
    });
    action();
    return answered;
}

// Counts the applies that end: the ring is shown when one starts and hidden when it ends.
class RingWatcher final : public QObject {
public:
    RingWatcher(bool shown, int applies) : shown_(shown), remaining_(applies) {}
    QEventLoop loop;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) shown_ = true;
        if (event->type() == QEvent::Hide && shown_) {
            shown_ = false;
            if (--remaining_ == 0) loop.quit();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool shown_;
    int remaining_;
};

class PagesEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        dataDir = std::make_unique<test::ScopedEnv>("QX4_DATA_DIR", data.path().string());
        auto record = std::make_unique<DeviceConfig>();
        std::memset(record.get(), 0, sizeof(DeviceConfig));
        applyDefaults(*record);
        record->activeProfile = 1;  // profile 2 is shown and active from the start
        ASSERT_TRUE(saveConfig(*record));

        test::VirtualMouse::Options options;
        options.cable = true;  // the faster pace: 100 ms after each report
        mouse = std::make_unique<test::VirtualMouse>(options);

        MainWindowOptions windowOptions;
        windowOptions.drivers = DriverSet::virtualMouse;
        windowOptions.hookLibraryFile = "qx4-no-hook-in-this-test.so";
        windowOptions.trayAvailable = [] { return false; };
        window = std::make_unique<CMainWnd>(windowOptions);
        window->initialize();
        window->applyStartVisibility(false);

        // The first apply after start is a full download of all five profiles.
        fullDownload = planApply(window->wirelessPage()->record(), SectionFlags::all()).size();
        deliverApplyRequests();
        ASSERT_TRUE(mouse->waitForReports(static_cast<int>(fullDownload)));
        waitForApplies(1);
        ASSERT_EQ(mouse->log().size(), fullDownload);
    }

    void TearDown() override {
        if (window) window->shutdown();
        window.reset();
    }

    template <typename T>
    T* control(const char* name) {
        T* found = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    // Apply requests travel as posted messages: hand them over to the worker.
    void deliverApplyRequests() { QCoreApplication::processEvents(); }

    // The worker reports the start and the end of an apply with posted messages that show and
    // hide the apply ring: run the event loop until `applies` applies have ended.
    void waitForApplies(int applies) {
        QWidget* ring = control<QWidget>("apply_ring");
        RingWatcher watcher(ring->isVisible(), applies);
        ring->installEventFilter(&watcher);
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, &watcher.loop, &QEventLoop::quit);
        guard.start(15000);
        watcher.loop.exec();
        ring->removeEventFilter(&watcher);
        EXPECT_TRUE(guard.isActive()) << "the apply did not finish";
    }

    DeviceConfig savedRecord() {
        auto saved = std::make_unique<DeviceConfig>();
        readConfig(*saved, window->macros().size());
        return *saved;
    }

    test::TempFolder data;
    std::unique_ptr<test::ScopedEnv> dataDir;
    std::unique_ptr<test::VirtualMouse> mouse;
    std::unique_ptr<CMainWnd> window;
    std::size_t fullDownload = 0;
};

TEST_F(PagesEndToEnd, OneDpiColourOfProfileTwoSendsOnlyWhatChanged) {
    control<QAbstractButton>("wireless_dpi_setting_btn")->click();
    auto* dpiPage = control<CWirelessDPIUI>("wireless_dpi_tab");
    ASSERT_TRUE(dpiPage->isVisible());

    ASSERT_TRUE(answerModal<CDpiColorWnd>(
        [](CDpiColorWnd& dialog) {
            dialog.findChild<QAbstractButton*>(QStringLiteral("mouse_dpi_color_11"))->click();
            dialog.findChild<QAbstractButton*>(QStringLiteral("confirm_btn"))->click();
        },
        [&] { dpiPage->findChild<QAbstractButton*>(QStringLiteral("wireless_dpi_color3"))->click(); }));
    control<QAbstractButton>("wireless_apply_btn")->click();
    deliverApplyRequests();
    ASSERT_TRUE(mouse->waitForReports(static_cast<int>(fullDownload) + 3));
    waitForApplies(1);

    const DeviceConfig saved = savedRecord();
    EXPECT_EQ(saved.activeProfile, 1);
    EXPECT_EQ(saved.profiles[1].dpiColors[2], 0x000000FFu);
    const std::vector<Bytes> expected{bytesOf(buildProfileSelectReport(saved)),
                                      bytesOf(buildDpiReport(saved.profiles[1], 1)),
                                      bytesOf(buildPollingReport(saved.profiles[1], 1))};
    EXPECT_EQ(sentSince(mouse->log(), fullDownload), expected);
    const Bytes& dpi = expected[1];
    EXPECT_EQ(Bytes(dpi.begin() + 31, dpi.begin() + 34), (Bytes{0xFF, 0x00, 0x00}));
}

TEST_F(PagesEndToEnd, ResetBringsBackEveryDefaultAndSendsItAll) {
    control<QAbstractButton>("wireless_dpi_setting_btn")->click();
    auto* dpiPage = control<CWirelessDPIUI>("wireless_dpi_tab");
    dpiPage->findChild<QAbstractButton*>(QStringLiteral("wireless_dpi_btn_6"))->click();
    control<QAbstractButton>("wireless_apply_btn")->click();
    deliverApplyRequests();
    waitForApplies(1);
    ASSERT_EQ(savedRecord().profiles[1].dpiLevel, 5);
    const std::size_t before = mouse->log().size();

    const DeviceConfig changed = savedRecord();

    ASSERT_TRUE(answerModal<CMsgWnd>([](CMsgWnd& box) { box.done(CMsgWnd::kConfirmed); },
                                     [&] { control<QAbstractButton>("wireless_reset_profile_btn")->click(); }));
    deliverApplyRequests();
    // Selecting profile 1 asks for an incremental apply, the reset itself for a full one.
    waitForApplies(2);

    const DeviceConfig saved = savedRecord();
    DeviceConfig defaults = saved;
    applyDefaults(defaults);
    EXPECT_EQ(std::memcmp(&saved, &defaults, sizeof(DeviceConfig)), 0) << "the saved record is not the defaults";
    EXPECT_EQ(saved.activeProfile, 0);
    EXPECT_TRUE(control<QAbstractButton>("wireless_profile_1_btn")->isChecked());
    EXPECT_EQ(dpiPage->findChild<QAbstractButton*>(QStringLiteral("wireless_dpi_btn_3"))->isChecked(), true);

    std::vector<Bytes> expected;
    for (const auto& planned : planApply(saved, compareConfigs(saved, changed))) {
        expected.push_back(bytesOf(planned.report));
    }
    for (const auto& planned : planApply(saved, SectionFlags::all())) expected.push_back(bytesOf(planned.report));
    EXPECT_EQ(sentSince(mouse->log(), before), expected);
}

TEST_F(PagesEndToEnd, AnExportedProfileComesBackOnImportIntoAnotherProfile) {
    control<QAbstractButton>("wireless_dpi_setting_btn")->click();
    auto* dpiPage = control<CWirelessDPIUI>("wireless_dpi_tab");
    dpiPage->findChild<QAbstractButton*>(QStringLiteral("wireless_dpi_btn_6"))->click();
    dpiPage->findChild<QComboBox*>(QStringLiteral("wireless_polling_rate_combo"))->setCurrentIndex(0);
    const QString file = QString::fromStdString((data.path() / "mine.pro").string());
    auto chooseFile = [&](QFileDialog& dialog) {
        dialog.selectFile(file);
        static_cast<QDialog&>(dialog).accept();
    };
    ASSERT_TRUE(answerModal<QFileDialog>(chooseFile, [&] {
        control<QAbstractButton>("wireless_export_profile_btn")->click();
    }));
    QFile exported(file);
    ASSERT_TRUE(exported.open(QIODevice::ReadOnly));
    const QByteArray profileBytes = exported.readAll();
    ASSERT_EQ(profileBytes.size(), static_cast<qsizetype>(sizeof(ProfileSettings)));

    control<QAbstractButton>("wireless_profile_4_btn")->click();
    deliverApplyRequests();
    waitForApplies(1);
    ASSERT_EQ(dpiPage->findChild<QComboBox*>(QStringLiteral("wireless_polling_rate_combo"))->currentIndex(), 3);
    const std::size_t before = mouse->log().size();

    ASSERT_TRUE(answerModal<QFileDialog>(chooseFile, [&] {
        control<QAbstractButton>("wireless_import_profile_btn")->click();
    }));
    deliverApplyRequests();
    waitForApplies(1);

    const DeviceConfig saved = savedRecord();
    EXPECT_EQ(saved.activeProfile, 3);
    EXPECT_EQ(std::memcmp(&saved.profiles[3], profileBytes.constData(), sizeof(ProfileSettings)), 0);
    EXPECT_TRUE(dpiPage->findChild<QAbstractButton*>(QStringLiteral("wireless_dpi_btn_6"))->isChecked());
    EXPECT_EQ(dpiPage->findChild<QComboBox*>(QStringLiteral("wireless_polling_rate_combo"))->currentIndex(), 0);
    std::vector<Bytes> expected;
    for (const auto& planned : planApply(saved, SectionFlags::all())) expected.push_back(bytesOf(planned.report));
    EXPECT_EQ(sentSince(mouse->log(), before), expected);
}

}  // namespace
}  // namespace qx4::gui
