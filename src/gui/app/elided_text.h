// A text that may be longer than its control has room for (a function or macro name, a key's
// name): the control shows it cut at the end with "…" and holds the whole text in its tool tip,
// and cuts it again whenever its size, font or look changes.
#pragma once

class QLabel;
class QPushButton;
class QString;

namespace qx4::gui {

void showElided(QLabel* label, const QString& text);
void showElided(QPushButton* button, const QString& text);

}  // namespace qx4::gui
