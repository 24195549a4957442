// What a running qx4-config holds, from /proc, and a walk through its pages as a user clicks the
// tabs, for the memory benchmark and the test that revisiting pages takes no more memory.
#pragma once

#include <sys/types.h>

#include <fstream>
#include <string>
#include <vector>

#include "tests/support/child_process.h"

namespace qx4::test {

struct MemoryUse {
    double residentMb = 0;      // resident set size
    double proportionalMb = 0;  // each shared page counted by its share
};

inline MemoryUse memoryOf(pid_t pid) {
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
inline std::string shownWindowOf(pid_t pid) {
    const Ran search = run({"xdotool", "search", "--sync", "--onlyvisible", "--pid", std::to_string(pid), "--name", "^KESTRA QX4$"});
    return search.exitCode == 0 ? search.out.substr(0, search.out.find('\n')) : std::string();
}

// Clicks each tab of the English window in order, giving each page `settleMs` to show. False
// when the clicks could not be sent.
inline bool clickEveryTab(const std::string& window, int settleMs) {
    // The tabs' centres in the 800 x 572 window: buttons, DPI, lighting, macros.
    static const int tabX[] = {273, 353, 433, 532};
    constexpr int kTabY = 78;
    std::vector<std::string> command{"xdotool"};
    for (const int x : tabX) {
        command.insert(command.end(), {"mousemove", "--window", window, std::to_string(x), std::to_string(kTabY), "click",
                                       "1", "sleep", std::to_string(settleMs / 1000.0)});
    }
    return run(std::move(command)).exitCode == 0;
}

}  // namespace qx4::test
