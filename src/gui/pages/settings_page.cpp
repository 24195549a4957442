#include "gui/pages/settings_page.h"

#include "gui/pages/page_layout.h"
#include "gui/pages/page_table.h"

namespace qx4::gui {

SettingsPage::SettingsPage(QWidget* parent, const PageKind& kind) : QWidget(parent), kind_(kind) {
    setObjectName(QString::fromLatin1(kind.objectName));
    loadPageLayout(this, QString::fromLatin1(kind.layoutFile));
}

}  // namespace qx4::gui
