#include "gui/macro/wireless_macro_ui.h"

namespace qx4::gui {

CWirelessMacroUI::CWirelessMacroUI(QWidget* parent) : SettingsPage(parent) {}

void CWirelessMacroUI::refreshFromRecord() {}

bool CWirelessMacroUI::hasUnsavedChanges() const { return false; }

void CWirelessMacroUI::runSaveWarning() {}

void CWirelessMacroUI::recordInput(std::uintptr_t, std::intptr_t) {}

void CWirelessMacroUI::captureStepKey(std::uintptr_t) {}

}  // namespace qx4::gui
