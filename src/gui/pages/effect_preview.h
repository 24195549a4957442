// The lighting page's preview: the mouse seen from above with its lights playing the chosen
// effect. Frames are drawn on a timer only while the preview can be seen and the effect moves,
// so a hidden page or a window in the tray costs no wake-ups. A click lights up the reactive
// effect, as a click on the mouse would.
#pragma once

#include <QBasicTimer>
#include <QElapsedTimer>
#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include "gui/pages/light_effects.h"

class QSvgRenderer;

namespace qx4::gui {

class EffectPreview final : public QWidget {
    Q_OBJECT
public:
    explicit EffectPreview(QWidget* parent = nullptr);

    void setEffect(const LightEffect& effect);
    const LightEffect& effect() const { return effect_; }
    bool isAnimating() const { return frameTimer_.isActive(); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateAnimation();
    void rebuildLayers();
    QRect pictureRect() const;
    void paintLightThrough(QPainter& painter, const QImage& mask, const QBrush& light);

    LightEffect effect_;
    QSvgRenderer* picture_ = nullptr;
    QPixmap body_;
    QImage haloMask_;
    QImage lightMask_;
    QImage lightLayer_;
    QBasicTimer frameTimer_;
    QElapsedTimer clock_;
    double lastClick_ = -1.0;
    QPointer<QWidget> watchedWindow_;
};

}  // namespace qx4::gui
