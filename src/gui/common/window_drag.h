// Frameless windows are moved by dragging a part of their own (the title bar, a dialog's body).
#pragma once

class QWidget;

namespace qx4::gui {

// Dragging `handle` with the left button moves the window it belongs to. The window manager
// moves it where it can; elsewhere the window follows the pointer.
void makeWindowDraggable(QWidget* handle);

}  // namespace qx4::gui
