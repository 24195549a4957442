// The keyboard's way through a window. Qt's Tab order is the order the widgets were made in, so
// widgets made after a window's layout (the pages, their tab buttons) would come last.
#pragma once

#include <span>
#include <vector>

class QButtonGroup;
class QWidget;

namespace qx4::gui {

// The widgets under root that Tab stops at, in the window's present order.
std::vector<QWidget*> tabStopsUnder(QWidget* root);

// Tab goes from each widget to the next one in `stops`.
void chainTabStops(std::span<QWidget* const> stops);

// Tab reaches an exclusive group at its chosen button, as it reaches radio buttons, however the
// choice was made (a click, the arrows, a page showing the record); the arrows move in the group.
void keepTabOnChosen(QButtonGroup* group);

// Rows of like controls side by side in columns (the DPI page's levels): each row is one Tab stop,
// in the column the keyboard was in last, so Tab goes down a column; Left and Right move along a
// row and stay in it at its ends (in a text field once the cursor is at that end). Call before
// the window chains its Tab stops; each row lists one control per column. Its members carry the
// property "qx4rowmember".
void makeRowsOneTabStopEach(QObject* owner, std::vector<std::vector<QWidget*>> rows);

}  // namespace qx4::gui
