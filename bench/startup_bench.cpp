// What a user feels of qx4-config: the time from starting it to its window on screen (offscreen
// platform, virtual mouse on the receiver), and what it costs while it sits idle for 10 s with
// the mouse connected and not charging: CPU time and how often its threads woke up. An idle
// program has no timer of its own running, so the wake-ups should stay near zero.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "tests/e2e/app/program.h"
#include "tests/support/virtual_mouse_process.h"

namespace {

using qx4::test::Program;
using qx4::test::ScopedEnv;
using qx4::test::TempFolder;
using qx4::test::VirtualMouse;

struct Environment {
    TempFolder data;
    ScopedEnv dataEnv{"QX4_DATA_DIR", data.path().string()};
    ScopedEnv platform{"QT_QPA_PLATFORM", std::string("offscreen")};
    ScopedEnv log{"QT_LOGGING_RULES", std::string("qx4.app.debug=true")};
};

// CPU time (ms) and context switches of every thread of a process, from /proc.
struct ProcessCost {
    double cpuMs = 0;
    long long switches = 0;
};

ProcessCost costOf(pid_t pid) {
    ProcessCost cost;
    const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
    for (const auto& task : std::filesystem::directory_iterator(tasks)) {
        std::ifstream stat(task.path() / "stat");
        std::string line;
        std::getline(stat, line);
        std::istringstream fields(line.substr(line.rfind(')') + 2));
        std::string skip;
        for (int i = 0; i < 11; ++i) fields >> skip;
        long long user = 0, system = 0;
        fields >> user >> system;
        cost.cpuMs += 1000.0 * static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
        std::ifstream status(task.path() / "status");
        while (std::getline(status, line)) {
            if (line.find("ctxt_switches:") == std::string::npos) continue;
            cost.switches += std::stoll(line.substr(line.find(':') + 1));
        }
    }
    return cost;
}

void BM_StartupToShownWindow(benchmark::State& state) {
    VirtualMouse mouse;
    Environment environment;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        Program program({"--simulate"});
        if (!program.waitFor("main window shown")) {
            state.SkipWithError("the window did not show");
            break;
        }
        const auto shown = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(shown - start).count());
        program.exitCode(true);
    }
}
BENCHMARK(BM_StartupToShownWindow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

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
