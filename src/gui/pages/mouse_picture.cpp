#include "gui/pages/mouse_picture.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QSvgRenderer>

#include <cmath>

#include "gui/common/resource_manager.h"
#include "gui/pages/mouse_picture_accessible.h"

namespace qx4::gui {

namespace {
const QColor kLit(0xF0, 0x83, 0x00);
const QColor kLitNumber(0x12, 0x14, 0x18);
const QColor kRestingNumber(0xC5, 0xCA, 0xD3);
// The lit button glows through this much of the accent, so its shape stays readable.
constexpr double kLitButtonOpacity = 0.8;
// Room around the lit parts for their smoothed edges.
constexpr double kEdgeMargin = 2.0;

QString elementId(const char* part, int button) {
    return QStringLiteral("%1%2").arg(QLatin1String(part)).arg(button + 1);
}

// An element drawn in the accent through its own outline, into `target` at `where`.
void paintTinted(QPainter& target, QSvgRenderer& picture, const QString& id, const QRectF& where,
                 double opacity) {
    const qreal ratio = target.device()->devicePixelRatioF();
    QImage shape((where.size() * ratio).toSize().expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    shape.setDevicePixelRatio(ratio);
    shape.fill(Qt::transparent);
    QPainter painter(&shape);
    picture.render(&painter, id, QRectF(QPointF(0, 0), where.size()));
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(QRectF(QPointF(0, 0), where.size()), kLit);
    painter.end();
    target.setOpacity(opacity);
    target.drawImage(where.topLeft(), shape);
    target.setOpacity(1.0);
}

void paintNumber(QPainter& painter, const QRectF& badge, int button, const QColor& color) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(std::max(7, static_cast<int>(std::lround(badge.height() * 0.55))));
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(badge, Qt::AlignCenter, QString::number(button + 1));
}
}  // namespace

MousePicture::MousePicture(QWidget* parent)
    : QWidget(parent),
      picture_(new QSvgRenderer(
          ResourceManager::instance().resourcePath(QStringLiteral("skin/pages/mouse-buttons.svg")), this)) {
    setMouseTracking(true);
    // Only from Tab: a click chooses a button itself and would light the keyboard's one besides.
    setFocusPolicy(Qt::TabFocus);
    installMousePictureAccessible();
}

void MousePicture::setIndicator(int button, QLabel* indicator) {
    if (button < 0 || button >= kShownButtonCount) return;
    indicators_[static_cast<std::size_t>(button)] = indicator;
    indicator->setParent(this);
    indicator->setAttribute(Qt::WA_TransparentForMouseEvents);
    paintIndicator(button);
}

void MousePicture::setButtonName(int button, const QString& name) {
    if (button < 0 || button >= kShownButtonCount) return;
    names_[static_cast<std::size_t>(button)] = name;
    QAccessibleEvent changed(this, QAccessible::NameChanged);
    changed.setChild(button);
    QAccessible::updateAccessibility(&changed);
}

QString MousePicture::buttonName(int button) const {
    if (button < 0 || button >= kShownButtonCount) return {};
    return names_[static_cast<std::size_t>(button)];
}

QRect MousePicture::buttonArea(int button) const {
    if (button < 0 || button >= kShownButtonCount) return {};
    return parts_[static_cast<std::size_t>(button)].lit.toAlignedRect();
}

void MousePicture::press(int button) {
    if (button >= 0 && button < kShownButtonCount) Q_EMIT buttonClicked(button);
}

QSize MousePicture::sizeHint() const { return picture_->defaultSize(); }

QSize MousePicture::minimumSizeHint() const { return picture_->defaultSize() / 2; }

QRectF MousePicture::toWidget(const QRectF& inPicture) const {
    return {origin_ + inPicture.topLeft() * scale_, inPicture.size() * scale_};
}

int MousePicture::buttonAt(QPointF point) const {
    // Numbers first: they lie outside the mouse. Then the smallest button that holds the point,
    // as the masks of neighbouring buttons never overlap but their bounds may.
    for (int i = 0; i < kShownButtonCount; ++i) {
        const QRectF& badge = parts_[static_cast<std::size_t>(i)].badge;
        const QPointF offset = point - badge.center();
        if (std::hypot(offset.x(), offset.y()) <= badge.width() / 2) return i;
    }
    for (int i = 0; i < kShownButtonCount; ++i) {
        const Part& part = parts_[static_cast<std::size_t>(i)];
        if (!part.button.contains(point) || part.buttonMask.isNull()) continue;
        const QPoint inMask = (point - part.button.topLeft()).toPoint();
        if (part.buttonMask.valid(inMask) && qAlpha(part.buttonMask.pixel(inMask)) > 0) return i;
    }
    return -1;
}

QPointF MousePicture::badgeCentre(int button) const {
    if (button < 0 || button >= kShownButtonCount) return {};
    return parts_[static_cast<std::size_t>(button)].badge.center();
}

void MousePicture::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layOut();
}

void MousePicture::layOut() {
    const QSizeF drawn = picture_->viewBoxF().size();
    if (drawn.isEmpty()) return;
    scale_ = std::min(width() / drawn.width(), height() / drawn.height());
    origin_ = QPointF((width() - drawn.width() * scale_) / 2, (height() - drawn.height() * scale_) / 2);
    for (int i = 0; i < kShownButtonCount; ++i) {
        Part& part = parts_[static_cast<std::size_t>(i)];
        part.button = toWidget(picture_->boundsOnElement(elementId("button", i)));
        part.badge = toWidget(picture_->boundsOnElement(elementId("badge", i)));
        part.leader = toWidget(picture_->boundsOnElement(elementId("leader", i)));
        part.lit = part.button.united(part.badge)
                       .united(part.leader)
                       .adjusted(-kEdgeMargin, -kEdgeMargin, kEdgeMargin, kEdgeMargin);
        QImage mask(part.button.size().toSize().expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
        mask.fill(Qt::transparent);
        QPainter painter(&mask);
        picture_->render(&painter, elementId("button", i), QRectF(QPointF(0, 0), QSizeF(mask.size())));
        painter.end();
        part.buttonMask = mask;
        paintIndicator(i);
    }
}

// The indicator holds the lit button, leader and number, placed so they cover the resting ones.
void MousePicture::paintIndicator(int button) {
    QLabel* indicator = indicators_[static_cast<std::size_t>(button)];
    const Part& part = parts_[static_cast<std::size_t>(button)];
    if (!indicator || part.lit.isEmpty()) return;
    const QRect place = part.lit.toAlignedRect();
    const qreal ratio = devicePixelRatioF();
    QImage lit(place.size() * ratio, QImage::Format_ARGB32_Premultiplied);
    lit.setDevicePixelRatio(ratio);
    lit.fill(Qt::transparent);
    QPainter painter(&lit);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(-QPointF(place.topLeft()));
    paintTinted(painter, *picture_, elementId("button", button), part.button, kLitButtonOpacity);
    paintTinted(painter, *picture_, elementId("leader", button), part.leader, 1.0);
    paintTinted(painter, *picture_, elementId("badge", button), part.badge, 1.0);
    paintNumber(painter, part.badge, button, kLitNumber);
    painter.end();
    indicator->setPixmap(QPixmap::fromImage(lit));
    indicator->setGeometry(place);
}

void MousePicture::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    picture_->render(&painter, QStringLiteral("body"),
                     toWidget(picture_->boundsOnElement(QStringLiteral("body"))));
    for (int i = 0; i < kShownButtonCount; ++i) {
        paintNumber(painter, parts_[static_cast<std::size_t>(i)].badge, i, kRestingNumber);
    }
    // The button the keyboard is on is lit by the page; the frame says the picture has the keys.
    if (hasFocus()) {
        painter.setPen(QPen(kLit, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    }
}

void MousePicture::mouseMoveEvent(QMouseEvent* event) {
    setHovered(buttonAt(event->position()));
    QWidget::mouseMoveEvent(event);
}

void MousePicture::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const int button = buttonAt(event->position());
        if (button >= 0) Q_EMIT buttonClicked(button);
    }
    QWidget::mouseReleaseEvent(event);
}

void MousePicture::leaveEvent(QEvent* event) {
    setHovered(-1);
    QWidget::leaveEvent(event);
}

void MousePicture::setHovered(int button) {
    if (button == hovered_) return;
    hovered_ = button;
    setCursor(button >= 0 ? Qt::PointingHandCursor : Qt::ArrowCursor);
    Q_EMIT buttonHovered(button);
}

void MousePicture::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
        moveKeyboardTo((keyboardButton_ + kShownButtonCount - 1) % kShownButtonCount);
        break;
    case Qt::Key_Right:
    case Qt::Key_Down:
        moveKeyboardTo((keyboardButton_ + 1) % kShownButtonCount);
        break;
    case Qt::Key_Home:
        moveKeyboardTo(0);
        break;
    case Qt::Key_End:
        moveKeyboardTo(kShownButtonCount - 1);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        press(keyboardButton_);
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void MousePicture::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    moveKeyboardTo(keyboardButton_);
}

void MousePicture::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    Q_EMIT keyboardButtonChanged(-1);
}

void MousePicture::moveKeyboardTo(int button) {
    keyboardButton_ = button;
    Q_EMIT keyboardButtonChanged(button);
    QAccessibleEvent moved(this, QAccessible::Focus);
    moved.setChild(button);
    QAccessible::updateAccessibility(&moved);
}

}  // namespace qx4::gui
