// Page tests run real widgets on the offscreen platform with the program's layouts, texts and skin;
// the suite's Wayland part runs some of them again on Qt's Wayland platform.
#include <gtest/gtest.h>

#include <QApplication>

#include "program_resources.h"

int main(int argc, char** argv) {
    if (qgetenv("QT_QPA_PLATFORM") != "wayland") qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (!qx4::gui::test::useProgramResources(application)) return 2;
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
