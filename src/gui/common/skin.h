// The program's look: the style sheet res/skin/qx4.qss and the "skin" image search path it uses
// (url(skin:NAME.svg)). Read the sheet's header for the palette and the layout conventions.
#pragma once

class QApplication;
class QVariant;
class QWidget;

namespace qx4::gui {

// Loads the sheet from the resource folder and applies it to the whole program. Returns false
// (and leaves Qt's own look) when the sheet cannot be read.
bool applySkin(QApplication& application);

// Sets a dynamic property the sheet selects on (qx4role and the like). A property changed at run
// time only shows once the control is polished again, which this does when the value changed.
void setSkinProperty(QWidget* control, const char* name, const QVariant& value);

}  // namespace qx4::gui
