// The seven entry points of Hook.so over one InputCapture. The filter is installed and removed on
// the application's thread; a call from another thread is carried there.
#define QX4_HOOK_IMPLEMENTATION
#include <QCoreApplication>
#include <QPointer>

#include "core/abi/qx4_hook.h"
#include "plugins/hook/input_capture.h"

namespace {

using qx4::gui::CaptureGates;
using qx4::gui::InputCapture;

struct Hook {
    CaptureGates gates;
    // Touched on the application's thread only.
    QPointer<InputCapture> capture;

    // The filter must not outlive the library: a program that unloads it without removehook
    // would otherwise leave a filter whose code is gone.
    ~Hook() { delete capture.data(); }
};

Hook& hook() {
    static Hook instance;
    return instance;
}

template <typename F>
void onApplicationThread(F&& work) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app) QMetaObject::invokeMethod(app, std::forward<F>(work));
}

template <typename Sink>
bool install(const Sink* sink) {
    if (!sink || !QCoreApplication::instance()) return false;
    hook().gates.setSink(*sink);
    onApplicationThread([] {
        Hook& h = hook();
        if (h.capture) return;
        h.capture = new InputCapture(h.gates);
        QCoreApplication::instance()->installEventFilter(h.capture);
    });
    return true;
}

}  // namespace

extern "C" {

// Keys are delivered from now on, even without a following enablehook(1): the button page opens
// a key capture with installhook alone. The mouse part stays as enablemousehook left it.
int installhook(const qx4_message_sink* sink) {
    try {
        if (!install(sink)) return 0;
        hook().gates.keys = true;
        return 1;
    } catch (...) {
        return 0;
    }
}

int installtimedhook(const qx4_timed_message_sink* sink) {
    try {
        if (!install(sink)) return 0;
        hook().gates.keys = true;
        return 1;
    } catch (...) {
        return 0;
    }
}

void removehook(void) {
    try {
        onApplicationThread([] { delete hook().capture.data(); });
    } catch (...) {
    }
}

void enablehook(int enable) {
    hook().gates.keys = enable != 0;
}

// The program never calls it; it captures the mouse buttons alone.
int installmousehook(const qx4_message_sink* sink) {
    try {
        if (!install(sink)) return 0;
        hook().gates.buttons = true;
        return 1;
    } catch (...) {
        return 0;
    }
}

void removemousehook(void) {
    hook().gates.buttons = false;
}

void enablemousehook(int enable) {
    hook().gates.buttons = enable != 0;
}

void mousewheelenable(int enable) {
    hook().gates.wheel = enable != 0;
}

}
