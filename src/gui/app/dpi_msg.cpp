#include "gui/app/dpi_msg.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

#include "gui/common/control_lookup.h"
#include "gui/common/layout_window.h"

namespace qx4::gui {

CDPIMsg::CDPIMsg(QWidget* owner, const QString& text)
    : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                         Qt::WindowDoesNotAcceptFocus),
      text_(text) {
    setObjectName(QStringLiteral("DPIWnd"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_DeleteOnClose);
    buildWindowFromLayout(this, QStringLiteral("DPImsg.xml"), kWidth, kHeight);
    label_ = requireControl<QLabel>(this, "dpi_label");
    frame_.setSingleShot(true);
    frame_.setTimerType(Qt::PreciseTimer);
    frame_.setInterval(kFrameMilliseconds);
    connect(&frame_, &QTimer::timeout, this, &CDPIMsg::showText);
    showText();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        setGeometry(geometryFor(screen->availableGeometry()));
    }
}

void CDPIMsg::setText(const QString& text) {
    text_ = text;
    if (!frame_.isActive()) showText();
}

void CDPIMsg::showText() {
    if (label_->text() == text_) return;
    label_->setText(text_);
    frame_.start();
}

QRect CDPIMsg::geometryFor(const QRect& workArea) {
    return {workArea.x() + workArea.width() - 210, workArea.y() + workArea.height() - 60, kWidth,
            kHeight};
}

bool CDPIMsg::placeable() { return !QGuiApplication::platformName().startsWith(QLatin1String("wayland")); }

}  // namespace qx4::gui
