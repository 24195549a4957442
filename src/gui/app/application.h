// The program from start to end: command line, single instance, Qt, the main window and its
// visibility at start, the message loop, and the shutdown in its order.
#pragma once

namespace qx4::gui {

// Exit code: 0, or 1 when another copy is running (it was asked to show its window), or 2 when
// the single-instance lock could not be set up.
int runApplication(int argc, char** argv);

}  // namespace qx4::gui
