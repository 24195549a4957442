// What a user waits for when applying: the wall time of an apply against the pauses the mouse's
// firmware demands after each report, over each link, with a driver that answers at once; and
// the time to encode a full download.
#include <benchmark/benchmark.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "core/config/config_file.h"
#include "core/device/apply_plan.h"
#include "core/device/apply_worker.h"
#include "core/device/device_link.h"

namespace qx4 {
namespace {

using Clock = std::chrono::steady_clock;

// A record with a full macro behind one button of every profile, so a full download carries
// every report type.
std::unique_ptr<DeviceConfig> benchRecord() {
    auto record = std::make_unique<DeviceConfig>();
    applyDefaults(*record);
    for (auto& profile : record->profiles) {
        ButtonBinding& binding = profile.buttons[5];
        binding.functionCode = kMacroFunctionCode;
        binding.macroActionCount = kMacroActionCapacity;
        for (std::size_t i = 0; i < kMacroActionCapacity; ++i)
            binding.macroActions[i] = {static_cast<std::uint8_t>(4 + i), static_cast<std::uint8_t>(1 + i % 2),
                                       static_cast<std::uint16_t>(i % 7 == 0 ? 600 : 20)};
    }
    return record;
}

struct InstantDriver final : DriverBinder {
    static void setIds(int, int) {}
    static void openMonitor(const qx4_message_sink*, std::uint32_t, std::uint32_t) {}
    static void nothing() {}
    static int opened() { return 1; }
    static int notOpened() { return 0; }
    static int write(const unsigned char*, int length) { return length > 0; }

    explicit InstantDriver(bool cablePlugged) : cablePlugged_(cablePlugged) {}
    bool bind(HidDriverLink& link, std::string_view fileName) override {
        const bool cable = fileName == linkParameters(Link::cable).libraryFile;
        link = {nullptr, &setIds, &openMonitor, &nothing, cable && !cablePlugged_ ? &notOpened : &opened,
                &nothing, &write, nullptr};
        return true;
    }
    void release(HidDriverLink& link) override { link = {}; }

private:
    bool cablePlugged_;
};

struct QuietObserver final : DeviceObserver {
    void startArrivalTimer(Link) override {}
    void cancelArrivalTimer(Link) override {}
};

class FinishedSignal final : public ApplyListener {
public:
    void applyStarted(const ApplyStart&) override {}
    void reportWritten(const PlannedReport&, const WriteResult&, int) override {}
    void applyFinished(const ApplyOutcome& outcome) override {
        {
            std::lock_guard lock(mutex_);
            outcome_ = outcome;
            done_ = true;
        }
        changed_.notify_all();
    }
    void applySkipped(ApplySkipReason) override { applyFinished({}); }
    ApplyOutcome wait() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return done_; });
        done_ = false;
        return outcome_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool done_ = false;
    ApplyOutcome outcome_;
};

void applyOverLink(benchmark::State& state, Link link, bool full) {
    auto record = benchRecord();
    QuietObserver observer;
    InstantDriver driver(link == Link::cable);
    DeviceLink deviceLink(*record, observer, driver);
    FinishedSignal finished;
    ApplyWorker worker(deviceLink, deviceLink.presence(), finished);
    deviceLink.start({nullptr, nullptr});
    deviceLink.handleNotification(kNotifySleepStatus, 0x0801);  // awake over the receiver
    worker.setBaseline(*record, false);

    const auto pause = linkParameters(link).pauseAfterWrite;
    double reports = 0;
    double overheadSeconds = 0;
    std::uint32_t colour = 0;
    for (auto _ : state) {
        record->profiles[0].dpiColors[0] = ++colour;  // an incremental apply has a change to send
        const auto began = Clock::now();
        worker.requestApply(full, *record);
        const ApplyOutcome outcome = finished.wait();
        const auto wall = Clock::now() - began;
        reports += outcome.sent;
        overheadSeconds += std::chrono::duration<double>(wall - pause * outcome.sent).count();
    }
    state.counters["reports"] = benchmark::Counter(reports, benchmark::Counter::kAvgIterations);
    state.counters["pauses_s"] =
        benchmark::Counter(reports * std::chrono::duration<double>(pause).count(), benchmark::Counter::kAvgIterations);
    state.counters["overhead_us_per_report"] = benchmark::Counter(reports > 0 ? overheadSeconds * 1e6 / reports : 0);

    deviceLink.closeLinks();
    worker.stop();
    deviceLink.releaseLibraries();
}

void BM_EncodeFullDownload(benchmark::State& state) {
    const auto record = benchRecord();
    std::size_t reports = 0;
    for (auto _ : state) {
        const auto plan = planApply(*record, SectionFlags::all());
        reports = plan.size();
        benchmark::DoNotOptimize(plan.data());
    }
    state.counters["reports"] = static_cast<double>(reports);
}
BENCHMARK(BM_EncodeFullDownload);

void BM_CompareConfigs(benchmark::State& state) {
    const auto current = benchRecord();
    const auto applied = benchRecord();
    for (auto _ : state) benchmark::DoNotOptimize(compareConfigs(*current, *applied));
}
BENCHMARK(BM_CompareConfigs);

BENCHMARK_CAPTURE(applyOverLink, full_cable, Link::cable, true)->Iterations(2)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(applyOverLink, incremental_cable, Link::cable, false)->Iterations(10)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(applyOverLink, full_receiver, Link::receiver, true)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(applyOverLink, incremental_receiver, Link::receiver, false)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qx4

BENCHMARK_MAIN();
