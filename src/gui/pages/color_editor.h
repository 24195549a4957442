// The one colour editor of the program: a palette (saturation/value field over a hue strip), the
// sixteen preset swatches, red/green/blue edits and a preview of the colour. Dragging in the
// palette previews a colour; releasing it, clicking a preset or typing a component chooses one.
// setColor shows a colour without reporting it. Callers decide what choosing means: the DPI colour
// dialog keeps the colour until it is confirmed, the lighting page stores it at once.
#pragma once

#include <QRgb>
#include <QWidget>

#include <array>

class QLineEdit;
class QPushButton;

namespace qx4::gui {

class ColorPalette;

class ColorEditor final : public QWidget {
    Q_OBJECT
public:
    explicit ColorEditor(QWidget* parent = nullptr);

    void setColor(QRgb color);
    QRgb color() const { return color_; }

Q_SIGNALS:
    void colorPreviewed(QRgb color);
    void colorChosen(QRgb color);

private:
    void buildControls();
    void showComponents(QRgb color);
    void onPaletteMoved(QRgb color, bool released);
    void onPresetClicked(std::size_t preset);
    void onComponentEdited(std::size_t channel);

    QRgb color_ = 0xFF000000;
    ColorPalette* palette_ = nullptr;
    QWidget* preview_ = nullptr;
    std::array<QLineEdit*, 3> components_{};
    std::array<QPushButton*, 16> presets_{};
};

}  // namespace qx4::gui
