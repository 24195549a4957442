#include "gui/pages/apply_ring.h"

#include <QPainter>
#include <QPen>

namespace qx4::gui {

namespace {
constexpr int kFrameMilliseconds = 16;
constexpr int kDegreesPerFrame = 6;
const QColor kTrack(0x2C, 0x31, 0x3A);
const QColor kArc(0xF0, 0x83, 0x00);
}  // namespace

ApplyRing::ApplyRing(QWidget* parent) : QWidget(parent) {
    frameTimer_.setInterval(kFrameMilliseconds);
    connect(&frameTimer_, &QTimer::timeout, this, [this] {
        angle_ = (angle_ + kDegreesPerFrame) % 360;
        update();
    });
}

void ApplyRing::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int side = qMin(width(), height()) - 4;
    const QRectF ring((width() - side) / 2.0, (height() - side) / 2.0, side, side);
    painter.setPen(QPen(kTrack, 3));
    painter.drawEllipse(ring);
    painter.setPen(QPen(kArc, 3, Qt::SolidLine, Qt::RoundCap));
    painter.drawArc(ring, -angle_ * 16, 100 * 16);
}

void ApplyRing::showEvent(QShowEvent* event) {
    frameTimer_.start();
    QWidget::showEvent(event);
}

void ApplyRing::hideEvent(QHideEvent* event) {
    frameTimer_.stop();
    QWidget::hideEvent(event);
}

}  // namespace qx4::gui
