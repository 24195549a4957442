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

}  // namespace qx4::gui
