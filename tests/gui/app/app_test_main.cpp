// Application tests run real windows on the offscreen platform with the program's layouts, texts
// and skin.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLoggingCategory>

#include "tests/support/program_resources.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The offscreen platform has no tray; Qt says so on every tray icon made.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.core.qobject.connect=false"));
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    if (!qx4::gui::test::useProgramResources(application)) return 2;
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
