// The button page's picture: the mouse from above with every button numbered beside it, so that a
// row's number leads to the physical button. Each button has an indicator (a child the page shows
// and hides) that the picture lays over the button, its leader and its number, drawn lit. Pointing
// at a button or its number reports it; a click on it reports it too. From the keyboard the arrows
// move from button to button in the order of their numbers and Enter or Space reports the button
// as a click would; a screen reader reads each button by the name the page gives it.
#pragma once

#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QWidget>

#include <array>

#include "core/config/device_config.h"

class QLabel;
class QSvgRenderer;

namespace qx4::gui {

class MousePicture final : public QWidget {
    Q_OBJECT
public:
    explicit MousePicture(QWidget* parent = nullptr);

    // The control that lights button `button` (0-11); the picture sizes, places and paints it.
    void setIndicator(int button, QLabel* indicator);
    // The button drawn at a point of the widget, -1 for none.
    int buttonAt(QPointF point) const;
    // Where the button's number is drawn, in widget coordinates.
    QPointF badgeCentre(int button) const;
    // The button with its number, place and function, as a tool tip and a screen reader say it.
    void setButtonName(int button, const QString& name);
    QString buttonName(int button) const;
    // Where the button is drawn lit, in widget coordinates.
    QRect buttonArea(int button) const;
    // The button the keyboard is on (it stays when the picture loses the focus).
    int keyboardButton() const { return keyboardButton_; }
    // Reports the button as a click on it does.
    void press(int button);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    // The pointer moved onto another button (-1: onto none).
    void buttonHovered(int button);
    void buttonClicked(int button);
    // The keyboard moved onto another button while the picture has the focus; -1: the focus left.
    void keyboardButtonChanged(int button);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // One button's parts in widget coordinates, and its outline as a mask for hit tests.
    struct Part {
        QRectF button;
        QRectF leader;
        QRectF badge;
        QRectF lit;  // button, leader and badge together: the indicator's place
        QImage buttonMask;
    };

    QRectF toWidget(const QRectF& inPicture) const;
    void layOut();
    void paintIndicator(int button);
    void setHovered(int button);
    void moveKeyboardTo(int button);

    QSvgRenderer* picture_;
    std::array<Part, kShownButtonCount> parts_{};
    std::array<QLabel*, kShownButtonCount> indicators_{};
    std::array<QString, kShownButtonCount> names_{};
    double scale_ = 1.0;
    QPointF origin_;
    int hovered_ = -1;
    int keyboardButton_ = 0;
};

}  // namespace qx4::gui
