#include "gui/follow/wireless_profile_target.h"

#include "core/device/reports.h"
#include "core/window_messages.h"
#include "gui/app/battery_warnings.h"
#include "gui/app/window_message.h"
#include "gui/pages/wireless_page.h"

namespace qx4::gui {

WirelessProfileTarget::WirelessProfileTarget(CWirelessPage& page, QObject* popupWindow, QObject* parent)
    : ProfileTarget(parent), page_(page), popupWindow_(popupWindow) {
    connect(&page_, &CWirelessPage::profileChosen, this, [this] {
        if (!selectingByRule_) Q_EMIT choseByHand();
        Q_EMIT stateChanged();
    });
    connect(&page_, &CWirelessPage::applyTicketEnded, this, &ProfileTarget::applyEnded);
    connect(&page_, &CWirelessPage::powerStateChanged, this, &ProfileTarget::stateChanged);
    connect(&page_, &CWirelessPage::dpiLevelReported, this, &ProfileTarget::stateChanged);
}

int WirelessProfileTarget::activeProfile() const { return activeProfileIndex(page_.record()); }

void WirelessProfileTarget::selectProfile(int profile, Cause cause) {
    selectingByRule_ = cause == Cause::rule;
    page_.selectProfileWithNotification(profile);
    selectingByRule_ = false;
    if (cause == Cause::rule) postWindowMessage(popupWindow_, UM_PROFILE_CHANGED, 0, profile);
}

bool WirelessProfileTarget::applyRunning() const { return page_.applying(); }

void WirelessProfileTarget::requestApply() { page_.requestApply(false); }

DeviceState WirelessProfileTarget::deviceState() const {
    const PowerReading power = powerReading(page_.presence());
    const int active = activeProfileIndex(page_.record());
    const int dpiLevel = page_.record().profiles[static_cast<std::size_t>(active)].dpiLevel;
    return {power.connected, power.level * 10, power.charging, power.asleep, active + 1, dpiLevel + 1};
}

}  // namespace qx4::gui
