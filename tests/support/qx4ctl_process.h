// qx4ctl as a child process for the end-to-end tests, and the script they run through it.
#pragma once

#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/config/config_file.h"
#include "core/device/apply_plan.h"
#include "tests/support/sample_record.h"
#include "tests/support/virtual_mouse_process.h"

namespace qx4::test {

struct ToolRun {
    int exitCode;
    std::string out, err;
    std::chrono::steady_clock::duration elapsed;
};

inline std::string quoted(const std::string& text) {
    std::string shell = "'";
    for (const char c : text) shell += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return shell + "'";
}

// A shell command line run in `folder`; its output goes through files in `scratch`.
inline ToolRun runShell(const std::string& line, const std::filesystem::path& scratch,
                        const std::filesystem::path& folder = std::filesystem::current_path()) {
    const std::string whole = "cd " + quoted(folder.string()) + " && { " + line + "; } >" +
                              quoted((scratch / "out").string()) + " 2>" + quoted((scratch / "err").string());
    const auto began = std::chrono::steady_clock::now();
    const int status = std::system(whole.c_str());
    const auto elapsed = std::chrono::steady_clock::now() - began;
    const auto read = [](const std::filesystem::path& file) { return (std::ostringstream() << std::ifstream(file).rdbuf()).str(); };
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, read(scratch / "out"), read(scratch / "err"), elapsed};
}

// qx4ctl run in `folder` with `arguments` as they are, byte for byte; its output goes through
// files in `scratch`.
inline ToolRun runQx4ctl(const std::vector<std::string>& arguments, const std::filesystem::path& scratch,
                         const std::filesystem::path& folder = std::filesystem::current_path()) {
    std::string line = QX4_BIN_DIR "/qx4ctl";
    for (const std::string& argument : arguments) line += " " + quoted(argument);
    return runShell(line, scratch, folder);
}

using Reports = std::vector<std::vector<std::uint8_t>>;

inline Reports encoded(const DeviceConfig& record, const SectionFlags& flags) {
    Reports reports;
    for (const PlannedReport& planned : planApply(record, flags))
        reports.emplace_back(planned.report.view().begin(), planned.report.view().end());
    return reports;
}

// What the mouse logged, once `count` reports came; nothing when they did not.
inline Reports heard(VirtualMouse& mouse, std::size_t count) {
    Reports logged;
    if (!mouse.waitForReports(static_cast<int>(count))) return logged;
    for (const LogEntry& entry : mouse.log()) logged.push_back(entry.bytes);
    return logged;
}

// A script sets up profile 2 and sends each step at once. The program sends the steps of the
// DPI and lighting pages as changes and a binding as all five profiles.
struct ScriptStep {
    std::vector<std::string> arguments;
    bool allProfiles;
};
inline const std::vector<ScriptStep> kProfileScript{
    {{"profile", "2", "--apply", "--simulate"}, false},
    {{"dpi", "--profile", "2", "3", "1600", "--apply", "--simulate"}, false},
    {{"dpi", "--profile", "2", "--color", "3", "#FF8000", "--apply", "--simulate"}, false},
    {{"rate", "--profile", "2", "500", "--apply", "--simulate"}, false},
    {{"light", "--profile", "2", "breathing", "--color", "#00FF00", "--speed", "3", "--apply", "--simulate"}, false},
    {{"bind", "--profile", "2", "5", "volume_up", "--apply", "--simulate"}, true},
};

}  // namespace qx4::test
