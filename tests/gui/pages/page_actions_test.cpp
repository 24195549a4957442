// What the pages' settings button starts: the desktop's own mouse settings tool, or a warning box
// when there is none.
#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include "gui/common/msg_wnd.h"
#include "gui/common/resource_manager.h"
#include "gui/pages/system_mouse_settings.h"
#include "tests/support/page_test_support.h"
#include "tests/support/virtual_mouse_process.h"

namespace qx4::gui {
namespace {

using qx4::test::ScopedEnv;

TEST(SystemMouseSettings, TheRunningDesktopsToolStartsAndWithoutAToolTheButtonSaysSo) {
    const ScopedEnv desktop("XDG_CURRENT_DESKTOP", "X-Cinnamon");
    for (const bool toolsInstalled : {true, false}) {
        SCOPED_TRACE(toolsInstalled ? "tools installed" : "no tool");
        const QTemporaryDir folder;
        // Each tool notes its name and arguments; another desktop's tool comes first in the list.
        const QStringList tools{"gnome-control-center", "cinnamon-settings"};
        for (const QString& tool : toolsInstalled ? tools : QStringList()) {
            QFile script(folder.filePath(tool));
            ASSERT_TRUE(script.open(QIODevice::WriteOnly));
            script.write("#!/bin/sh\necho \"${0##*/} $*\" >> \"${0%/*}/started\"\n");
            script.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        }
        const ScopedEnv path("PATH", folder.path().toStdString());
        bool opened = false;
        const bool answered = test::answerModal<CMsgWnd>(
            [&](CMsgWnd& box) {
                EXPECT_EQ(box.findChild<QLabel*>(QStringLiteral("warning"))->text(),
                          ResourceManager::instance().text(QStringLiteral("mouse_settings_missing_text")));
                box.findChild<QAbstractButton*>(QStringLiteral("confirm_btn"))->click();
            },
            [&] { opened = openSystemMouseSettings(); });
        EXPECT_EQ(opened, toolsInstalled);
        EXPECT_EQ(answered, !toolsInstalled);
        if (toolsInstalled) {
            QFile note(folder.filePath(QStringLiteral("started")));
            EXPECT_TRUE(QTest::qWaitFor([&] { return note.size() > 0; }, 5000));
            ASSERT_TRUE(note.open(QIODevice::ReadOnly));
            EXPECT_EQ(note.readAll(), "cinnamon-settings mouse\n");
        }
    }
}

}  // namespace
}  // namespace qx4::gui
