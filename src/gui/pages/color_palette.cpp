#include "gui/pages/color_palette.h"

#include <QColor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace qx4::gui {

namespace {
constexpr int kHueStripHeight = 12;
constexpr int kGap = 6;
constexpr int kMarkerRadius = 5;
constexpr qreal kCornerRadius = 4.0;
constexpr int kInset = kMarkerRadius + 2;
constexpr double kKeyStep = 0.05;
constexpr double kHueKeyStep = 1.0 / 36;
const QColor kFocusRing(0xF0, 0x83, 0x00);

double fraction(int offset, int extent) {
    if (extent <= 1) return 0.0;
    return std::clamp(static_cast<double>(offset) / (extent - 1), 0.0, 1.0);
}
}  // namespace

ColorPalette::ColorPalette(QWidget* parent) : QWidget(parent) {
    setCursor(Qt::CrossCursor);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setFocusPolicy(Qt::StrongFocus);
}

QSize ColorPalette::sizeHint() const { return {180, 120}; }
QSize ColorPalette::minimumSizeHint() const { return {60, 48}; }

void ColorPalette::setSelectColor(QRgb color) {
    selected_ = color | 0xFF000000u;
    const QColor hsv = QColor::fromRgb(selected_).toHsv();
    // A grey has no hue of its own: keep the strip where the user left it.
    if (hsv.hsvHueF() >= 0.0) hue_ = hsv.hsvHueF();
    saturation_ = hsv.hsvSaturationF();
    value_ = hsv.valueF();
    rebuildFieldImage();
    update();
}

// Both parts keep clear of the edges by the markers' reach, so a marker at an end stays whole.
QRect ColorPalette::fieldRect() const {
    return {kInset, kInset, std::max(1, width() - 2 * kInset),
            std::max(1, height() - kHueStripHeight - kGap - 2 * kInset)};
}

QRect ColorPalette::hueRect() const {
    return {kInset, height() - kHueStripHeight - kInset, std::max(1, width() - 2 * kInset),
            kHueStripHeight};
}

void ColorPalette::rebuildFieldImage() {
    const QRect field = fieldRect();
    if (field.width() <= 0 || field.height() <= 0) return;
    QImage image(field.size(), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        const double value = 1.0 - fraction(y, image.height());
        for (int x = 0; x < image.width(); ++x) {
            line[x] = QColor::fromHsvF(static_cast<float>(hue_),
                                       static_cast<float>(fraction(x, image.width())),
                                       static_cast<float>(value))
                          .rgb();
        }
    }
    fieldImage_ = std::move(image);
}

void ColorPalette::rebuildHueImage() {
    const QRect strip = hueRect();
    if (strip.width() <= 0) return;
    QImage image(strip.width(), 1, QImage::Format_RGB32);
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(0));
    for (int x = 0; x < image.width(); ++x) {
        line[x] = QColor::fromHsvF(static_cast<float>(fraction(x, image.width())), 1.0f, 1.0f).rgb();
    }
    hueImage_ = std::move(image);
}

void ColorPalette::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    rebuildFieldImage();
    rebuildHueImage();
}

void ColorPalette::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRect field = fieldRect();
    const QRect strip = hueRect();

    QPainterPath fieldClip;
    fieldClip.addRoundedRect(QRectF(field), kCornerRadius, kCornerRadius);
    painter.save();
    painter.setClipPath(fieldClip);
    painter.drawImage(field.topLeft(), fieldImage_);
    painter.restore();

    QPainterPath stripClip;
    stripClip.addRoundedRect(QRectF(strip), kCornerRadius, kCornerRadius);
    painter.save();
    painter.setClipPath(stripClip);
    painter.drawImage(strip, hueImage_);
    painter.restore();

    // Markers: a ring at the chosen saturation and value, a bar at the chosen hue.
    const QPointF ring(field.left() + saturation_ * (field.width() - 1),
                       field.top() + (1.0 - value_) * (field.height() - 1));
    painter.setBrush(QColor::fromRgb(selected_));
    painter.setPen(QPen(QColor(0, 0, 0, 160), 3));
    painter.drawEllipse(ring, kMarkerRadius, kMarkerRadius);
    painter.setPen(QPen(Qt::white, 1.5));
    painter.drawEllipse(ring, kMarkerRadius, kMarkerRadius);

    const qreal hueX = strip.left() + hue_ * (strip.width() - 1);
    const QRectF bar(hueX - 2.5, strip.top() - 2, 5, strip.height() + 4);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0, 0, 0, 160), 3));
    painter.drawRoundedRect(bar, 2, 2);
    painter.setPen(QPen(Qt::white, 1.5));
    painter.drawRoundedRect(bar, 2, 2);

    if (hasFocus()) {
        painter.setPen(QPen(kFocusRing, 1));
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), kCornerRadius, kCornerRadius);
    }
}

void ColorPalette::pickAt(const QPoint& position) {
    if (drag_ == DragPart::field) {
        const QRect field = fieldRect();
        saturation_ = fraction(position.x() - field.left(), field.width());
        value_ = 1.0 - fraction(position.y() - field.top(), field.height());
    } else if (drag_ == DragPart::hueStrip) {
        const QRect strip = hueRect();
        hue_ = std::min(fraction(position.x() - strip.left(), strip.width()), 0.9999);
        rebuildFieldImage();
    } else {
        return;
    }
    showPicked();
}

void ColorPalette::showPicked() {
    selected_ = QColor::fromHsvF(static_cast<float>(hue_), static_cast<float>(saturation_),
                                 static_cast<float>(value_))
                    .rgb();
    update();
    Q_EMIT colorChanged(selected_);
}

void ColorPalette::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint position = event->position().toPoint();
    // Everything above the gap belongs to the field, everything below it to the hue strip; a press
    // in the margins picks the nearest edge.
    drag_ = position.y() <= fieldRect().bottom() + kGap / 2 ? DragPart::field : DragPart::hueStrip;
    pickAt(position);
}

void ColorPalette::mouseMoveEvent(QMouseEvent* event) {
    if (drag_ != DragPart::none) pickAt(event->position().toPoint());
}

void ColorPalette::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || drag_ == DragPart::none) return;
    pickAt(event->position().toPoint());
    drag_ = DragPart::none;
    Q_EMIT colorChangedButtonUp(selected_);
}

void ColorPalette::keyPressEvent(QKeyEvent* event) {
    const auto step = [](double& part, double by) { part = std::clamp(part + by, 0.0, 1.0); };
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
        step(saturation_, event->key() == Qt::Key_Left ? -kKeyStep : kKeyStep);
        break;
    case Qt::Key_Down:
    case Qt::Key_Up:
        step(value_, event->key() == Qt::Key_Down ? -kKeyStep : kKeyStep);
        break;
    case Qt::Key_PageDown:
    case Qt::Key_PageUp:
        // The strip ends short of 1, which is the hue of 0 again.
        hue_ = std::clamp(hue_ + (event->key() == Qt::Key_PageDown ? -kHueKeyStep : kHueKeyStep), 0.0, 0.9999);
        rebuildFieldImage();
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    keyMoved_ = true;
    showPicked();
}

void ColorPalette::keyReleaseEvent(QKeyEvent* event) {
    if (event->isAutoRepeat() || !keyMoved_) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    keyMoved_ = false;
    Q_EMIT colorChangedButtonUp(selected_);
}

}  // namespace qx4::gui
