// The macro editor page ("WirelessMacro", "wireless_macro_tab"). Empty for now.
#pragma once

#include "gui/pages/settings_page.h"

namespace qx4::gui {

class CWirelessMacroUI : public SettingsPage {
    Q_OBJECT
public:
    using SettingsPage::SettingsPage;

    void refreshFromRecord() override {}
};

}  // namespace qx4::gui
