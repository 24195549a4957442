// The desktop's mouse settings, asked for on a system that has no tool for them.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QTemporaryDir>

#include "gui/common/msg_wnd.h"
#include "gui/common/resource_manager.h"
#include "gui/pages/system_mouse_settings.h"
#include "page_test_support.h"

namespace qx4::gui {
namespace {

TEST(SystemMouseSettings, WithoutAToolTheButtonSaysSoInsteadOfDoingNothing) {
    const QTemporaryDir emptyFolder;
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(emptyFolder.path()));
    QString shown;
    bool opened = true;
    const bool answered = test::answerModal<CMsgWnd>(
        [&](CMsgWnd& box) {
            shown = box.findChild<QLabel*>(QStringLiteral("warning"))->text();
            box.findChild<QAbstractButton*>(QStringLiteral("confirm_btn"))->click();
        },
        [&] { opened = openSystemMouseSettings(); });
    qputenv("PATH", path);
    EXPECT_FALSE(opened);
    EXPECT_TRUE(answered);
    EXPECT_EQ(shown, ResourceManager::instance().text(QStringLiteral("mouse_settings_missing_text")));
}

}  // namespace
}  // namespace qx4::gui
