// The recording test needs a real X server for the hook to hear the desktop: a private Xvfb when
// it is installed, else the offscreen platform, where the test skips itself.
#include <gtest/gtest.h>

#include <QApplication>

#include <optional>

#include "tests/support/program_resources.h"
#include "tests/support/x_session.h"

namespace qx4::test {
namespace {
std::optional<XServer> server;  // outlives the application connected to it
}  // namespace

XServer* privateXServer() { return server ? &*server : nullptr; }
}  // namespace qx4::test

int main(int argc, char** argv) {
    if (qx4::test::XServer::installed()) qx4::test::server.emplace();
    qputenv("QT_QPA_PLATFORM", qx4::test::server ? "xcb" : "offscreen");
    QApplication application(argc, argv);
    if (!qx4::gui::test::useProgramResources(application)) return 2;
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
