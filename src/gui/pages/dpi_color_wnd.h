// The small modal colour picker of a DPI level: the colour editor with OK and Cancel. The caller
// sets the level's colour and where the dialog goes, runs exec(), and reads color() only when
// exec() returned 1 (confirmed); 0 means cancelled.
#pragma once

#include <QDialog>
#include <QPoint>
#include <QRgb>

namespace qx4::gui {

class ColorEditor;

class CDpiColorWnd final : public QDialog {
    Q_OBJECT
public:
    static constexpr int kWidth = 250;
    static constexpr int kHeight = 200;

    explicit CDpiColorWnd(QWidget* parent = nullptr);

    void setColor(QRgb color);
    QRgb color() const;
    // Top-left corner on the screen; the dialog always opens kWidth x kHeight there.
    void setPosition(const QPoint& topLeft) { position_ = topLeft; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QPoint position_;
    ColorEditor* editor_ = nullptr;
};

}  // namespace qx4::gui
