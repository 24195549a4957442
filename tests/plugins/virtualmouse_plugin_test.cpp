// The virtualmouse driver libraries, loaded as the program loads them, against a real
// qx4-virtual-mouse.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "core/abi/qx4_driver.h"
#include "tests/support/virtual_mouse_process.h"

namespace {

using qx4::test::VirtualMouse;

constexpr std::uint32_t kData = 1329;
constexpr std::uint32_t kArrival = 1330;
constexpr int kWaitMs = 5000;

VirtualMouse::Options withCable(bool cable) {
    VirtualMouse::Options options;
    options.cable = cable;
    return options;
}

VirtualMouse::Options inFolder(const std::filesystem::path& folder, bool cable = false) {
    VirtualMouse::Options options = withCable(cable);
    options.runtimeFolder = folder;
    return options;
}

struct Posted {
    std::uint32_t message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
    bool operator==(const Posted&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Posted& p) {
    return out << p.message << "(" << std::hex << p.wParam << ", " << std::dec << p.lParam << ")";
}

// Collects what a library posts from its own thread; the test waits on it without sleeping.
class RecordingSink {
public:
    const qx4_message_sink* sink() const { return &sink_; }
    std::optional<Posted> next(int timeoutMs = kWaitMs) {
        std::unique_lock lock(mutex_);
        if (!posted_.wait_for(lock, std::chrono::milliseconds{timeoutMs}, [&] { return !queue_.empty(); })) {
            return std::nullopt;
        }
        Posted front = queue_.front();
        queue_.pop_front();
        return front;
    }

private:
    static void post(void* context, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
        auto* self = static_cast<RecordingSink*>(context);
        std::lock_guard lock(self->mutex_);
        self->queue_.push_back({message, wParam, lParam});
        self->posted_.notify_all();
    }
    qx4_message_sink sink_{this, &RecordingSink::post};
    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<Posted> queue_;
};

class DriverLibrary {
public:
    explicit DriverLibrary(const char* file) {
        module_ = ::dlopen((std::string(QX4_BIN_DIR) + "/" + file).c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module_) throw std::runtime_error(::dlerror());
        bind(setIds, "Set_VIDPID");
        bind(openMonitor, "Open_DevMonitor");
        bind(closeMonitor, "Close_DevMonitor");
        bind(openFeature, "Open_FeatureDevice");
        bind(closeFeature, "Close_FeatureDevice");
        bind(setFeature, "SetFeature");
        bind(getFeature, "GetFeature");
    }
    ~DriverLibrary() {
        closeMonitor();
        closeFeature();
        ::dlclose(module_);
    }
    int send(std::vector<unsigned char> report) {
        return setFeature(report.data(), static_cast<int>(report.size()));
    }

    qx4_Set_VIDPID_fn setIds = nullptr;
    qx4_Open_DevMonitor_fn openMonitor = nullptr;
    qx4_Close_DevMonitor_fn closeMonitor = nullptr;
    qx4_Open_FeatureDevice_fn openFeature = nullptr;
    qx4_Close_FeatureDevice_fn closeFeature = nullptr;
    qx4_SetFeature_fn setFeature = nullptr;
    qx4_GetFeature_fn getFeature = nullptr;

private:
    template <typename F>
    void bind(F& function, const char* name) {
        function = reinterpret_cast<F>(::dlsym(module_, name));
        if (!function) throw std::runtime_error(std::string("missing ") + name);
    }
    void* module_ = nullptr;
};

const std::vector<unsigned char> kSelectProfile2{0x0C, 4, 2, 5};

TEST(VirtualMouseDriver, EachLibraryServesTheLinkItsIdsName) {
    VirtualMouse mouse(withCable(false));
    DriverLibrary receiver("virtualmouse_1.so");
    DriverLibrary cable("virtualmouse_2.so");
    receiver.setIds(0x1D57, 0xFA66);
    cable.setIds(0x1D57, 0xFA65);

    EXPECT_EQ(receiver.openFeature(), 1);
    EXPECT_EQ(cable.openFeature(), 0);  // the cable is unplugged
    EXPECT_EQ(receiver.send(kSelectProfile2), 1);
    EXPECT_EQ(cable.send(kSelectProfile2), 0);
    EXPECT_EQ(receiver.send({0x0C, 4, 0, 5}), 0);  // refused by the mouse
    EXPECT_EQ(receiver.setFeature(nullptr, 4), 0);
    unsigned char buffer[8] = {};
    EXPECT_EQ(receiver.getFeature(buffer, sizeof(buffer)), 0);

    mouse.command("cable plug");
    EXPECT_EQ(cable.openFeature(), 1);
    EXPECT_EQ(cable.send({0x0C, 4, 3, 5}), 1);
    ASSERT_TRUE(mouse.waitForReports(3));
    const auto log = mouse.log();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].link, "receiver");
    EXPECT_EQ(log[1].link, "receiver");
    EXPECT_EQ(log[2].link, "cable");

    DriverLibrary unknown("virtualmouse_1.so");  // the same file again: the same state
    unknown.setIds(0x1234, 0xFA66);
    EXPECT_EQ(receiver.openFeature(), 0);
}

TEST(VirtualMouseDriver, NeedsARunningVirtualMouseAndReopensAfterAnUnplug) {
    qx4::test::TempFolder folder;
    qx4::test::ScopedEnv runtime("QX4_RUNTIME_DIR", folder.path().string());
    DriverLibrary receiver("virtualmouse_1.so");
    receiver.setIds(0x1D57, 0xFA66);
    EXPECT_EQ(receiver.openFeature(), 0);
    EXPECT_EQ(receiver.send(kSelectProfile2), 0);

    VirtualMouse mouse(inFolder(folder.path()));
    ASSERT_EQ(receiver.openFeature(), 1);
    EXPECT_EQ(receiver.send(kSelectProfile2), 1);
    mouse.command("receiver unplug");
    EXPECT_EQ(receiver.send(kSelectProfile2), 0);
    EXPECT_EQ(receiver.openFeature(), 0);
    mouse.command("receiver plug");
    EXPECT_EQ(receiver.openFeature(), 1);
    EXPECT_EQ(receiver.send(kSelectProfile2), 1);

    mouse.stop();
    EXPECT_EQ(receiver.send(kSelectProfile2), 0);
}

TEST(VirtualMouseDriver, MonitorPostsNotificationsAndArrivalsOfItsLink) {
    VirtualMouse mouse;
    RecordingSink receiverSink;
    RecordingSink cableSink;
    DriverLibrary receiver("virtualmouse_1.so");
    DriverLibrary cable("virtualmouse_2.so");
    receiver.setIds(0x1D57, 0xFA66);
    cable.setIds(0x1D57, 0xFA65);
    receiver.openMonitor(receiverSink.sink(), kData, kArrival);
    cable.openMonitor(cableSink.sink(), 1331, 1332);

    EXPECT_EQ(receiverSink.next(), (Posted{kData, 0x4000, 0x0801}));
    mouse.command("dpi");
    EXPECT_EQ(receiverSink.next(), (Posted{kData, 0x1000, 4}));
    mouse.command("notify 0xffff 0xffff");
    EXPECT_EQ(receiverSink.next(), (Posted{kData, 0xFFFF, 0xFFFF}));
    mouse.command("cable plug");
    EXPECT_EQ(cableSink.next(), (Posted{1332, 1, 0}));
    mouse.command("receiver unplug");
    EXPECT_EQ(receiverSink.next(), (Posted{kArrival, 0, 0}));
    mouse.command("battery 2");
    EXPECT_EQ(cableSink.next(), (Posted{1331, 0x6000, 2}));
    EXPECT_FALSE(receiverSink.next(50));

    // Closing the monitor ends the posts at once.
    receiver.closeMonitor();
    mouse.command("receiver plug");
    EXPECT_FALSE(receiverSink.next(100));
}

TEST(VirtualMouseDriver, MonitorNoticesAVirtualMouseThatStartsOrStopsLater) {
    qx4::test::TempFolder folder;
    qx4::test::ScopedEnv runtime("QX4_RUNTIME_DIR", folder.path().string());
    RecordingSink sink;
    DriverLibrary cable("virtualmouse_2.so");
    cable.setIds(0x1D57, 0xFA65);
    cable.openMonitor(sink.sink(), 1331, 1332);
    EXPECT_FALSE(sink.next(50));

    std::optional<VirtualMouse> mouse;
    mouse.emplace(inFolder(folder.path(), true));
    EXPECT_EQ(sink.next(), (Posted{1332, 1, 0}));
    EXPECT_EQ(cable.openFeature(), 1);

    mouse.reset();  // quits: the link goes with it
    EXPECT_EQ(sink.next(), (Posted{1332, 0, 0}));

    // Started again with the cable unplugged: connected, but nothing arrives.
    mouse.emplace(inFolder(folder.path(), false));
    ASSERT_TRUE(mouse->waitForListeners("cable", 1));
    mouse->command("cable plug");
    EXPECT_EQ(sink.next(), (Posted{1332, 1, 0}));
    cable.closeMonitor();
}

TEST(VirtualMouseDriver, ReportsFromTheWorkerRaceOpensAndClosesSafely) {
    VirtualMouse mouse;
    DriverLibrary receiver("virtualmouse_1.so");
    receiver.setIds(0x1D57, 0xFA66);
    ASSERT_EQ(receiver.openFeature(), 1);
    std::atomic<bool> done{false};
    std::atomic<int> succeeded{0};
    std::thread worker([&] {
        for (int i = 0; i < 200; ++i) succeeded += receiver.send(kSelectProfile2);
        done = true;
    });
    RecordingSink sink;
    while (!done) {
        receiver.openMonitor(sink.sink(), kData, kArrival);
        receiver.closeFeature();
        receiver.openFeature();
        receiver.closeMonitor();
    }
    worker.join();
    EXPECT_GT(succeeded.load(), 0);
    EXPECT_EQ(mouse.command("state").find("receiver: plugged"), 0u);
}

}  // namespace
