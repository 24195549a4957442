#include "gui/common/window_message.h"

#include <QCoreApplication>

#include <chrono>

#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#endif

namespace qx4::gui {

std::uint64_t monotonicMilliseconds() {
    // steady_clock is CLOCK_MONOTONIC on Linux, the clock the hook library stamps with.
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

QEvent::Type WindowMessageEvent::eventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

WindowMessageEvent::WindowMessageEvent(std::uint32_t message, std::uintptr_t wParam,
                                       std::intptr_t lParam, std::uint64_t time)
    : QEvent(eventType()), message_(message), wParam_(wParam), lParam_(lParam), time_(time) {
#if defined(__SANITIZE_THREAD__)
    __tsan_release(this);
#endif
}

WindowMessageEvent::~WindowMessageEvent() { received(); }

const WindowMessageEvent& WindowMessageEvent::received() const {
#if defined(__SANITIZE_THREAD__)
    __tsan_acquire(const_cast<WindowMessageEvent*>(this));
#endif
    return *this;
}

void postWindowMessage(QObject* target, std::uint32_t message, std::uintptr_t wParam,
                       std::intptr_t lParam) {
    QCoreApplication::postEvent(target, new WindowMessageEvent(message, wParam, lParam));
}

namespace {
void postThroughSink(void* context, std::uint32_t message, std::uintptr_t wParam,
                     std::intptr_t lParam) {
    postWindowMessage(static_cast<QObject*>(context), message, wParam, lParam);
}

void postThroughTimedSink(void* context, std::uint32_t message, std::uintptr_t wParam,
                          std::intptr_t lParam, std::uint64_t time) {
    QCoreApplication::postEvent(static_cast<QObject*>(context),
                                new WindowMessageEvent(message, wParam, lParam, time));
}
}  // namespace

qx4_message_sink messageSinkFor(QObject* target) { return {target, &postThroughSink}; }

qx4_timed_message_sink timedMessageSinkFor(QObject* target) {
    return {target, &postThroughTimedSink};
}

}  // namespace qx4::gui
