// The controls only the pages' own layouts use (the colour editor, the lighting preview, the
// button page's picture of the mouse), by the class names those layouts give them.
#pragma once

#include <QString>

class QWidget;

namespace qx4::gui {

// nullptr for a class that is not one of them, so that Qt builds its own.
QWidget* createPageControl(const QString& className, QWidget* parent);

// Loads one of the pages' layouts into its host with those controls; the layout's root, or
// nullptr (host left empty) when the file is missing or malformed.
QWidget* loadPageLayout(QWidget* host, const QString& layoutFileName);

}  // namespace qx4::gui
