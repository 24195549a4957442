// The control classes the program's layouts name: every page of the page table, and ApplyRing.
#pragma once

#include "gui/common/control_factory.h"

namespace qx4::gui {

ControlFactory programControls();

}  // namespace qx4::gui
