#include "gui/pages/effect_preview.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QSvgRenderer>
#include <QTimerEvent>

#include "gui/common/resource_manager.h"

namespace qx4::gui {

namespace {
constexpr int kFrameMilliseconds = 33;
constexpr QSizeF kPictureSize{300.0, 200.0};  // the picture's own units, those of lightAt
constexpr int kPictureMargin = 6;
constexpr qreal kCardCornerRadius = 8.0;
const QColor kCardColor(0x15, 0x18, 0x1D);

// A layer of `size` in the widget's units, in as many pixels as the screen shows there, so that
// a scaled screen gets a sharp picture rather than a stretched one.
QImage renderLayer(QSvgRenderer& picture, const char* id, QSize size, qreal pixelRatio) {
    QImage image(size * pixelRatio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(pixelRatio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    picture.render(&painter, QString::fromLatin1(id), QRectF(QPointF(0, 0), QSizeF(size)));
    return image;
}
}  // namespace

EffectPreview::EffectPreview(QWidget* parent)
    : QWidget(parent),
      picture_(new QSvgRenderer(ResourceManager::instance().resourcePath(QStringLiteral("skin/pages/light-preview.svg")),
                                this)) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    clock_.start();
}

QSize EffectPreview::sizeHint() const { return kPictureSize.toSize(); }
QSize EffectPreview::minimumSizeHint() const { return (kPictureSize / 2).toSize(); }

void EffectPreview::setEffect(const LightEffect& effect) {
    if (effect == effect_) return;
    effect_ = effect;
    update();
    updateAnimation();
}

// Frames only while they can be seen: shown, in a window that is not minimised, and moving.
void EffectPreview::updateAnimation() {
    const bool minimised = watchedWindow_ && watchedWindow_->isMinimized();
    if (isVisible() && !minimised && effectMoves(effect_.mode)) {
        if (!frameTimer_.isActive()) frameTimer_.start(kFrameMilliseconds, this);
    } else {
        frameTimer_.stop();
    }
}

void EffectPreview::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (window() != watchedWindow_) {
        if (watchedWindow_) watchedWindow_->removeEventFilter(this);
        watchedWindow_ = window();
        watchedWindow_->installEventFilter(this);
    }
    updateAnimation();
}

void EffectPreview::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    frameTimer_.stop();
}

bool EffectPreview::eventFilter(QObject* watched, QEvent* event) {
    if (watched == watchedWindow_ && event->type() == QEvent::WindowStateChange) updateAnimation();
    return QWidget::eventFilter(watched, event);
}

void EffectPreview::timerEvent(QTimerEvent* event) {
    if (event->timerId() == frameTimer_.timerId()) {
        update();
        return;
    }
    QWidget::timerEvent(event);
}

void EffectPreview::mousePressEvent(QMouseEvent* event) {
    lastClick_ = static_cast<double>(clock_.elapsed()) / 1000.0;
    update();
    QWidget::mousePressEvent(event);
}

// The largest picture of its own proportions that fits, centred.
QRect EffectPreview::pictureRect() const {
    const QRect room = rect().adjusted(kPictureMargin, kPictureMargin, -kPictureMargin, -kPictureMargin);
    const QSize size = kPictureSize.scaled(QSizeF(room.size()), Qt::KeepAspectRatio).toSize();
    return {room.center().x() - size.width() / 2 + 1, room.center().y() - size.height() / 2 + 1, size.width(),
            size.height()};
}

void EffectPreview::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    rebuildLayers();
}

void EffectPreview::rebuildLayers() {
    const QSize size = pictureRect().size();
    if (size.isEmpty() || !picture_->isValid()) return;
    const qreal ratio = devicePixelRatioF();
    body_ = QPixmap::fromImage(renderLayer(*picture_, "body", size, ratio));
    // The masks are only their alpha, at a quarter of the memory.
    haloMask_ = renderLayer(*picture_, "halo", size, ratio).convertToFormat(QImage::Format_Alpha8);
    lightMask_ = renderLayer(*picture_, "light", size, ratio).convertToFormat(QImage::Format_Alpha8);
    lightLayer_ = QImage(size * ratio, QImage::Format_ARGB32_Premultiplied);
    lightLayer_.setDevicePixelRatio(ratio);
}

void EffectPreview::paintLightThrough(QPainter& painter, const QImage& mask, const QBrush& light) {
    lightLayer_.fill(Qt::transparent);
    QPainter layer(&lightLayer_);
    const QSizeF size = lightLayer_.deviceIndependentSize();
    layer.scale(size.width() / kPictureSize.width(), size.height() / kPictureSize.height());
    layer.fillRect(QRectF(QPointF(0, 0), kPictureSize), light);
    layer.resetTransform();
    layer.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    layer.drawImage(0, 0, mask);
    layer.end();
    painter.drawImage(0, 0, lightLayer_);
}

void EffectPreview::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath card;
    card.addRoundedRect(QRectF(rect()), kCardCornerRadius, kCardCornerRadius);
    painter.fillPath(card, kCardColor);
    // The window went to a screen of another scale.
    if (!body_.isNull() && body_.devicePixelRatio() != devicePixelRatioF()) rebuildLayers();
    if (body_.isNull()) return;

    const QBrush light = lightAt(effect_, static_cast<double>(clock_.elapsed()) / 1000.0, lastClick_);
    painter.translate(pictureRect().topLeft());
    const bool lit = light.style() != Qt::NoBrush;
    if (lit) paintLightThrough(painter, haloMask_, light);
    painter.drawPixmap(0, 0, body_);
    if (lit) paintLightThrough(painter, lightMask_, light);
}

}  // namespace qx4::gui
