// A colour picker drawn by hand: a saturation/value field for the current hue above a hue strip.
// Dragging in either part reports colorChanged for every move and colorChangedButtonUp once when
// the button is released, so a caller can preview while dragging and store on release.
// setSelectColor never reports; it shows the colour and keeps it exactly as given. From the
// keyboard the arrows move the ring (left/right saturation, up/down brightness) and Page Up/Down
// the hue: a key held previews, its release chooses, as a drag does.
#pragma once

#include <QImage>
#include <QRgb>
#include <QWidget>

namespace qx4::gui {

class ColorPalette final : public QWidget {
    Q_OBJECT
public:
    explicit ColorPalette(QWidget* parent = nullptr);

    void setSelectColor(QRgb color);
    QRgb selectColor() const { return selected_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    void colorChanged(QRgb color);
    void colorChangedButtonUp(QRgb color);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    enum class DragPart { none, field, hueStrip };

    QRect fieldRect() const;
    QRect hueRect() const;
    void pickAt(const QPoint& position);
    void showPicked();
    void rebuildFieldImage();
    void rebuildHueImage();

    QRgb selected_ = 0xFF000000;
    double hue_ = 0.0;         // 0-1; kept while the colour is a grey so the field does not jump
    double saturation_ = 0.0;  // 0-1
    double value_ = 0.0;       // 0-1
    DragPart drag_ = DragPart::none;
    bool keyMoved_ = false;  // a key moved a marker; its release chooses
    QImage fieldImage_;
    QImage hueImage_;
};

}  // namespace qx4::gui
