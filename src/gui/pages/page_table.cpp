#include "gui/pages/page_table.h"

#include <QString>

#include <array>

#include "gui/macro/wireless_macro_ui.h"
#include "gui/pages/wireless_button_ui.h"
#include "gui/pages/wireless_dpi_ui.h"
#include "gui/pages/page_layout.h"
#include "gui/pages/wireless_light_ui.h"

namespace qx4::gui {

namespace {
template <typename Page>
SettingsPage* create(QWidget* parent, const PageKind& kind) {
    return new Page(parent, kind);
}

constexpr std::array kLightSections{Section::light};
constexpr std::array kButtonSections{Section::buttons};  // macros reach the mouse inside their buttons
constexpr std::array kDpiSections{Section::dpi, Section::polling};

// Lighting first: the tab layout's items are lighting, buttons, DPI, macros.
constexpr std::array kPages{
    PageKind{"WirelessLight", "wireless_light_tab", "wireless_light_btn", "tab_light_text",
             "wirelesslightpage.xml", 2, kLightSections, &create<CWirelessLightUI>, &createPageControl},
    PageKind{"WirelessButton", "wireless_button_tab", "wireless_button_btn", "tab_button_text",
             "wirelessbuttonpage.xml", 0, kButtonSections, &create<CWirelessButtonUI>, &createPageControl},
    PageKind{"WirelessDPI", "wireless_dpi_tab", "wireless_dpi_setting_btn", "tab_dpi_text",
             "wirelessdpipage.xml", 1, kDpiSections, &create<CWirelessDPIUI>, &createPageControl},
    PageKind{"WirelessMacro", "wireless_macro_tab", "wireless_macro_btn", "tab_macro_text",
             "wirelessmacropage.xml", 3, {}, &create<CWirelessMacroUI>, &createPageControl},
};
}  // namespace

std::span<const PageKind> pageTable() { return kPages; }

const PageKind* findPageKind(const char* className) {
    const QString wanted = QString::fromLatin1(className);
    for (const PageKind& kind : kPages) {
        if (wanted.compare(QLatin1String(kind.className), Qt::CaseInsensitive) == 0) return &kind;
    }
    return nullptr;
}

}  // namespace qx4::gui
