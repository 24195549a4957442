#include "plugins/hook/capture_gates.h"

#include <chrono>

namespace qx4::gui {

void CaptureGates::setSink(const qx4_message_sink& sink) {
    std::lock_guard lock(mutex_);
    sink_ = sink;
    timedSink_ = {};
}

void CaptureGates::setSink(const qx4_timed_message_sink& sink) {
    std::lock_guard lock(mutex_);
    timedSink_ = sink;
    sink_ = {};
}

void CaptureGates::post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) const {
    post(message, wParam, lParam, monotonicMilliseconds());
}

void CaptureGates::post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam,
                        std::uint64_t milliseconds) const {
    qx4_message_sink sink;
    qx4_timed_message_sink timedSink;
    {
        std::lock_guard lock(mutex_);
        sink = sink_;
        timedSink = timedSink_;
    }
    if (timedSink.post) {
        timedSink.post(timedSink.context, message, wParam, lParam, milliseconds);
    } else if (sink.post) {
        sink.post(sink.context, message, wParam, lParam);
    }
}

std::uint64_t monotonicMilliseconds() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

}  // namespace qx4::gui
