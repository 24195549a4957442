// Window messages on Qt: a posted custom event carrying (message, wParam, lParam) and the moment it
// was posted (or, from a timed sink, the moment its input arose), delivered on the UI thread to the
// object it was posted to: the capture service (the hook library's input) or the mouse session (the
// driver libraries'). Posting is safe from any thread.
#pragma once

#include <QEvent>
#include <QObject>

#include <cstdint>

#include "core/abi/qx4_message_sink.h"

namespace qx4::gui {

// Milliseconds of CLOCK_MONOTONIC, the clock of timed sinks.
std::uint64_t monotonicMilliseconds();

class WindowMessageEvent final : public QEvent {
public:
    static QEvent::Type eventType();

    WindowMessageEvent(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam,
                       std::uint64_t time = monotonicMilliseconds());
    ~WindowMessageEvent() override;
    WindowMessageEvent(const WindowMessageEvent&) = delete;
    WindowMessageEvent& operator=(const WindowMessageEvent&) = delete;

    std::uint32_t message() const { return received().message_; }
    std::uintptr_t wParam() const { return received().wParam_; }
    std::intptr_t lParam() const { return received().lParam_; }
    std::uint64_t time() const { return received().time_; }  // milliseconds of the monotonic clock

private:
    // Qt's event queue hands the event from the thread that posts it to the one that handles it
    // under a lock that ThreadSanitizer does not see (Qt is not built with it). So the hand-over
    // is told to it: what the poster did before posting happens before the event is read or
    // destroyed. Nothing in other builds.
    const WindowMessageEvent& received() const;

    std::uint32_t message_;
    std::uintptr_t wParam_;
    std::intptr_t lParam_;
    std::uint64_t time_;
};

void postWindowMessage(QObject* target, std::uint32_t message, std::uintptr_t wParam = 0,
                       std::intptr_t lParam = 0);

// The sink handed to plug-ins: posts to `target`. Lives as long as the target.
qx4_message_sink messageSinkFor(QObject* target);
qx4_timed_message_sink timedMessageSinkFor(QObject* target);

}  // namespace qx4::gui
