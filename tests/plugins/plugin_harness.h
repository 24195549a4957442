// What the plug-in tests share: a sink that records what a plug-in posts from any thread, and a
// driver library bound from the build's plug-in folder as the program binds it.
#pragma once

#include <dlfcn.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/abi/qx4_driver.h"

namespace qx4::test {

struct Posted {
    std::uint32_t message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
    bool operator==(const Posted&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Posted& p) {
    return out << p.message << "(0x" << std::hex << p.wParam << std::dec << ", " << p.lParam << ")";
}

class RecordingSink {
public:
    const qx4_message_sink* sink() const { return &sink_; }
    // The next post; nothing when none came within the time.
    std::optional<Posted> next(int timeoutMs = 5000) {
        std::unique_lock lock(mutex_);
        if (!posted_.wait_for(lock, std::chrono::milliseconds{timeoutMs}, [&] { return !queue_.empty(); })) {
            return std::nullopt;
        }
        Posted front = queue_.front();
        queue_.pop_front();
        return front;
    }
    std::vector<Posted> takeAll() {
        std::lock_guard lock(mutex_);
        std::vector<Posted> taken(queue_.begin(), queue_.end());
        queue_.clear();
        return taken;
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

// Throws when the file or one of the seven entry points is missing. Closes both parts on the way
// out, as the program does at shutdown.
class DriverLibrary {
public:
    explicit DriverLibrary(const std::string& file)
        : module_(::dlopen((std::string(QX4_BIN_DIR) + "/" + file).c_str(), RTLD_NOW | RTLD_LOCAL)) {
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
        if (closeMonitor) closeMonitor();
        if (closeFeature) closeFeature();
        ::dlclose(module_);
    }
    DriverLibrary(const DriverLibrary&) = delete;
    DriverLibrary& operator=(const DriverLibrary&) = delete;
    int send(std::vector<unsigned char> report) { return setFeature(report.data(), static_cast<int>(report.size())); }

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
        if (!function) {
            ::dlclose(module_);
            throw std::runtime_error(std::string("no ") + name);
        }
    }
    void* module_;
};

}  // namespace qx4::test
