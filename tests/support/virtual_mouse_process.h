// A private qx4-virtual-mouse for one test, in a temporary runtime folder of its own. Failures to
// start or to answer throw std::runtime_error, which GoogleTest reports as a failed test.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/patience.h"

namespace qx4::test {

// A folder only this user may enter, removed with its contents at the end.
class TempFolder {
public:
    explicit TempFolder(std::string_view prefix = "qx4-test");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Sets (or with nullopt, unsets) an environment variable until the object goes.
class ScopedEnv {
public:
    ScopedEnv(std::string name, const std::optional<std::string>& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    void set(const std::optional<std::string>& value);

    std::string name_;
    std::optional<std::string> previous_;
};

// One line of the virtual mouse's --log file.
struct LogEntry {
    std::string link;  // "receiver" or "cable"
    std::vector<std::uint8_t> bytes;
    bool operator==(const LogEntry&) const = default;
};

// Runs qx4-virtual-mouse to its end with `arguments` and QX4_RUNTIME_DIR=`runtimeFolder`: for
// starts that must fail. Its output and errors come together.
Ran runVirtualMouseToEnd(const std::vector<std::string>& arguments, const std::filesystem::path& runtimeFolder);

class VirtualMouse {
public:
    struct Options {
        bool receiver = true;
        bool cable = false;
        bool asleep = false;
        int battery = 8;
        // A runtime folder to use instead of a fresh temporary one.
        std::optional<std::filesystem::path> runtimeFolder;
    };

    VirtualMouse();
    // Logs every report, and sets QX4_RUNTIME_DIR in this process while the mouse runs, so that
    // plug-ins loaded here and programs started from here find it.
    explicit VirtualMouse(const Options& options);
    ~VirtualMouse();
    VirtualMouse(const VirtualMouse&) = delete;
    VirtualMouse& operator=(const VirtualMouse&) = delete;

    std::filesystem::path socketPath() const;

    // Sends one command line and returns the reply ("ok: ...", "error: ...", or the state).
    std::string command(std::string_view line);
    // The value of one "name: value" line of the state, e.g. "battery" or "profile 2 dpi current".
    std::string stateValue(std::string_view name);
    // Wait inside the virtual mouse (no sleeping here): true once `count` reports arrived in all;
    // false when time ran out.
    bool waitForReports(int count, int timeoutMs = kPatienceMs);

    std::vector<LogEntry> log() const;

    // Sends "quit" and waits for the end; its exit code (-1 when it had to be killed).
    int stop();

private:
    std::filesystem::path logPath() const { return folder_ / "virtual-mouse.log"; }
    int waitForExit();

    std::unique_ptr<TempFolder> ownFolder_;
    std::filesystem::path folder_;
    std::unique_ptr<ScopedEnv> exported_;
    std::unique_ptr<Child> process_;
    int control_ = -1;
    std::mutex controlMutex_;
};

}  // namespace qx4::test
