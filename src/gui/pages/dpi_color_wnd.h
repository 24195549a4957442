// The small modal colour picker of a DPI level: a palette, sixteen presets and red/green/blue edits
// around a preview. The caller sets the level's colour and where the dialog goes, runs exec(), and
// reads color() only when exec() returned 1 (confirmed); 0 means cancelled.
#pragma once

#include <QDialog>
#include <QPoint>
#include <QRgb>

#include <array>

class QLineEdit;
class QPushButton;

namespace qx4::gui {

class ColorPalette;

class CDpiColorWnd final : public QDialog {
    Q_OBJECT
public:
    static constexpr int kWidth = 250;
    static constexpr int kHeight = 200;

    explicit CDpiColorWnd(QWidget* parent = nullptr);

    void setColor(QRgb color) { color_ = color; }
    QRgb color() const { return color_; }
    // Top-left corner on the screen; the dialog always opens kWidth x kHeight there.
    void setPosition(const QPoint& topLeft) { position_ = topLeft; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void findControls();
    void showColor(QRgb color);
    void writeComponents(QRgb color);
    void onPaletteColor(QRgb color);
    void onComponentEdited(QLineEdit* edit);

    QRgb color_ = 0xFF000000;
    QPoint position_;
    ColorPalette* palette_ = nullptr;
    QWidget* preview_ = nullptr;
    QLineEdit* redEdit_ = nullptr;
    QLineEdit* greenEdit_ = nullptr;
    QLineEdit* blueEdit_ = nullptr;
    std::array<QPushButton*, 16> presets_{};
};

}  // namespace qx4::gui
