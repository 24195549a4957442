// What a running qx4-config holds, from /proc, and a walk through its pages as a user clicks the
// tabs, for the memory benchmark and the test that revisiting pages takes no more memory.
#pragma once

#include <QProcess>
#include <QStringList>

#include <fstream>
#include <sstream>
#include <string>
#include "tests/support/patience.h"

namespace qx4::test {

struct MemoryUse {
    double residentMb = 0;      // resident set size
    double proportionalMb = 0;  // each shared page counted by its share
};

inline MemoryUse memoryOf(qint64 pid) {
    MemoryUse use;
    std::ifstream rollup("/proc/" + std::to_string(pid) + "/smaps_rollup");
    std::string field;
    long long kb = 0;
    std::string unit;
    while (rollup >> field) {
        if (field == "Rss:" && rollup >> kb >> unit) use.residentMb = static_cast<double>(kb) / 1024.0;
        if (field == "Pss:" && rollup >> kb >> unit) use.proportionalMb = static_cast<double>(kb) / 1024.0;
    }
    return use;
}

// The window of process `pid` on the X display in DISPLAY, once shown; empty when it cannot be
// found (or xdotool is missing).
inline QString shownWindowOf(qint64 pid) {
    QProcess search;
    search.start(QStringLiteral("xdotool"),
                 {"search", "--sync", "--onlyvisible", "--pid", QString::number(pid), "--name", "^KESTRA QX4$"});
    if (!search.waitForFinished(kPatienceMs) || search.exitCode() != 0) return {};
    return QString::fromLatin1(search.readAllStandardOutput()).split(u'\n').first().trimmed();
}

// Clicks each tab of the English window in order, giving each page `settleMs` to show. False
// when the clicks could not be sent.
inline bool clickEveryTab(const QString& window, int settleMs) {
    // The tabs' centres in the 800 x 572 window: buttons, DPI, lighting, macros.
    static const int tabX[] = {273, 353, 433, 532};
    constexpr int kTabY = 78;
    QStringList commands;
    for (const int x : tabX) {
        commands << "mousemove" << "--window" << window << QString::number(x) << QString::number(kTabY) << "click"
                 << "1" << "sleep" << QString::number(settleMs / 1000.0);
    }
    return QProcess::execute(QStringLiteral("xdotool"), commands) == 0;
}

}  // namespace qx4::test
