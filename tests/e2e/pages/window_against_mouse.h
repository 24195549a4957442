// The program's main window against a private qx4-virtual-mouse, driven through its widgets as a
// user would, with the means to wait for an apply to reach the mouse and to read what it got.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <string>
#include <vector>

#include "gui/app/main_wnd.h"
#include "gui/app/tray_controller.h"
#include "gui/pages/wireless_page.h"
#include "gui/session/mouse_session.h"
#include "tests/support/page_test_support.h"
#include "tests/support/qx4ctl_process.h"
#include "tests/support/patience.h"

namespace qx4::gui::test {

using Bytes = std::vector<std::uint8_t>;

class WindowAgainstMouse : public ::testing::Test {
protected:
    // Saves `record`, starts the mouse (on the cable, for the faster pace: 100 ms after each
    // report) and the window with the hook library of that name, and waits for the full download
    // that follows a start.
    void start(const DeviceConfig& record, const std::string& hookLibraryFile) {
        ASSERT_TRUE(saveConfig(record));
        mouse = std::make_unique<qx4::test::VirtualMouse>(
            qx4::test::VirtualMouse::Options{.cable = true, .runtimeFolder = {}});

        MainWindowOptions windowOptions;
        windowOptions.drivers = DriverSet::virtualMouse;
        windowOptions.hookLibraryFile = hookLibraryFile;
        windowOptions.trayAvailable = [] { return false; };
        session = std::make_unique<MouseSession>(dlopenDriverBinder(), pauseInterruptibly);
        window = std::make_unique<CMainWnd>(*session, windowOptions);
        tray = std::make_unique<TrayController>(*session, *window,
                                                [this](const DesktopNotice& notice) { notices.push_back(notice); });
        window->initialize();
        showEveryTab(*window);
        window->applyStartVisibility(false);

        waitForApplies(1, fullDownload);
        ASSERT_EQ(mouse->log().size(), fullDownload);
    }
    void TearDown() override {
        if (window) shutdown();
    }
    // As the program ends after its message loop: links closed, worker joined, hooks removed.
    void shutdown() {
        tray->shutdown();
        session->shutdown();
        window->shutdown();
    }

    QAbstractButton* button(const char* name) { return window->findChild<QAbstractButton*>(QString::fromLatin1(name)); }

    // Hands posted apply requests to the worker, waits for `reports` more reports to reach the
    // mouse, then runs the event loop until `applies` applies have ended.
    void waitForApplies(int applies, std::size_t reports) {
        QSignalSpy finished(session.get(), &MouseSession::applyFinished);
        const std::size_t before = mouse->log().size();
        QCoreApplication::processEvents();
        ASSERT_TRUE(mouse->waitForReports(static_cast<int>(before + reports)));
        EXPECT_TRUE(QTest::qWaitFor([&] { return finished.size() >= applies; }, qx4::test::kPatienceMs)) << "the apply did not finish";
    }

    std::unique_ptr<DeviceConfig> savedRecord() {
        auto saved = std::make_unique<DeviceConfig>();
        readConfig(*saved, session->macros().size());
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
    // Built in this order, as the program builds them, and ended in the reverse.
    std::unique_ptr<MouseSession> session;
    std::unique_ptr<CMainWnd> window;
    std::unique_ptr<TrayController> tray;
    std::vector<DesktopNotice> notices;  // desktop notifications shown, in order
    // A record without macros: the profile choice, three reports for each of five profiles, five
    // button reports and the active profile's report rate.
    static constexpr std::size_t fullDownload = 1 + 5 * 3 + 5 + 1;
};

}  // namespace qx4::gui::test
