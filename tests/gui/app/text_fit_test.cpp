// Every text the program shows fits its control, in English and in every translation: the window
// on every page with the longest names, the editor panels, the no-mouse page and the dialogs, each
// measured by FitCheck.
//
// What can differ with the scale is the width of a text, not the layout: sizes are logical pixels
// at any scale, but once Qt scales it lays fonts out without hinting, while at 100 % the desktop's
// hinting applies; full hinting rounds every glyph's advance and makes texts a few pixels wider.
// So ctest runs these tests three times: as the system hints (slightly, usually), at
// QT_SCALE_FACTOR=2 (app_test_text_fit_200, which stands for 125 % too: any factor other than 1
// lays out alike) and at 100 % with full hinting (app_test_text_fit_hinted).
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QFontMetrics>
#include <QLocale>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "app_harness.h"
#include "fit_check.h"
#include "core/commands/edit_command.h"
#include "core/device/dpi_steps.h"
#include "gui/app/about_wnd.h"
#include "gui/common/hook_table.h"
#include "gui/app/dpi_msg.h"
#include "gui/common/msg_wnd.h"
#include "gui/common/resource_manager.h"
#include "gui/follow/focus_follower.h"
#include "gui/follow/profile_target.h"
#include "gui/follow/rules_wnd.h"
#include "gui/app/tray_absence.h"
#include "gui/macro/macro_step_list.h"
#include "gui/pages/dpi_color_wnd.h"
#include "gui/pages/page_table.h"

namespace qx4::gui::test {
namespace {

// A device that stays as it is, for the rules window.
class StillTarget final : public ProfileTarget {
public:
    int activeProfile() const override { return 0; }
    void selectProfile(int, Cause) override {}
    bool applyRunning() const override { return false; }
    void requestApply() override {}
    DeviceState deviceState() const override { return {}; }
};

// English and every translation beside it ("de" for lan_de.xml).
std::vector<std::string> shownLanguages() {
    std::vector<std::string> languages{"en"};
    for (const auto& file : std::filesystem::directory_iterator(QX4_BIN_DIR "/res")) {
        const std::string name = file.path().filename().string();
        if (name.starts_with("lan_") && name.ends_with(".xml")) languages.push_back(name.substr(4, name.size() - 8));
    }
    return languages;
}

class TextFit : public testing::TestWithParam<std::string> {
protected:
    static QLocale language() { return QLocale(QString::fromStdString(GetParam())); }
    void SetUp() override { ASSERT_TRUE(ResourceManager::instance().loadLanguageFor(language())); }
    void TearDown() override { ResourceManager::instance().loadLanguageFor(QLocale(QLocale::English, QLocale::UnitedStates)); }

    // "German at 200 %", for the failure messages.
    static QString situation() {
        return QStringLiteral("%1 at %2 %")
            .arg(QLocale::languageToString(language().language()))
            .arg(qRound(qApp->devicePixelRatio() * 100));
    }
    static void expectFits(const FitCheck& check) {
        EXPECT_TRUE(check.misfits().isEmpty()) << check.misfits().join(QLatin1Char('\n')).toStdString();
    }

    FitCheck check{situation()};
};

// The widest of the names a key can have in a macro step, in the shown language.
std::uint8_t widestKeyName(const QFont& font) {
    const QFontMetrics metrics(font);
    std::uint8_t widest = 0;
    for (int code = 0; code < 256; ++code) {
        const auto key = static_cast<std::uint8_t>(code);
        if (metrics.horizontalAdvance(stepKeyName(key)) > metrics.horizontalAdvance(stepKeyName(widest))) widest = key;
    }
    return widest;
}

// Changes the configuration as qx4ctl does while the program runs.
void edit(AppHarness& app, const std::vector<std::string>& arguments) {
    const std::vector<std::string_view> typed(arguments.cbegin(), arguments.cend());
    auto parsed = commands::parseEditCommand(typed, {});
    ASSERT_TRUE(std::holds_alternative<commands::EditCommand>(parsed)) << arguments.front();
    const auto edit = app.session().runOutsideEdit(std::get<commands::EditCommand>(parsed));
    ASSERT_TRUE(edit);
    ASSERT_EQ(edit->outcome.exitCode, 0) << edit->outcome.error;
}

// The window with a mouse, on every page, with the longest names on the rows, the editor open
// and a macro with a long name and the widest key chosen.
TEST_P(TextFit, EveryPageAndEditorPanel) {
    AppHarness app({.realButtonPage = true, .hookLibraryFile = kHookLibraryFile});
    ASSERT_TRUE(app.window().capture().available());
    const std::string macro = "Waffenwechsel schnell 2";
    const std::string key = QStringLiteral("0x%1").arg(widestKeyName(app.window().font()), 2, 16, QLatin1Char('0')).toStdString();
    edit(app, {"macro", "add", macro});
    std::string steps = key + " down 1252";  // a thousands separator in the list
    for (int press = 0; press < 22; ++press) steps += ", " + key + " up 65535, " + key + " down 65535";
    edit(app, {"macro", "steps", macro, steps + ", " + key + " up"});  // the longest a macro can take
    edit(app, {"bind", "4", "easy_aim"});  // the longest function name
    edit(app, {"bind", "5", "macro:" + macro});
    edit(app, {"bind", "6", "Ctrl+Shift+Alt+Win+Page Up"});

    for (const PageKind& kind : pageTable()) {
        app.click(kind.tabButton);
        check.check(&app.window(), QLatin1String(kind.objectName));
    }
    app.click(findPageKind("WirelessButton")->tabButton);
    for (const char* row : {"wireless_button5_btn", "wireless_button6_btn"}) {
        app.click(row);
        ASSERT_TRUE(app.control<QWidget>("wireless_button_type_combo")->isVisible()) << "the editor opened";
        check.check(&app.window(), QStringLiteral("editor of ") + QLatin1String(row));
        app.click("wireless_button_cancel_btn");
    }
    app.click(findPageKind("WirelessMacro")->tabButton);
    auto* macroList = app.control<QAbstractItemView>("wireless_macro_list");
    macroList->setCurrentIndex(macroList->model()->index(0, 0));
    AppHarness::deliverMessages();
    check.check(&app.window(), QStringLiteral("macro chosen"));
    app.click("wireless_macro_insert_mouse_btn");
    check.check(&app.window(), QStringLiteral("mouse buttons offered"));
    app.page().showStatus(ResourceManager::instance().text(QStringLiteral("apply_failed_text")).arg(12).arg(36), true);
    check.check(&app.window(), QStringLiteral("status"));
    expectFits(check);
}

// Without the hook library the key editor says so instead of asking for a key.
TEST_P(TextFit, KeyEditorWithoutKeyCapture) {
    AppHarness app({.realButtonPage = true});
    edit(app, {"bind", "6", "Ctrl+Shift+Alt+Win+Page Up"});
    app.click(findPageKind("WirelessButton")->tabButton);
    app.click("wireless_button6_btn");
    check.check(&app.window(), QStringLiteral("key editor without capture"));
    expectFits(check);
}

TEST_P(TextFit, NoMousePageAndItsWarning) {
    AccessCheck closed;
    closed.access.state = DeviceAccess::State::notPermitted;
    closed.fix.command = "sudo udevadm control --reload && sudo udevadm trigger";
    AppHarness app({.receiverPresent = false, .access = closed});
    answerModal<CMsgWnd>(
        [&](CMsgWnd& warning) {
            check.check(&warning, QStringLiteral("no-mouse warning"));
            warning.reject();
        },
        [&] { app.clickTray(QSystemTrayIcon::Trigger); });
    app.window().show();
    check.check(app.control<QWidget>("no_device_page"), QStringLiteral("no mouse"));
    expectFits(check);
}

// The longest text of the language in the message box, the about box, the rules window, the boxes
// of a desktop without a tray, the colour dialog and the popups with their widest texts.
TEST_P(TextFit, Dialogs) {
    const ResourceManager& texts = ResourceManager::instance();
    const auto keys = readLanguageFile(texts.resourcePath(QStringLiteral("lan.xml"))).value().keys();
    const QString longest = *std::max_element(keys.cbegin(), keys.cend(), [&](const QString& a, const QString& b) {
        return texts.text(a).size() < texts.text(b).size();
    });
    answerModal<CMsgWnd>(
        [&](CMsgWnd& box) {
            check.check(&box, QStringLiteral("message box"));
            box.reject();
        },
        [&] { runMessageBox(nullptr, QStringLiteral("warning_title_text"), longest); });
    answerModal<CAboutWnd>(
        [&](CAboutWnd& about) {
            check.check(&about, QStringLiteral("about box"));
            about.reject();
        },
        [] { CAboutWnd(nullptr).showModal(); });
    // On a Wayland session with a rule and no desktop reporting, the window carries its note.
    qx4::test::TempFolder data;
    qx4::test::ScopedEnv dataEnv("QX4_DATA_DIR", data.path().string());
    qx4::test::ScopedEnv wayland("XDG_SESSION_TYPE", std::string("wayland"));
    StillTarget target;
    FocusFollower follower(target, nullptr);
    follower.changeRules({true, 3, {{"steam_app_730", 1}, {"org.kde.dolphin", 4}}});
    answerModal<RulesWnd>(
        [&](RulesWnd& rules) {
            check.check(&rules, QStringLiteral("rules window"));
            rules.reject();
        },
        [&] { RulesWnd(nullptr, follower).showModal(); });
    answerModal<CMsgWnd>(
        [&](CMsgWnd& box) {
            check.check(&box, QStringLiteral("quit without a tray"));
            box.reject();
        },
        [] { confirmQuitWithoutTray(nullptr); });
    {
        const qx4::test::TempFolder trayData;
        const qx4::test::ScopedEnv trayDataEnv("QX4_DATA_DIR", trayData.path().string());
        const std::unique_ptr<CMsgWnd> notice(tellHowToGetATrayOnce(nullptr));
        check.check(notice.get(), QStringLiteral("how to get a tray"));
    }
    CDpiColorWnd colors;
    colors.show();
    check.check(&colors, QStringLiteral("colour dialog"));
    for (const QString& shown : {texts.text(QStringLiteral("dpi_popup_text")).arg(highestDpi()),
                                 texts.text(QStringLiteral("profile_popup_text")).arg(5)}) {
        CDPIMsg popup(nullptr, shown);
        popup.show();
        check.check(&popup, QStringLiteral("popup"));
    }
    expectFits(check);
}

INSTANTIATE_TEST_SUITE_P(Languages, TextFit, testing::ValuesIn(shownLanguages()),
                         [](const testing::TestParamInfo<std::string>& language) { return language.param; });

}  // namespace
}  // namespace qx4::gui::test
