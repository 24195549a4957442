// What the pages' file and settings buttons start, through the real file dialog and warning box:
// profile files, and the desktop's own mouse settings tool, or a warning when there is none.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include "core/macro/macro_store.h"
#include "gui/common/app_settings.h"
#include "gui/common/msg_wnd.h"
#include "gui/common/resource_manager.h"
#include "gui/pages/profile_actions.h"
#include "gui/pages/system_mouse_settings.h"
#include "tests/support/page_test_support.h"
#include "tests/support/virtual_mouse_process.h"

namespace qx4::gui {
namespace {

using qx4::test::ScopedEnv;
using test::AnswerWhenShown;
using test::changedBytes;

TEST(ProfileActions, ImportTakesAnExportedProfileAndRefusesAFileOfTheWrongSizeWithAWarning) {
    const QTemporaryDir folder;
    const ScopedEnv data("QX4_DATA_DIR", folder.filePath(QStringLiteral("qx4")).toStdString());
    const ScopedEnv home("HOME", folder.path().toStdString());
    const ScopedEnv configHome("XDG_CONFIG_HOME", std::nullopt);  // the documents folder is then ~/Documents
    const QDir documents(folder.filePath(QStringLiteral("Documents")));
    const QDir shared(folder.filePath(QStringLiteral("usb stick")));
    ASSERT_TRUE(documents.mkpath(QStringLiteral(".")) && shared.mkpath(QStringLiteral(".")));
    auto record = test::defaultRecord();
    record->activeProfile = 1;
    record->profiles[1].dpiValuesX[2] = 33;
    MacroList macros;
    // Answers the next file dialog with `name` in the shared folder, noting where it opened.
    QString shownFolder;
    QStringList shownFilters;
    const auto choose = [&](const char* name) {
        return AnswerWhenShown<QFileDialog>([&, name](QFileDialog& dialog) {
            shownFolder = dialog.directory().absolutePath();
            shownFilters = dialog.nameFilters();
            dialog.selectFile(shared.filePath(QString::fromLatin1(name)));
            static_cast<QDialog&>(dialog).accept();
        });
    };

    const auto exportAs = choose("fps");
    exportActiveProfile(nullptr, *record);
    ASSERT_TRUE(shared.exists(QStringLiteral("fps.pro")));
    EXPECT_EQ(QDir(shownFolder), documents) << "the files are the user's, not the program's";
    EXPECT_EQ(shownFilters, QStringList{QStringLiteral("Profile Flie (*.pro *.PRO)")});

    DeviceConfig expected = *record;
    record->activeProfile = expected.activeProfile = 3;
    expected.profiles[3] = expected.profiles[1];
    const auto importExported = choose("fps.pro");
    ASSERT_TRUE(importIntoActiveProfile(nullptr, *record, macros));
    EXPECT_EQ(QDir(shownFolder), shared) << "where the last file went";
    EXPECT_EQ(changedBytes(expected, *record), "");
    EXPECT_TRUE(QFile::exists(settingsFilePath()));
    EXPECT_FALSE(QFile::permissions(settingsFilePath()) & (QFileDevice::ReadGroup | QFileDevice::ReadOther))
        << "private like the data files";

    QFile bad(shared.filePath(QStringLiteral("notes.pro")));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write(QByteArray(1000, '\x11'));
    bad.close();
    QString warning;
    const AnswerWhenShown<CMsgWnd> warned([&](CMsgWnd& box) {
        warning = box.findChild<QLabel*>(QStringLiteral("warning"))->text();
        box.done(CMsgWnd::kConfirmed);
    });
    const auto importWrongSize = choose("notes.pro");
    EXPECT_FALSE(importIntoActiveProfile(nullptr, *record, macros));
    EXPECT_EQ(warning, ResourceManager::instance().text(QStringLiteral("profile_wrong_size_text")));
    EXPECT_EQ(changedBytes(expected, *record), "");
    EXPECT_TRUE(macros.empty());
}

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
