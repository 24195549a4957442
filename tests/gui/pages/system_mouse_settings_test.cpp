// The desktop's mouse settings: the running desktop's own tool is started, and without any tool
// the button says so instead of doing nothing.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include "gui/common/msg_wnd.h"
#include "gui/common/resource_manager.h"
#include "gui/pages/system_mouse_settings.h"
#include "tests/support/page_test_support.h"

namespace qx4::gui {
namespace {

TEST(SystemMouseSettings, TheRunningDesktopsToolStartsAndWithoutAToolTheButtonSaysSo) {
    const QByteArray path = qgetenv("PATH");
    const QByteArray desktop = qgetenv("XDG_CURRENT_DESKTOP");
    qputenv("XDG_CURRENT_DESKTOP", "X-Cinnamon");
    for (const bool toolsInstalled : {true, false}) {
        SCOPED_TRACE(toolsInstalled ? "tools installed" : "no tool");
        const QTemporaryDir folder;
        const QString started = folder.filePath(QStringLiteral("started"));
        // Each tool notes its name and arguments; another desktop's tool comes first in the list.
        const QStringList tools{"gnome-control-center", "cinnamon-settings"};
        for (const QString& tool : toolsInstalled ? tools : QStringList()) {
            QFile script(folder.filePath(tool));
            ASSERT_TRUE(script.open(QIODevice::WriteOnly));
            script.write("#!/bin/sh\necho \"${0##*/} $*\" >> \"${0%/*}/started\"\n");
            script.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        }
        qputenv("PATH", QFile::encodeName(folder.path()));
        QString shown;
        bool opened = false;
        const bool answered = test::answerModal<CMsgWnd>(
            [&](CMsgWnd& box) {
                shown = box.findChild<QLabel*>(QStringLiteral("warning"))->text();
                box.findChild<QAbstractButton*>(QStringLiteral("confirm_btn"))->click();
            },
            [&] { opened = openSystemMouseSettings(); });
        EXPECT_EQ(opened, toolsInstalled);
        EXPECT_EQ(answered, !toolsInstalled);
        if (toolsInstalled) {
            QFile note(started);
            EXPECT_TRUE(QTest::qWaitFor([&] { return note.size() > 0; }, 5000));
            ASSERT_TRUE(note.open(QIODevice::ReadOnly));
            EXPECT_EQ(note.readAll(), "cinnamon-settings mouse\n");
        } else {
            EXPECT_EQ(shown, ResourceManager::instance().text(QStringLiteral("mouse_settings_missing_text")));
        }
    }
    qputenv("PATH", path);
    qputenv("XDG_CURRENT_DESKTOP", desktop);
}

}  // namespace
}  // namespace qx4::gui
