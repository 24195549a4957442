// qx4ctl as a child process for the end-to-end tests, and the script they run through it.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/config/config_file.h"
#include "tests/support/child_process.h"
#include "tests/support/hex_fixture.h"
#include "tests/support/sample_record.h"
#include "tests/support/virtual_mouse_process.h"

namespace qx4::test {

// qx4ctl run in `folder` (the test's when empty) with `arguments` as they are, byte for byte.
inline Ran runQx4ctl(std::vector<std::string> arguments, const std::filesystem::path& folder = {}) {
    arguments.insert(arguments.begin(), QX4_BIN_DIR "/qx4ctl");
    return run(std::move(arguments), {.folder = folder});
}

// What the mouse logged, once `count` reports came; nothing when they did not.
inline Reports heard(VirtualMouse& mouse, std::size_t count) {
    Reports logged;
    if (!mouse.waitForReports(static_cast<int>(count))) return logged;
    for (const LogEntry& entry : mouse.log()) logged.push_back(entry.bytes);
    return logged;
}

// A script sets up profile 2 and sends each step at once; tests/data/device/profile_script.hex
// holds what each step sends, in a group titled with the step's first arguments.
inline const std::vector<std::vector<std::string>> kProfileScript{
    {"profile", "2", "--apply", "--simulate"},
    {"dpi", "--profile", "2", "3", "1600", "--apply", "--simulate"},
    {"dpi", "--profile", "2", "--color", "3", "#FF8000", "--apply", "--simulate"},
    {"rate", "--profile", "2", "500", "--apply", "--simulate"},
    {"light", "--profile", "2", "breathing", "--color", "#00FF00", "--speed", "3", "--apply", "--simulate"},
    {"bind", "--profile", "2", "5", "volume_up", "--apply", "--simulate"},
};
inline std::string scriptTitle(const std::vector<std::string>& step) {
    std::string title;
    for (const std::string& argument : step) {
        if (argument == "--apply") break;
        title += (title.empty() ? "" : " ") + argument;
    }
    return title;
}

}  // namespace qx4::test
