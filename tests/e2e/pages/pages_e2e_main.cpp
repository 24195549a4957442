// The program's window runs in this process on the offscreen platform, with its layouts, texts
// and skin from the build's bin folder and its plug-ins from QX4_PLUGIN_DIR.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>

#include "gui/app/resource_manager.h"
#include "gui/app/skin.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    auto& resources = qx4::gui::ResourceManager::instance();
    resources.setResourceDirectory(QDir(QStringLiteral(QX4_BIN_DIR "/res")));
    if (!resources.loadLanguage()) return 2;
    qx4::gui::applySkin(application);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
