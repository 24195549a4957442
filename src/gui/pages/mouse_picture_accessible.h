// What a screen reader sees of the mouse picture: a list of its twelve buttons, each named as the
// page names it, the one the keyboard is on holding the focus; pressing one is a click on it.
#pragma once

namespace qx4::gui {

// Lets Qt's accessibility find the picture's interface; the first picture installs it.
void installMousePictureAccessible();

}  // namespace qx4::gui
