// The macro editor page ("WirelessMacro" in the main layout, "wireless_macro_tab"). It is an
// empty container for now that never holds unsaved changes; what the main window and the
// wireless page ask of it is declared here so they can route to it already.
#pragma once

#include <cstdint>

#include "gui/pages/settings_page.h"

namespace qx4::gui {

class CWirelessMacroUI : public SettingsPage {
    Q_OBJECT
public:
    explicit CWirelessMacroUI(QWidget* parent = nullptr);

    void refreshFromRecord() override;
    // Whether the macro being edited differs from the stored one.
    virtual bool hasUnsavedChanges() const;
    // Asks the user about the unsaved changes ("save_macro_text").
    virtual void runSaveWarning();
    // Captured input while a macro is being recorded (as UM_HOOK_INPUT carries it).
    virtual void recordInput(std::uintptr_t wParam, std::intptr_t lParam);
    // A key captured for the step editor (Windows virtual-key code).
    virtual void captureStepKey(std::uintptr_t virtualKey);
};

}  // namespace qx4::gui
