// Window messages on Qt: a posted custom event carrying (message, wParam, lParam), delivered to
// the main window on the UI thread. Posting is safe from any thread.
#pragma once

#include <QEvent>
#include <QObject>

#include <cstdint>

#include "core/abi/qx4_message_sink.h"

namespace qx4::gui {

class WindowMessageEvent final : public QEvent {
public:
    static QEvent::Type eventType();

    WindowMessageEvent(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

    std::uint32_t message() const { return message_; }
    std::uintptr_t wParam() const { return wParam_; }
    std::intptr_t lParam() const { return lParam_; }

private:
    std::uint32_t message_;
    std::uintptr_t wParam_;
    std::intptr_t lParam_;
};

void postWindowMessage(QObject* target, std::uint32_t message, std::uintptr_t wParam = 0,
                       std::intptr_t lParam = 0);

// The sink handed to plug-ins: posts to `target`. Lives as long as the target.
qx4_message_sink messageSinkFor(QObject* target);

}  // namespace qx4::gui
