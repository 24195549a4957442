#include "gui/app/control_factory.h"

#include "gui/app/apply_ring.h"
#include "gui/macro/wireless_macro_ui.h"
#include "gui/pages/wireless_button_ui.h"
#include "gui/pages/wireless_dpi_ui.h"
#include "gui/pages/wireless_light_ui.h"

namespace qx4::gui {

namespace {
template <typename Control>
ControlFactory::Creator creatorOf() {
    return [](QWidget* parent) -> QWidget* { return new Control(parent); };
}
}  // namespace

ControlFactory ControlFactory::programControls() {
    ControlFactory factory;
    factory.registerClass(QStringLiteral("WirelessButton"), creatorOf<CWirelessButtonUI>());
    factory.registerClass(QStringLiteral("WirelessLight"), creatorOf<CWirelessLightUI>());
    factory.registerClass(QStringLiteral("WirelessDPI"), creatorOf<CWirelessDPIUI>());
    factory.registerClass(QStringLiteral("WirelessMacro"), creatorOf<CWirelessMacroUI>());
    factory.registerClass(QStringLiteral("ApplyRing"), creatorOf<ApplyRing>());
    return factory;
}

void ControlFactory::registerClass(const QString& className, Creator creator) {
    creators_.insert(className.toLower(), std::move(creator));
}

QWidget* ControlFactory::create(const QString& className, QWidget* parent) const {
    const auto found = creators_.constFind(className.toLower());
    return found == creators_.constEnd() ? nullptr : (*found)(parent);
}

}  // namespace qx4::gui
