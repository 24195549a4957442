// A call from any thread that runs on the thread of a QObject, after the events already queued for
// it, and not at all once the object is gone. What it carries are copies made where it was queued.
#pragma once

#include <QMetaObject>
#include <QObject>

#include <utility>

#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#endif

namespace qx4::gui {

namespace detail {

// Qt's event queue hands the call from one thread to the other under a lock that ThreadSanitizer
// does not see (Qt is not built with it), so the hand-over is told to it: the copy, made where the
// call is queued, happens before it is run or destroyed. Nothing in other builds.
template <typename Call>
class HandedCall {
public:
    explicit HandedCall(Call call) : call_(std::move(call)) { released(); }
    HandedCall(HandedCall&& other) noexcept : call_(std::move(other.received().call_)) { released(); }
    HandedCall(const HandedCall&) = delete;
    HandedCall& operator=(const HandedCall&) = delete;
    HandedCall& operator=(HandedCall&&) = delete;
    ~HandedCall() { received(); }

    void operator()() { received().call_(); }

private:
    void released() {
#if defined(__SANITIZE_THREAD__)
        __tsan_release(this);
#endif
    }
    HandedCall& received() {
#if defined(__SANITIZE_THREAD__)
        __tsan_acquire(this);
#endif
        return *this;
    }

    Call call_;
};

}  // namespace detail

template <typename Call>
void queueCall(QObject* target, Call call) {
    QMetaObject::invokeMethod(target, detail::HandedCall<Call>(std::move(call)), Qt::QueuedConnection);
}

}  // namespace qx4::gui
