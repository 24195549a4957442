// Shared set-up of the program's small frameless windows whose look comes from a layout file
// (the message box, the about box, the DPI popup).
#pragma once

#include <QRect>
#include <QString>

class QWidget;

namespace qx4::gui {

// Loads `layoutFileName` into `window`, gives the window the size the layout's root was drawn
// at, and lets the user drag the window by its body. Returns the root, or nullptr when the
// layout cannot be built (the window then stays empty at `fallbackWidth` x `fallbackHeight`).
QWidget* buildWindowFromLayout(QWidget* window, const QString& layoutFileName, int fallbackWidth,
                               int fallbackHeight);

// Where a dialog goes: centred on its parent while the parent is on screen, else on the screen.
QRect centredGeometry(const QWidget* window, const QWidget* parent);

}  // namespace qx4::gui
