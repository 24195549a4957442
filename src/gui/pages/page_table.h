// The settings pages, one row each. The row is all the program knows of a page: the wireless page
// makes its tab button and the page itself from it (through the control factory, so that a test
// may stand in for a page by its class name), in this order, which is also the order of
// "wireless_tab_switch"'s items. Adding a page means: its layout file, its texts, its class, one
// row here, its tests.
#pragma once

#include <span>

#include "core/device/apply_plan.h"

class QWidget;

namespace qx4::gui {

class SettingsPage;

struct PageKind {
    const char* className;    // the layout class that names it, e.g. "WirelessDPI"
    const char* objectName;   // e.g. "wireless_dpi_tab"
    const char* tabButton;    // its tab button, e.g. "wireless_dpi_setting_btn"
    const char* tabTextKey;   // the tab button's language key
    const char* layoutFile;   // the page's own layout in res/
    int tabPosition;          // place of the tab button in the tab bar, from the left
    std::span<const Section> sections;  // what it edits: its tab is marked while any is not on the mouse
    SettingsPage* (*create)(QWidget* parent, const PageKind& kind);
};

std::span<const PageKind> pageTable();
// The row of a class name (compared ignoring case), or nullptr.
const PageKind* findPageKind(const char* className);

}  // namespace qx4::gui
