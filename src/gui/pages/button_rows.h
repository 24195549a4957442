// The button page's twelve rows and its picture of the mouse, kept in step. A row carries the
// number written beside its button on the picture. A button lights (its indicator shows, its
// row's number turns orange) while it is held, that is while its editor is open or its warning
// shows, and otherwise while the pointer is on its row or on it in the picture, or while its row
// has the focus from the keyboard, or the picture has it with the keyboard on that button. The
// arrow keys move from row to row and stay in the list at its ends; Enter or Space
// on a row, like a click, chooses it. Choosing a row, or a button on the picture, is reported
// once; what the page itself selects or unselects reports nothing.
#pragma once

#include <QObject>
#include <QString>

#include <array>

#include "core/config/device_config.h"
#include "core/vocab/display_text.h"

class QLabel;
class QPushButton;
class QWidget;

namespace qx4::gui {

class MousePicture;

// Where button 0-11 sits on the mouse, in words.
QString buttonPlace(int button);

class ButtonRows final : public QObject {
    Q_OBJECT
public:
    // Finds the rows, the indicators and the picture under `page`. The page owns this object as a
    // member, not as a child: it must go before the rows it watches, which get Enter and Leave
    // events while they are deleted.
    explicit ButtonRows(QWidget* page);

    // The row shows the label, cut at its end when it does not fit, and whole in its tool tip.
    void setLabel(int button, const DisplayText& label);
    // Selects and lights the button; with onlyThis the other rows are disabled.
    void hold(int button, bool onlyThis);
    // No row selected or held, all enabled.
    void release();
    // The row gets the focus, as the keyboard had left it there.
    void focusRow(int button);
    // The page was left: nothing is pointed at any more.
    void forgetPointer();

Q_SIGNALS:
    void chosen(int button);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Row {
        QPushButton* button = nullptr;
        QLabel* number = nullptr;
        QLabel* indicator = nullptr;
    };

    void onToggled(int button, bool checked);
    void onPictureClicked(int button);
    void onPictureHovered(int button);
    void onPictureKeyboard(int button);
    void setChecked(int button, bool checked);
    void focusNeighbour(int button, int step);
    void updateLights();

    std::array<Row, kShownButtonCount> rows_{};
    MousePicture* picture_ = nullptr;
    int held_ = -1;
    bool holdsAlone_ = false;
    int hoveredRow_ = -1;
    int hoveredPicture_ = -1;
    int keyboardRow_ = -1;  // the button the keyboard is on, in the rows or the picture
};

}  // namespace qx4::gui
