// The D-Bus service, the rules window and the follower with a stand-in for the mouse, on the
// offscreen platform and a session bus of this test's own, never the desktop's.
#include <gtest/gtest.h>

#include <QApplication>
#include <QProcess>

#include "tests/support/program_resources.h"
#include "tests/support/patience.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QProcess bus;
    bus.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address=1"});
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus.waitForReadyRead(qx4::test::kPatienceMs) ? bus.readLine().trimmed() : QByteArray("unix:path=/nonexistent"));
    int result = 2;
    {
        QApplication application(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        if (qx4::gui::test::useProgramResources(application)) {
            testing::InitGoogleTest(&argc, argv);
            result = RUN_ALL_TESTS();
        }
    }
    bus.terminate();
    bus.waitForFinished();
    return result;
}
