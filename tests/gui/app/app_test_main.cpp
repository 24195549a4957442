// Application tests run real windows on the offscreen platform with the program's layouts, texts
// and skin.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLoggingCategory>

#include "gui/app/resource_manager.h"
#include "gui/app/skin.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The offscreen platform has no tray; Qt says so on every tray icon made.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.core.qobject.connect=false"));
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    auto& resources = qx4::gui::ResourceManager::instance();
    resources.setResourceDirectory(QDir(QStringLiteral(QX4_BIN_DIR "/res")));
    if (!resources.loadLanguage()) return 2;
    qx4::gui::applySkin(application);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
