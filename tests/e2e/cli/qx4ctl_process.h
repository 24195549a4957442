// qx4ctl as a child process for the end-to-end tests, and the script they run through it.
#pragma once

#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/config/config_file.h"
#include "core/device/apply_plan.h"

namespace qx4::test {

struct ToolRun {
    int exitCode;
    std::string out, err;
    std::chrono::steady_clock::duration elapsed;
};

// qx4ctl started at once; its output goes to files in `folder`.
inline std::future<ToolRun> qx4ctl(const std::filesystem::path& folder, const std::string& arguments) {
    return std::async(std::launch::async, [folder, arguments] {
        const auto began = std::chrono::steady_clock::now();
        const int status = std::system((std::string(QX4_BIN_DIR) + "/qx4ctl " + arguments + " >" + (folder / "out").string() +
                                        " 2>" + (folder / "err").string()).c_str());
        const auto elapsed = std::chrono::steady_clock::now() - began;
        const auto read = [](const std::filesystem::path& file) { return (std::ostringstream() << std::ifstream(file).rdbuf()).str(); };
        return ToolRun{WIFEXITED(status) ? WEXITSTATUS(status) : -1, read(folder / "out"), read(folder / "err"), elapsed};
    });
}

using Reports = std::vector<std::vector<std::uint8_t>>;

inline Reports encoded(const DeviceConfig& record, const SectionFlags& flags) {
    Reports reports;
    for (const PlannedReport& planned : planApply(record, flags))
        reports.emplace_back(planned.report.view().begin(), planned.report.view().end());
    return reports;
}

inline std::unique_ptr<DeviceConfig> savedRecord() {
    auto record = std::make_unique<DeviceConfig>();
    readConfig(*record, 0);
    return record;
}

// A script sets up profile 2 and sends each step at once. The program sends the steps of the
// DPI and lighting pages as changes and a binding as all five profiles.
struct ScriptStep {
    std::string arguments;
    bool allProfiles;
};
inline const std::vector<ScriptStep> kProfileScript{
    {"profile 2 --apply --simulate", false},
    {"dpi --profile 2 3 1600 --apply --simulate", false},
    {"dpi --profile 2 --color 3 '#FF8000' --apply --simulate", false},
    {"rate --profile 2 500 --apply --simulate", false},
    {"light --profile 2 breathing --color '#00FF00' --speed 3 --apply --simulate", false},
    {"bind --profile 2 5 volume_up --apply --simulate", true},
};

}  // namespace qx4::test
