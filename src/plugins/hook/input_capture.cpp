#include "plugins/hook/input_capture.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include "core/abi/window_messages.h"
#include "plugins/hook/key_conversion.h"

namespace qx4::gui {

bool InputCapture::eventFilter(QObject* watched, QEvent* event) {
    if (!watched->isWindowType()) return false;
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool released = event->type() == QEvent::KeyRelease;
        // A held key repeats as presses alone, as the program expects.
        if (!gates_.keys || (released && key->isAutoRepeat())) break;
        if (const auto virtualKey = virtualKeyFor(*key)) {
            gates_.post(UM_HOOK_INPUT, *virtualKey, released ? 1 : 0);
        }
        break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease: {
        if (!gates_.buttons) break;
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const auto message = buttonMessageFor(mouse->button(), event->type() == QEvent::MouseButtonPress);
        if (message) gates_.post(UM_HOOK_INPUT, message->message, message->xButton);
        break;
    }
    case QEvent::Wheel: {
        if (!gates_.wheel) break;
        const auto* wheel = static_cast<QWheelEvent*>(event);
        gates_.post(UM_HOOK_INPUT, WM_MOUSEWHEEL, wheel->angleDelta().y());
        break;
    }
    default:
        break;
    }
    return false;
}

}  // namespace qx4::gui
