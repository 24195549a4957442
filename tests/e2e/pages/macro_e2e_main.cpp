// The recording test needs a real X server for the hook to hear the desktop: a private Xvfb when
// it is installed, else the offscreen platform, where the test skips itself.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>

#include <optional>

#include "gui/app/resource_manager.h"
#include "gui/app/skin.h"
#include "tests/support/x_session.h"

int main(int argc, char** argv) {
    std::optional<qx4::test::XServer> server;
    if (qx4::test::XServer::installed()) server.emplace();
    qputenv("QT_QPA_PLATFORM", server ? "xcb" : "offscreen");
    int status = 2;
    {
        QApplication application(argc, argv);
        auto& resources = qx4::gui::ResourceManager::instance();
        resources.setResourceDirectory(QDir(QStringLiteral(QX4_BIN_DIR "/res")));
        if (!resources.loadLanguage()) return 2;
        qx4::gui::applySkin(application);
        testing::InitGoogleTest(&argc, argv);
        status = RUN_ALL_TESTS();
    }
    return status;
}
