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

// What its controls are called where it is used; preset k (1-16) is presetPrefix followed by k.
struct ColorEditorNames {
    const char* palette;
    const char* preview;
    std::array<const char*, 3> components;  // red, green, blue
    const char* presetPrefix;
};

// The DPI colour dialog's and the lighting page's names for the same controls.
inline constexpr ColorEditorNames kDpiDialogColorNames{
    "ColorPallet", "color_show_control", {"r_edit", "g_edit", "b_edit"}, "mouse_dpi_color_"};
inline constexpr ColorEditorNames kLightPageColorNames{
    "wireless_light_color_pallet", "wireless_color_preview",
    {"wireless_r_edit", "wireless_g_edit", "wireless_b_edit"}, "wireless_color_btn"};

class ColorEditor final : public QWidget {
    Q_OBJECT
public:
    explicit ColorEditor(QWidget* parent = nullptr);

    void setControlNames(const ColorEditorNames& names);
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
