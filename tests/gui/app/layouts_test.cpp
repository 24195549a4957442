// The resource side of the program: every layout builds with the names the code looks up, every
// text key in use has an English text, the small windows behave, and the command line is read as
// documented.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QRegularExpression>
#include <QStackedWidget>

#include <memory>

#include "app_harness.h"
#include "gui/app/apply_ring.h"
#include "gui/app/command_line.h"
#include "gui/app/control_factory.h"
#include "gui/app/layout_loader.h"
#include "gui/app/msg_wnd.h"
#include "gui/app/resource_manager.h"
#include "gui/pages/wireless_dpi_ui.h"
#include "gui/pages/wireless_light_ui.h"

namespace qx4::gui::test {
namespace {

std::unique_ptr<QWidget> build(const char* layout) {
    const ControlFactory factory = ControlFactory::programControls();
    LayoutLoader loader([&factory](const QString& name, QWidget* parent) {
        return factory.create(name, parent);
    });
    return std::unique_ptr<QWidget>(loader.load(QString::fromLatin1(layout), nullptr));
}

template <typename Control>
void expectControl(QWidget* root, const QString& name) {
    EXPECT_NE(root->findChild<Control*>(name), nullptr) << name.toStdString();
}

TEST(Layouts, TheMainLayoutHasEveryControlTheWindowAndTheWirelessPageLookUp) {
    const auto root = build("main.xml");
    ASSERT_TRUE(root);
    for (const char* name :
         {"skin_btn", "main_menu_btn", "min_btn", "exit_btn", "option_device_1", "option_device_2",
          "option_device_3", "wireless_light_btn", "wireless_button_btn", "wireless_dpi_setting_btn",
          "wireless_macro_btn", "wireless_export_profile_btn", "wireless_import_profile_btn",
          "wireless_reset_profile_btn", "wireless_apply_btn"}) {
        expectControl<QAbstractButton>(root.get(), QString::fromLatin1(name));
    }
    for (int profile = 1; profile <= 5; ++profile) {
        expectControl<QAbstractButton>(root.get(), QStringLiteral("wireless_profile_%1_btn").arg(profile));
    }
    for (const char* name : {"label_power", "wireless_sleep_label", "low_power_label", "apply_status_label"}) {
        expectControl<QLabel>(root.get(), QString::fromLatin1(name));
    }
    expectControl<QProgressBar>(root.get(), "progress_ms_1_power");
    expectControl<ApplyRing>(root.get(), "apply_ring");
    expectControl<CWirelessButtonUI>(root.get(), "wireless_button_tab");
    expectControl<CWirelessDPIUI>(root.get(), "wireless_dpi_tab");
    expectControl<CWirelessLightUI>(root.get(), "wireless_light_tab");
    expectControl<CWirelessMacroUI>(root.get(), "wireless_macro_tab");

    auto* tabs = root->findChild<QStackedWidget*>("wireless_tab_switch");
    ASSERT_TRUE(tabs);
    QStringList order;
    for (int i = 0; i < tabs->count(); ++i) order << tabs->widget(i)->objectName();
    EXPECT_EQ(order, QStringList({"wireless_light_tab", "wireless_button_tab", "wireless_dpi_tab",
                                  "wireless_macro_tab"}));
    auto* devices = root->findChild<QStackedWidget*>("device_tab_switch");
    ASSERT_TRUE(devices);
    EXPECT_EQ(devices->widget(0)->objectName(), "device_page_1");
    expectControl<QWidget>(devices, "no_device_page");
    for (int profile = 1; profile <= 5; ++profile) {
        EXPECT_FALSE(root->findChild<QAbstractButton*>(QStringLiteral("wireless_profile_%1_btn").arg(profile))
                         ->isChecked())
            << "no profile is chosen before the record is loaded, so choosing it asks for the first apply";
    }
}

TEST(Texts, EveryKeyTheLayoutsAndTheProgramUseHasAnEnglishText) {
    const ResourceManager& texts = ResourceManager::instance();
    const QRegularExpression keyProperty(
        QStringLiteral(R"re(name="(textKey|toolTipKey|windowTitleKey|itemKeys)" stdset="0"><string>([^<]*)<)re"));
    const QDir folder = texts.resourceDirectory();
    QStringList missing;
    for (const QString& file : folder.entryList({"*.xml"}, QDir::Files)) {
        if (file == QLatin1String("lan.xml")) continue;
        QFile layout(folder.filePath(file));
        ASSERT_TRUE(layout.open(QIODevice::ReadOnly)) << file.toStdString();
        const QString content = QString::fromUtf8(layout.readAll());
        for (const auto& match : keyProperty.globalMatch(content)) {
            for (const QString& key : match.captured(2).split(';', Qt::SkipEmptyParts)) {
                if (!texts.hasText(key.trimmed())) missing << file + ": " + key;
            }
        }
    }
    for (const char* key :
         {"mouse_name_text", "warning_title_text", "no_device_text", "restore_text", "profile_text",
          "charging_text", "apply_failed_text", "apply_no_link_text", "apply_asleep_text",
          "save_failed_text", "config_damaged_text", "config_unreadable_text", "about_version_text"}) {
        if (!texts.hasText(QString::fromLatin1(key))) missing << QString::fromLatin1(key);
    }
    EXPECT_TRUE(missing.isEmpty()) << missing.join(", ").toStdString();
}

TEST(Texts, AControlShowsItsKeyWhenTheLanguageFileLacksIt) {
    QLabel label;
    ResourceManager::instance().setResourceText(&label, QStringLiteral("no_such_key_text"));
    EXPECT_EQ(label.text(), "no_such_key_text");
    ResourceManager::instance().setPlainText(&label, QStringLiteral("70%"));
    ResourceManager::instance().translate(&label);
    EXPECT_EQ(label.text(), "70%") << "plain text is left alone";
}

TEST(MessageBox, ConfirmGivesOneAndCancelOrClosingGivesZero) {
    const auto run = [](const std::function<void(CMsgWnd&)>& answer) {
        int result = -1;
        answerModal<CMsgWnd>(answer, [&] {
            result = runMessageBox(nullptr, QStringLiteral("warning_title_text"),
                                   QStringLiteral("restore_text"));
        });
        return result;
    };
    EXPECT_EQ(run([](CMsgWnd& box) { box.findChild<QAbstractButton*>("confirm_btn")->click(); }), 1);
    EXPECT_EQ(run([](CMsgWnd& box) { box.findChild<QAbstractButton*>("cancel_btn")->click(); }), 0);
    EXPECT_EQ(run([](CMsgWnd& box) { box.reject(); }), 0);
}

CommandLine parse(std::vector<const char*> arguments) {
    arguments.insert(arguments.begin(), "qx4-config");
    return parseCommandLine(static_cast<int>(arguments.size()), arguments.data());
}

TEST(CommandLine, AnyArgumentButTheOptionsStartsHidden) {
    EXPECT_FALSE(parse({}).startHidden);
    EXPECT_TRUE(parse({"--tray"}).startHidden);
    EXPECT_TRUE(parse({""}).startHidden);
    const CommandLine simulated = parse({"--simulate"});
    EXPECT_TRUE(simulated.simulate);
    EXPECT_FALSE(simulated.startHidden);
    const CommandLine both = parse({"--simulate", "autostart"});
    EXPECT_TRUE(both.simulate);
    EXPECT_TRUE(both.startHidden);
    EXPECT_EQ(parse({"--help"}).action, CommandLine::Action::showHelp);
    EXPECT_EQ(parse({"--tray", "--version"}).action, CommandLine::Action::showVersion);
}

}  // namespace
}  // namespace qx4::gui::test
