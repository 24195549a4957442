#include "gui/app/skin.h"

#include <QApplication>
#include <QDir>
#include <QFile>

#include "gui/app/resource_manager.h"

namespace qx4::gui {

bool applySkin(QApplication& application) {
    const QString skinFolder = ResourceManager::instance().resourcePath(QStringLiteral("skin"));
    QDir::setSearchPaths(QStringLiteral("skin"), {skinFolder});
    QFile sheet(skinFolder + QStringLiteral("/qx4.qss"));
    if (!sheet.open(QIODevice::ReadOnly | QIODevice::Text)) return false;
    application.setStyleSheet(QString::fromUtf8(sheet.readAll()));
    return true;
}

}  // namespace qx4::gui
