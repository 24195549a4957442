// The settings pages, one row each. The row is all the program knows of a page: the wireless page
// makes its tab button and the page itself from it (through the control factory, so that a test
// may stand in for a page by its class name), in this order, which is also the order of
// "wireless_tab_switch"'s items. Adding a page means: its layout file, its texts, its class, one
// row here, its tests.
#pragma once

#include <span>

#include "gui/common/page_kind.h"

namespace qx4::gui {

std::span<const PageKind> pageTable();
// The row of a class name (compared ignoring case), or nullptr.
const PageKind* findPageKind(const char* className);

}  // namespace qx4::gui
