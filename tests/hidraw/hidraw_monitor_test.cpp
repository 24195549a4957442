// The driver's device monitor (libudev and the hidraw reads) against emulated kernel devices, with
// every call it makes on a node watched: a descriptor it closed is never read or closed again, for
// by then another thread may have been given that number for a device of its own.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>

#include "kernel_mouse.h"
#include "plugins/hiddriver/udev_event_source.h"
#include "tests/support/patience.h"

namespace qx4::hid {
namespace {

struct WatchedCalls {
    std::mutex mutex;
    std::set<int> closed;
    std::vector<std::string> faults;

    void use(int fd, const char* what) {
        std::lock_guard lock(mutex);
        if (closed.count(fd)) faults.push_back(std::string(what) + " of closed descriptor " + std::to_string(fd));
    }
};
WatchedCalls watched;

const NodeCalls kWatchedCalls{
    [](const char* node) {
        const int fd = systemNodeCalls().open(node);
        std::lock_guard lock(watched.mutex);
        watched.closed.erase(fd);
        return fd;
    },
    [](int fd, void* buffer, std::size_t size) {
        watched.use(fd, "read");
        return systemNodeCalls().read(fd, buffer, size);
    },
    [](int fd) {
        watched.use(fd, "close");
        std::lock_guard lock(watched.mutex);
        watched.closed.insert(fd);
        return systemNodeCalls().close(fd);
    },
};

// Ends a wait for an event that never comes, so that a monitor that misses one fails instead of
// hanging the test.
class Backstop {
public:
    explicit Backstop(DeviceEventSource& source)
        : thread_([this, &source] {
              std::unique_lock lock(mutex_);
              if (!done_.wait_for(lock, std::chrono::milliseconds{test::kPatienceMs}, [this] { return finished_; })) source.stop();
          }) {}
    ~Backstop() {
        {
            std::lock_guard lock(mutex_);
            finished_ = true;
        }
        done_.notify_all();
        thread_.join();
    }

private:
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    std::thread thread_;
};

TEST(HidrawMonitor, ANodeRemovedAndHungUpInOneRoundIsClosedOnceAndNotReadAfter) {
    vm::KernelMouse mouse({});
    for (const auto& node : mouse.nodes()) ASSERT_TRUE(std::filesystem::is_symlink(node.file)) << node.file;
    const auto source = UdevEventSource::create(0x1D57, 0xFA66, kWatchedCalls);
    ASSERT_TRUE(source);
    const Backstop backstop(*source);
    mouse.command("battery 4");
    const DeviceEvent status = source->next();
    EXPECT_EQ(status.kind, DeviceEvent::Kind::input);
    EXPECT_EQ(status.bytes, (std::vector<std::uint8_t>{0x07, 0x60, 0x00, 0x00, 0x04}));

    // The node hangs up and its "remove" is told before the monitor polls again: one round sees both.
    mouse.command("receiver unplug");
    EXPECT_EQ(source->next().kind, DeviceEvent::Kind::removed);
    mouse.command("receiver plug");
    EXPECT_EQ(source->next().kind, DeviceEvent::Kind::arrived);
    EXPECT_EQ(source->next().kind, DeviceEvent::Kind::input);  // the mouse tells the receiver how it is
    std::lock_guard lock(watched.mutex);
    EXPECT_EQ(watched.faults, std::vector<std::string>{});
    EXPECT_EQ(watched.closed.size(), 1u);
}

}  // namespace
}  // namespace qx4::hid
