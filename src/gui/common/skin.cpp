#include "gui/common/skin.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStyle>
#include <QVariant>
#include <QWidget>

#include "gui/common/resource_manager.h"

namespace qx4::gui {

bool applySkin(QApplication& application) {
    const QString skinFolder = ResourceManager::instance().resourcePath(QStringLiteral("skin"));
    QDir::setSearchPaths(QStringLiteral("skin"), {skinFolder});
    QFile sheet(skinFolder + QStringLiteral("/qx4.qss"));
    if (!sheet.open(QIODevice::ReadOnly | QIODevice::Text)) return false;
    application.setStyleSheet(QString::fromUtf8(sheet.readAll()));
    return true;
}

void setSkinProperty(QWidget* control, const char* name, const QVariant& value) {
    if (control->property(name) == value) return;
    control->setProperty(name, value);
    control->style()->unpolish(control);
    control->style()->polish(control);
}

}  // namespace qx4::gui
