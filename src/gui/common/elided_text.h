// A text that may be longer than its control has room for (a function or macro name, a key's
// name): the control shows it cut at the end with "…" and holds the whole text in its tool tip,
// and cuts it again whenever its size, font or look changes.
#pragma once

class QComboBox;
class QLabel;
class QPushButton;
class QString;

namespace qx4::gui {

void showElided(QLabel* label, const QString& text);

// A tool tip that shows `text` as it is: Qt takes a tool tip that looks like markup as markup,
// and names (macros, applications) come from the user and other programs.
QString plainToolTip(const QString& text);
void showElided(QPushButton* button, const QString& text);

// From now on the combo box shows whichever item is current that way; its own tool tip shows
// while the current item fits.
void elideCurrentItem(QComboBox* combo);

}  // namespace qx4::gui
