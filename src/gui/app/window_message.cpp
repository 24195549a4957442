#include "gui/app/window_message.h"

#include <QCoreApplication>

namespace qx4::gui {

QEvent::Type WindowMessageEvent::eventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

WindowMessageEvent::WindowMessageEvent(std::uint32_t message, std::uintptr_t wParam,
                                       std::intptr_t lParam)
    : QEvent(eventType()), message_(message), wParam_(wParam), lParam_(lParam) {}

void postWindowMessage(QObject* target, std::uint32_t message, std::uintptr_t wParam,
                       std::intptr_t lParam) {
    QCoreApplication::postEvent(target, new WindowMessageEvent(message, wParam, lParam));
}

namespace {
void postThroughSink(void* context, std::uint32_t message, std::uintptr_t wParam,
                     std::intptr_t lParam) {
    postWindowMessage(static_cast<QObject*>(context), message, wParam, lParam);
}
}  // namespace

qx4_message_sink messageSinkFor(QObject* target) { return {target, &postThroughSink}; }

}  // namespace qx4::gui
