// What a user feels of qx4-config, against the virtual mouse on the receiver: the time from
// starting it to its window on screen (offscreen, on an X server and on a Wayland compositor);
// the memory it holds once every page has been shown (resident and proportional set size); and
// what it costs while it sits idle for 10 s with the mouse connected and not charging: CPU time
// and how often its threads woke up. An idle program has no timer of its own running, so the
// wake-ups should stay near zero. The X server is Xvfb and the compositor Weston's headless back
// end; a display server that is not installed skips its runs. No input reaches a headless
// Weston, so there the memory is read with the first page shown.
#include <benchmark/benchmark.h>

#include <QProcess>
#include <QStandardPaths>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <list>
#include <optional>
#include <string>
#include <thread>

#include "tests/support/process_memory.h"
#include "tests/support/program.h"
#include "tests/support/virtual_mouse_process.h"

namespace {

using qx4::test::MemoryUse;
using qx4::test::Program;
using qx4::test::ScopedEnv;
using qx4::test::TempFolder;
using qx4::test::VirtualMouse;

enum class Display { offscreen, x11, wayland };

struct Environment {
    explicit Environment(Display display = Display::offscreen)
        : platform("QT_QPA_PLATFORM", std::string(display == Display::x11       ? "xcb"
                                                  : display == Display::wayland ? "wayland"
                                                                                : "offscreen")) {}
    TempFolder data;
    ScopedEnv dataEnv{"QX4_DATA_DIR", data.path().string()};
    ScopedEnv platform;
    ScopedEnv log{"QT_LOGGING_RULES", std::string("qx4.app.debug=true")};
    ScopedEnv english{"LC_ALL", std::string("C.UTF-8")};
};

// A display server of its own for the runs of one benchmark: Xvfb, or Weston's headless back end
// on a socket in a private runtime folder. DISPLAY or WAYLAND_DISPLAY name it while it lives.
class DisplayServer {
public:
    explicit DisplayServer(Display display) {
        if (display == Display::x11) {
            const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
            if (xvfb.isEmpty()) return;
            server_.start(xvfb, {"-displayfd", "1", "-screen", "0", "1280x800x24", "-nolisten", "tcp"});
            if (!server_.waitForReadyRead(15000)) return;
            env_.emplace_back("DISPLAY", ":" + server_.readAllStandardOutput().trimmed().toStdString());
            ready_ = true;
        } else if (display == Display::wayland) {
            const QString weston = QStandardPaths::findExecutable(QStringLiteral("weston"));
            if (weston.isEmpty()) return;
            env_.emplace_back("XDG_RUNTIME_DIR", runtime_.path().string());
            env_.emplace_back("WAYLAND_DISPLAY", std::string("wayland-qx4-bench"));
            env_.emplace_back("DISPLAY", std::nullopt);
            server_.start(weston, {"--backend=headless-backend.so", "--socket=wayland-qx4-bench", "--idle-time=0"});
            const auto socket = runtime_.path() / "wayland-qx4-bench";
            for (int i = 0; i < 150 && !std::filesystem::exists(socket); ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
            ready_ = std::filesystem::exists(socket);
        } else {
            ready_ = true;
        }
    }
    ~DisplayServer() {
        server_.terminate();
        server_.waitForFinished();
    }
    DisplayServer(const DisplayServer&) = delete;
    DisplayServer& operator=(const DisplayServer&) = delete;
    bool ready() const { return ready_; }

private:
    TempFolder runtime_{"qx4-bench-display"};
    std::list<ScopedEnv> env_;
    QProcess server_;
    bool ready_ = false;
};

// CPU time (ms) and context switches of every thread of a process, from /proc.
struct ProcessCost {
    double cpuMs = 0;
    long long switches = 0;
};

// The scheduler's count of time on a CPU, in nanoseconds, which a loaded machine leaves as it is.
ProcessCost costOf(pid_t pid) {
    ProcessCost cost;
    const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
    for (const auto& task : std::filesystem::directory_iterator(tasks)) {
        std::ifstream schedstat(task.path() / "schedstat");
        long long onCpuNs = 0;
        schedstat >> onCpuNs;
        cost.cpuMs += static_cast<double>(onCpuNs) / 1e6;
        std::ifstream status(task.path() / "status");
        std::string line;
        while (std::getline(status, line)) {
            if (line.find("ctxt_switches:") == std::string::npos) continue;
            cost.switches += std::stoll(line.substr(line.find(':') + 1));
        }
    }
    return cost;
}

void BM_StartupToShownWindow(benchmark::State& state, Display display) {
    DisplayServer server(display);
    if (!server.ready()) {
        state.SkipWithError("the display server is not installed or did not start");
        return;
    }
    VirtualMouse mouse;
    Environment environment(display);
    // The program's own CPU time until then, which on a busy machine says more than the clock.
    double cpuMs = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        Program program({"--simulate"});
        if (!program.waitFor("main window shown")) {
            state.SkipWithError("the window did not show");
            break;
        }
        const auto shown = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(shown - start).count());
        cpuMs += costOf(static_cast<pid_t>(program.pid())).cpuMs;
        program.exitCode(true);
    }
    state.counters["cpu_ms"] = benchmark::Counter(cpuMs, benchmark::Counter::kAvgIterations);
}
BENCHMARK_CAPTURE(BM_StartupToShownWindow, offscreen, Display::offscreen)
    ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK_CAPTURE(BM_StartupToShownWindow, x11, Display::x11)
    ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK_CAPTURE(BM_StartupToShownWindow, wayland, Display::wayland)
    ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

// Memory once the first download to the mouse has ended and every page has been shown.
void BM_MemoryAfterEveryPage(benchmark::State& state, Display display) {
    DisplayServer server(display);
    if (!server.ready()) {
        state.SkipWithError("the display server is not installed or did not start");
        return;
    }
    VirtualMouse mouse;
    Environment environment(display);
    for (auto _ : state) {
        Program program({"--simulate"});
        if (!program.waitFor("main window shown") || !program.waitFor("apply finished")) {
            state.SkipWithError("the window did not show or the first apply did not end");
            break;
        }
        if (display == Display::x11 && !qx4::test::clickEveryTab(qx4::test::shownWindowOf(program.pid()), 200)) {
            state.SkipWithError("the tabs could not be clicked (xdotool)");
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        const MemoryUse use = qx4::test::memoryOf(program.pid());
        state.SetIterationTime(1.0);
        state.counters["rss_MB"] = use.residentMb;
        state.counters["pss_MB"] = use.proportionalMb;
        program.exitCode(true);
    }
}
BENCHMARK_CAPTURE(BM_MemoryAfterEveryPage, x11, Display::x11)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_MemoryAfterEveryPage, wayland, Display::wayland)
    ->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);

void BM_IdleForTenSeconds(benchmark::State& state) {
    VirtualMouse mouse;
    Environment environment;
    for (auto _ : state) {
        Program program({"--simulate"});
        // Idle means after the first download to the mouse has ended.
        if (!program.waitFor("apply finished")) {
            state.SkipWithError("the first apply did not end");
            break;
        }
        const auto pid = static_cast<pid_t>(program.pid());
        const ProcessCost before = costOf(pid);
        std::this_thread::sleep_for(std::chrono::seconds(10));
        const ProcessCost after = costOf(pid);
        state.SetIterationTime(10.0);
        state.counters["cpu_ms"] = after.cpuMs - before.cpuMs;
        state.counters["wakeups"] = static_cast<double>(after.switches - before.switches);
        program.exitCode(true);
    }
}
BENCHMARK(BM_IdleForTenSeconds)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
