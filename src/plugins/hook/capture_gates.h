// What the hook's entry points set and both capture backends read: which kinds of input are
// posted, and where to. Entry points may run on any thread, the backends read from theirs.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "core/abi/qx4_message_sink.h"

namespace qx4::gui {

struct CaptureGates {
    std::atomic<bool> keys{false};
    std::atomic<bool> buttons{false};
    std::atomic<bool> wheel{false};

    // The last sink set wins: a program installs either the plain or the timed one.
    void setSink(const qx4_message_sink& sink);
    void setSink(const qx4_timed_message_sink& sink);
    // Through the sink, stamped with the moment of the call when the sink is timed.
    void post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) const;
    // The same with the moment the input arose, in milliseconds of CLOCK_MONOTONIC.
    void post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam, std::uint64_t milliseconds) const;

private:
    mutable std::mutex mutex_;
    qx4_message_sink sink_{};
    qx4_timed_message_sink timedSink_{};
};

// Milliseconds of CLOCK_MONOTONIC (the steady clock), as timed sinks take them.
std::uint64_t monotonicMilliseconds();

// WM_MOUSEWHEEL's lParam, posted while the wheel gate is open, is the wheel turn in eighths of a
// degree.
inline constexpr std::intptr_t kWheelNotch = 120;

}  // namespace qx4::gui
