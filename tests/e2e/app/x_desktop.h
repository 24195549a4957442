// An X display of its own (Xvfb) with a tray on it, as a desktop session offers, for programs that
// hide into the tray, or without one. DISPLAY points at it while the object lives.
#pragma once

#include <QProcess>
#include <QStandardPaths>

#include <optional>
#include <string>

#include "tests/support/virtual_mouse_process.h"

namespace qx4::test {

class XDesktop {
public:
    explicit XDesktop(bool withTray = true) {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (xvfb.isEmpty()) return;
        display_.start(xvfb, {"-displayfd", "1", "-screen", "0", "1280x800x24", "-nolisten", "tcp"});
        if (!display_.waitForReadyRead(15000)) return;
        displayEnv_.emplace("DISPLAY", ":" + display_.readAllStandardOutput().trimmed().toStdString());
        ready_ = !withTray || startTray();
    }
    ~XDesktop() {
        for (QProcess* process : {&tray_, &display_}) {
            process->terminate();
            process->waitForFinished();
        }
    }
    XDesktop(const XDesktop&) = delete;
    XDesktop& operator=(const XDesktop&) = delete;

    // False when Xvfb is missing or the display or its tray did not come up.
    bool ready() const { return ready_; }
    // A tray comes, as when a panel starts; false when it did not.
    bool startTray() {
        tray_.start(QStringLiteral(QX4_TEST_TRAY), {});
        return tray_.waitForReadyRead(15000) && tray_.readAll().startsWith("ready");
    }
    // The X server dies, as when a session is cut off.
    void end() {
        display_.kill();
        display_.waitForFinished();
    }

private:
    QProcess display_;
    std::optional<ScopedEnv> displayEnv_;
    QProcess tray_;
    bool ready_ = false;
};

}  // namespace qx4::test
