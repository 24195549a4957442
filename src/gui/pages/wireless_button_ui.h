// The button assignment page ("WirelessButton" in the main layout, "wireless_button_tab").
// It is an empty container for now; what the main window and the wireless page ask of it is
// declared here so they can route to it already.
#pragma once

#include <cstdint>

#include "gui/pages/settings_page.h"

namespace qx4::gui {

class CWirelessButtonUI : public SettingsPage {
    Q_OBJECT
public:
    explicit CWirelessButtonUI(QWidget* parent = nullptr);

    void refreshFromRecord() override;
    // The button (0-11) whose editor is open, -1 while none is.
    virtual int editedButton() const;
    // A key captured for the open editor (Windows virtual-key code).
    virtual void captureKey(std::uintptr_t virtualKey);
    // UM_BUTTON_CLICKED came back to the page for button `index` (0-11).
    virtual void buttonClicked(int index);
    // Drops an edit in progress (after a reset of the profile).
    virtual void closeEditor();
};

}  // namespace qx4::gui
