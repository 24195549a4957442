// What the program knows of a settings page: one row of the page table (pages/page_table.h).
// The page base builds a page from it without knowing the page's class.
#pragma once

#include <span>

#include "core/device/apply_plan.h"

class QString;
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
    // The program's own controls its layout names by class (nullptr for Qt's).
    QWidget* (*createControl)(const QString& className, QWidget* parent);
};

}  // namespace qx4::gui
