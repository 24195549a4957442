// Loads one of the pages' own layouts into its host with the controls only these layouts use
// (the colour editor, the lighting preview, the button page's picture of the mouse) available to
// the layout by class name.
#pragma once

#include <QString>

class QWidget;

namespace qx4::gui {

// The layout's root, or nullptr (host left empty) when the file is missing or malformed.
QWidget* loadPageLayout(QWidget* host, const QString& layoutFileName);

}  // namespace qx4::gui
