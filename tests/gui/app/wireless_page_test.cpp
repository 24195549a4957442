// The wireless page: the power area, the profile bar, the tabs, apply and reset, and what the
// mouse's own notifications change.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QProgressBar>
#include <QStackedWidget>

#include <cstring>
#include <fstream>
#include <iterator>

#include "app_harness.h"
#include "core/config/config_file.h"
#include "core/window_messages.h"
#include "gui/app/msg_wnd.h"
#include "gui/app/resource_manager.h"

namespace qx4::gui::test {
namespace {

constexpr std::uint16_t kStatus = 0x4000;
constexpr std::uint16_t kDpiLevel = 0x1000;
constexpr std::uint16_t kProfile = 0x8000;

QString text(const char* key) { return ResourceManager::instance().text(QString::fromLatin1(key)); }

struct PowerArea {
    QProgressBar* bar;
    QLabel* text;
    QLabel* sleep;
    QTimer* chargeTimer;
};

PowerArea powerArea(AppHarness& app) {
    return {app.control<QProgressBar>("progress_ms_1_power"), app.control<QLabel>("label_power"),
            app.control<QLabel>("wireless_sleep_label"),
            app.page().findChild<QTimer*>("charge_animation_timer")};
}

void click(AppHarness& app, const QString& button) {
    app.window().findChild<QAbstractButton*>(button)->click();
    app.deliverMessages();
}

std::vector<std::uint8_t> commandsOf(const std::vector<std::vector<std::uint8_t>>& reports,
                                     std::size_t from) {
    std::vector<std::uint8_t> commands;
    for (std::size_t i = from; i < reports.size(); ++i) commands.push_back(reports[i][0]);
    return commands;
}

std::vector<char> savedFile() {
    std::ifstream file(configFilePath(), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(PowerArea, TheCableAtStartShowsChargingWithABarSweepingTwoAtATimeAndWrapping) {
    AppHarness app({.receiverPresent = false, .cablePresent = true});
    PowerArea power = powerArea(app);
    EXPECT_EQ(power.text->text(), text("charging_text"));
    EXPECT_TRUE(power.sleep->isHidden());
    ASSERT_TRUE(power.chargeTimer->isActive());
    EXPECT_EQ(power.chargeTimer->interval(), 30);

    std::vector<int> sweep;
    for (int frame = 0; frame < 53; ++frame) {
        fire(power.chargeTimer);
        sweep.push_back(power.bar->value());
    }
    EXPECT_EQ(sweep[0], 0);
    EXPECT_EQ(sweep[1], 2);
    EXPECT_EQ(sweep[50], 100);
    EXPECT_EQ(sweep[51], 0);
    EXPECT_EQ(sweep[52], 2);
}

TEST(PowerArea, StatusWordsShowSleepAndBatteryAndTheCableShowsCharging) {
    AppHarness app;  // the receiver only: asleep until the mouse says otherwise
    PowerArea power = powerArea(app);
    EXPECT_FALSE(power.sleep->isHidden());
    EXPECT_FALSE(power.chargeTimer->isActive());

    app.notify(Link::receiver, kStatus, 0x0700);
    app.deliverMessages();
    EXPECT_FALSE(power.sleep->isHidden());
    EXPECT_EQ(power.bar->value(), 70);
    EXPECT_EQ(power.text->text(), "70%");

    app.notify(Link::receiver, kStatus, 0x0A01);
    app.deliverMessages();
    EXPECT_TRUE(power.sleep->isHidden());
    EXPECT_EQ(power.bar->value(), 100);
    EXPECT_EQ(power.text->text(), "100%");

    app.plug(Link::cable);
    app.deliverMessages();
    EXPECT_FALSE(power.chargeTimer->isActive()) << "charging shows once the link has settled";
    app.settleArrival(Link::cable);
    EXPECT_EQ(power.text->text(), text("charging_text"));
    fire(power.chargeTimer);
    EXPECT_EQ(power.bar->value(), 0) << "a new charge sweeps from the start";

    app.notify(Link::receiver, kStatus, 0x0501);
    app.deliverMessages();
    EXPECT_EQ(power.text->text(), "50%");
    EXPECT_TRUE(power.chargeTimer->isActive()) << "the sweep goes on until the cable goes";

    app.unplug(Link::cable);
    app.deliverMessages();
    EXPECT_FALSE(power.chargeTimer->isActive());
    EXPECT_FALSE(power.sleep->isHidden());
    EXPECT_EQ(power.text->text(), "");
}

TEST(ProfileBar, ChoosingAProfileShowsItAndSendsItToTheMouseIncrementally) {
    AppHarness app({.receiverPresent = false, .cablePresent = true});
    ASSERT_TRUE(app.waitForAppliesEnded(1));
    EXPECT_EQ(app.applyRequests(), std::vector<std::uintptr_t>{0});
    const auto firstApply = app.reports(Link::cable);
    EXPECT_GT(firstApply.size(), 20u) << "the first apply after start sends everything";

    click(app, "wireless_profile_3_btn");
    EXPECT_EQ(app.page().record().activeProfile, 2);
    EXPECT_EQ(app.buttonPage()->profileShown, 2);
    EXPECT_EQ(app.applyRequests(), (std::vector<std::uintptr_t>{0, 0}));
    ASSERT_TRUE(app.waitForAppliesEnded(2));
    const auto reports = app.reports(Link::cable);
    EXPECT_EQ(commandsOf(reports, firstApply.size()), (std::vector<std::uint8_t>{0x0C, 0x06}));
    EXPECT_EQ(reports[firstApply.size()][2], 3) << "profile select names profile 3";
}

TEST(ProfileBar, TheMouseSwitchingProfileSelectsItsButtonWithoutAnApply) {
    AppHarness app({.receiverPresent = false, .cablePresent = true});
    ASSERT_TRUE(app.waitForAppliesEnded(1));
    const int refreshes = app.buttonPage()->refreshes;

    app.notify(Link::cable, kProfile, 3);
    app.deliverMessages();
    EXPECT_TRUE(app.window().findChild<QAbstractButton*>("wireless_profile_3_btn")->isChecked());
    EXPECT_EQ(app.page().record().activeProfile, 2);
    EXPECT_GT(app.buttonPage()->refreshes, refreshes);
    EXPECT_EQ(app.applyRequests().size(), 1u) << "the mouse already uses the profile";
    ASSERT_TRUE(app.window().dpiPopup());
    EXPECT_EQ(app.window().dpiPopup()->text(), text("profile_text") + " 3");
    EXPECT_EQ(savedFile().at(0), 2) << "the switch is saved";
}

TEST(ProfileBar, TheMouseSwitchingDpiLevelShowsItsValueAndSavesTheRecord) {
    AppHarness app({.receiverPresent = false, .cablePresent = true});
    app.notify(Link::cable, kDpiLevel, 5);
    app.deliverMessages();
    ASSERT_TRUE(app.window().dpiPopup());
    EXPECT_EQ(app.window().dpiPopup()->text(), "DPI :3200");
    const std::vector<char> file = savedFile();
    ASSERT_EQ(file.size(), sizeof(DeviceConfig));
    std::int32_t dpiLevel = 0;
    std::memcpy(&dpiLevel, file.data() + 4 + offsetof(ProfileSettings, dpiLevel), sizeof dpiLevel);
    EXPECT_EQ(dpiLevel, 4);
}

TEST(Tabs, TabButtonsPickTheirPageAndUnsavedMacroChangesKeepTheMacroTab) {
    AppHarness app;
    auto* pages = app.control<QStackedWidget>("wireless_tab_switch");
    const std::pair<const char*, int> tabs[] = {{"wireless_light_btn", 0},
                                                {"wireless_button_btn", 1},
                                                {"wireless_dpi_setting_btn", 2},
                                                {"wireless_macro_btn", 3}};
    for (const auto& [button, index] : tabs) {
        click(app, button);
        EXPECT_EQ(pages->currentIndex(), index) << button;
    }
    app.macroPage()->unsaved = true;
    click(app, "wireless_light_btn");
    EXPECT_EQ(app.macroPage()->saveWarnings, 1);
    EXPECT_EQ(pages->currentIndex(), 3);
    EXPECT_TRUE(app.control<QAbstractButton>("wireless_macro_btn")->isChecked());
}

TEST(Apply, TheApplyButtonAsksForAnIncrementalApplyAndTheRingShowsWhileOneRuns) {
    AppHarness app({.receiverPresent = false, .cablePresent = true});
    ASSERT_TRUE(app.waitForAppliesEnded(1));
    auto* ring = app.control<QWidget>("apply_ring");
    EXPECT_TRUE(ring->isHidden());

    click(app, "wireless_apply_btn");
    EXPECT_EQ(app.applyRequests().back(), 0u);
    ASSERT_TRUE(app.waitForAppliesEnded(2));

    app.post(UM_APPLY_STARTED);
    app.deliverMessages();
    EXPECT_FALSE(ring->isHidden());
    app.post(UM_APPLY_FINISHED, 2, 0);
    app.deliverMessages();
    EXPECT_TRUE(ring->isHidden());
}

TEST(Apply, ReportsThatDoNotReachTheMouseAreToldInWordsUntilAnApplyGoesThrough) {
    AppHarness app({.receiverPresent = false, .cablePresent = true, .startHidden = true});
    auto* status = app.control<QLabel>("apply_status_label");
    ASSERT_TRUE(app.waitForAppliesEnded(1));
    EXPECT_EQ(status->text(), "") << "the first apply went through";

    app.failWrites(Link::cable, true);
    click(app, "wireless_apply_btn");
    ASSERT_TRUE(app.waitForAppliesEnded(2));
    EXPECT_EQ(status->text(), text("apply_failed_text").arg(2).arg(2));
    EXPECT_EQ(status->property("qx4role").toString(), "danger");

    app.failWrites(Link::cable, false);
    click(app, "wireless_apply_btn");
    ASSERT_TRUE(app.waitForAppliesEnded(3));
    EXPECT_EQ(status->text(), "");
}

TEST(Apply, AnApplyWhileTheMouseSleepsSaysSoAndWakingClearsIt) {
    AppHarness app;
    auto* status = app.control<QLabel>("apply_status_label");
    click(app, "wireless_apply_btn");
    ASSERT_TRUE(app.waitForAppliesEnded(2));
    EXPECT_EQ(status->text(), text("apply_asleep_text"));
    app.notify(Link::receiver, kStatus, 0x0801);
    app.deliverMessages();
    EXPECT_EQ(status->text(), "");
}

TEST(Reset, OnlyAConfirmedResetRestoresTheDefaultsAndAsksForAFullApply) {
    AppHarness app({.receiverPresent = false, .cablePresent = true});
    ASSERT_TRUE(app.waitForAppliesEnded(1));
    click(app, "wireless_profile_4_btn");
    DeviceConfig& record = app.page().record();
    record.profiles[1].dpiLevel = 6;
    const auto changed = std::make_unique<DeviceConfig>(record);

    const auto reset = [&](const char* answer) {
        return answerModal<CMsgWnd>(
            [&](CMsgWnd& box) {
                EXPECT_EQ(box.findChild<QLabel*>("warning")->text(), text("restore_text"));
                box.findChild<QAbstractButton*>(answer)->click();
            },
            [&] { click(app, "wireless_reset_profile_btn"); });
    };
    ASSERT_TRUE(reset("cancel_btn"));
    EXPECT_EQ(std::memcmp(&record, changed.get(), sizeof record), 0);
    EXPECT_EQ(app.applyRequests().size(), 2u);

    ASSERT_TRUE(reset("confirm_btn"));
    auto defaults = std::make_unique<DeviceConfig>(*changed);
    applyDefaults(*defaults);
    EXPECT_EQ(std::memcmp(&record, defaults.get(), sizeof record), 0);
    EXPECT_TRUE(app.control<QAbstractButton>("wireless_profile_1_btn")->isChecked());
    EXPECT_EQ(app.buttonPage()->editorsClosed, 1);
    EXPECT_EQ(app.buttonPage()->profileShown, 0);
    EXPECT_EQ(app.applyRequests().back(), 1u);
}

}  // namespace
}  // namespace qx4::gui::test
