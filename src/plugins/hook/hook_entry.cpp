// The entry points of Hook.so over one of two backends. Where the program's windows are on an X
// server that offers XInput 2, outside a Wayland session, input comes from the whole desktop
// (DesktopCapture); elsewhere from the program's own windows (InputCapture, an event filter that
// is installed and removed on the application's thread; a call from another thread is carried
// there).
#define QX4_HOOK_IMPLEMENTATION
#include <QCoreApplication>
#include <QGuiApplication>
#include <QPointer>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string_view>

#include "core/abi/qx4_hook.h"
#include "plugins/hook/desktop_capture.h"
#include "plugins/hook/input_capture.h"

namespace {

using qx4::gui::CaptureGates;
using qx4::gui::DesktopCapture;
using qx4::gui::InputCapture;

enum Scope : int { undecided = -1, ownWindows = 0, wholeDesktop = 1 };

struct Hook {
    CaptureGates gates;
    std::atomic<int> scope{undecided};
    std::mutex desktopMutex;
    std::unique_ptr<DesktopCapture> desktop;  // guarded by desktopMutex
    // Touched on the application's thread only.
    QPointer<InputCapture> capture;

    // Neither the reader nor the filter may outlive the library: a program that unloads it
    // without removehook would otherwise leave code running that is gone. The reader goes first,
    // as it runs on a thread of its own and may post at any moment. The filter is deleted right
    // here, not on the application's thread as removehook does: a deletion queued there would run
    // after the library is gone.
    ~Hook() {
        desktop.reset();
        delete capture.data();
    }
};

Hook& hook() {
    static Hook instance;
    return instance;
}

// Under Wayland an X server sees only the input that goes to X windows.
bool waylandSession() {
    const char* type = std::getenv("XDG_SESSION_TYPE");
    const char* display = std::getenv("WAYLAND_DISPLAY");
    return (type && std::string_view(type) == "wayland") || (display && *display);
}

// Decided once there is a GUI application; a whole-desktop capture that fails to start settles
// it the other way.
Scope scope() {
    Hook& h = hook();
    int decided = h.scope.load();
    if (decided == undecided) {
        if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return ownWindows;
        const bool desktop = QGuiApplication::platformName() == QLatin1String("xcb") && !waylandSession() &&
                             DesktopCapture::available();
        h.scope.compare_exchange_strong(decided, desktop ? wholeDesktop : ownWindows);
        decided = h.scope.load();
    }
    return static_cast<Scope>(decided);
}

template <typename F>
void onApplicationThread(F&& work) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app) QMetaObject::invokeMethod(app, std::forward<F>(work));
}

template <typename Sink>
bool startCapture(const Sink* sink) {
    if (!sink || !QCoreApplication::instance()) return false;
    Hook& h = hook();
    h.gates.setSink(*sink);
    if (scope() == wholeDesktop) {
        std::lock_guard lock(h.desktopMutex);
        if (!h.desktop) h.desktop = DesktopCapture::start(h.gates);
        if (h.desktop) return true;
        h.scope = ownWindows;
    }
    onApplicationThread([] {
        Hook& app = hook();
        if (app.capture) return;
        app.capture = new InputCapture(app.gates);
        QCoreApplication::instance()->installEventFilter(app.capture);
    });
    return true;
}

// What every install entry point does; they differ in the sink and in the gate they open.
template <typename Sink>
int install(const Sink* sink, std::atomic<bool> CaptureGates::*gate) {
    try {
        if (!startCapture(sink)) return 0;
        hook().gates.*gate = true;
        return 1;
    } catch (...) {
        return 0;
    }
}

}  // namespace

extern "C" {

// Keys are delivered from now on, even without a following enablehook(1): the button page opens
// a key capture with installhook alone. The mouse part stays as enablemousehook left it.
int installhook(const qx4_message_sink* sink) {
    return install(sink, &CaptureGates::keys);
}

int installtimedhook(const qx4_timed_message_sink* sink) {
    return install(sink, &CaptureGates::keys);
}

void removehook(void) {
    try {
        Hook& h = hook();
        // The reader is stopped and joined now, under the lock a start takes: once removehook
        // returns, nothing more comes from the desktop. The filter runs on the application's
        // thread and may only be deleted there: called from that thread it goes now, from another
        // its deletion is queued behind the events already under way.
        {
            std::lock_guard lock(h.desktopMutex);
            h.desktop.reset();
        }
        onApplicationThread([] { delete hook().capture.data(); });
    } catch (...) {
    }
}

void enablehook(int enable) {
    hook().gates.keys = enable != 0;
}

// The program never calls it; it captures the mouse buttons alone.
int installmousehook(const qx4_message_sink* sink) {
    return install(sink, &CaptureGates::buttons);
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

int hookcapturescope(void) {
    try {
        return scope() == wholeDesktop ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

}
