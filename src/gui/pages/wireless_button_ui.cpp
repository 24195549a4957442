#include "gui/pages/wireless_button_ui.h"

namespace qx4::gui {

CWirelessButtonUI::CWirelessButtonUI(QWidget* parent) : SettingsPage(parent) {}

void CWirelessButtonUI::refreshFromRecord() {}

int CWirelessButtonUI::editedButton() const { return -1; }

void CWirelessButtonUI::captureKey(std::uintptr_t) {}

void CWirelessButtonUI::buttonClicked(int) {}

void CWirelessButtonUI::closeEditor() {}

}  // namespace qx4::gui
