// The button assignment page ("WirelessButton", "wireless_button_tab"). Empty for now.
#pragma once

#include "gui/pages/settings_page.h"

namespace qx4::gui {

class CWirelessButtonUI : public SettingsPage {
    Q_OBJECT
public:
    using SettingsPage::SettingsPage;

    void refreshFromRecord() override {}
};

}  // namespace qx4::gui
