// The hook's first backend: an application-wide event filter that sees the keys and mouse buttons
// delivered to the program's own windows and posts them as UM_HOOK_INPUT. Input from the system
// reaches a window (QWindow) before any widget, so only events addressed to a window are taken:
// each input is posted once, however far it travels among the widgets afterwards. Nothing is
// swallowed; the windows get every event as before.
#pragma once

#include <QObject>
#include <atomic>
#include <mutex>

#include "core/abi/qx4_message_sink.h"

namespace qx4::gui {

// What the hook's entry points set and the filter reads; entry points may run on any thread.
struct CaptureGates {
    std::atomic<bool> keys{false};
    std::atomic<bool> buttons{false};
    std::atomic<bool> wheel{false};

    // The last sink set wins: a program installs either the plain or the timed one.
    void setSink(const qx4_message_sink& sink);
    void setSink(const qx4_timed_message_sink& sink);
    // Through the sink, stamped with the moment of the call when the sink is timed.
    void post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) const;

private:
    mutable std::mutex mutex_;
    qx4_message_sink sink_{};
    qx4_timed_message_sink timedSink_{};
};

class InputCapture final : public QObject {
public:
    explicit InputCapture(const CaptureGates& gates) : gates_(gates) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const CaptureGates& gates_;
};

// Windows' wheel message, posted while the wheel gate is open; lParam is the wheel turn in
// eighths of a degree (one notch is 120).
inline constexpr std::uint32_t WM_MOUSEWHEEL = 0x020A;

}  // namespace qx4::gui
