// The recording test needs a real X server for the hook to hear the desktop: a private Xvfb when
// it is installed, else the offscreen platform, where the test skips itself.
#include <gtest/gtest.h>

#include <QApplication>

#include <optional>

#include "tests/gui/pages/program_resources.h"
#include "tests/support/x_session.h"

int main(int argc, char** argv) {
    std::optional<qx4::test::XServer> server;
    if (qx4::test::XServer::installed()) server.emplace();
    qputenv("QT_QPA_PLATFORM", server ? "xcb" : "offscreen");
    QApplication application(argc, argv);  // goes before the server it is connected to
    if (!qx4::gui::test::useProgramResources(application)) return 2;
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
