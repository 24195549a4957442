#include "gui/common/settings_page.h"

#include "gui/common/layout_loader.h"
#include "gui/common/page_kind.h"

namespace qx4::gui {

SettingsPage::SettingsPage(QWidget* parent, const PageKind& kind) : QWidget(parent), kind_(kind) {
    setObjectName(QString::fromLatin1(kind.objectName));
    loadLayoutInto(this, QString::fromLatin1(kind.layoutFile), kind.createControl);
}

}  // namespace qx4::gui
