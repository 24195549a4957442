// The DPI page and its colour dialog driven as a user would: level options and switches, sliders,
// typed values, the report-rate combo, colour swatches and the dialog's colour editor; and the
// desktop's own mouse settings tool its settings button starts, or a warning when there is none.
#include <gtest/gtest.h>

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>

#include "core/device/dpi_steps.h"
#include "gui/common/msg_wnd.h"
#include "gui/common/resource_manager.h"
#include "gui/pages/color_editor.h"
#include "gui/pages/color_forms.h"
#include "gui/pages/dpi_color_wnd.h"
#include "gui/pages/system_mouse_settings.h"
#include "gui/pages/wireless_dpi_ui.h"
#include "tests/support/page_test_support.h"
#include "tests/support/virtual_mouse_process.h"
#include "tests/support/patience.h"

namespace qx4::gui {
namespace {

using test::changedBytes;

class DpiPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        page.resize(760, 400);
        page.setContext({&data.session});
        page.show();
        page.refreshFromRecord();
    }

    template <typename T>
    T* find(const char* name, int n) { return page.findChild<T*>(QString::fromLatin1(name).arg(n)); }
    QLineEdit* label(int n) { return find<QLineEdit>("wireless_dpi_value_%1", n); }
    QSlider* slider(int n) { return find<QSlider>("wireless_dpi%1_slider", n); }
    QAbstractButton* option(int n) { return find<QAbstractButton>("wireless_dpi_btn_%1", n); }
    QCheckBox* onSwitch(int n) { return find<QCheckBox>("wireless_dpi_on_%1", n); }
    QString hint() { return page.findChild<QLabel*>(QStringLiteral("wireless_dpi_levels_hint"))->text(); }
    QAbstractButton* swatch(int n) { return find<QAbstractButton>("wireless_dpi_color%1", n); }
    // The colour the skin gives level n's number.
    QRgb numberColor(int n) { return label(n)->palette().color(QPalette::Text).rgb(); }
    QComboBox* rateCombo() { return page.findChild<QComboBox*>(QStringLiteral("wireless_polling_rate_combo")); }
    void showProfile(int profile) {
        data.change([profile](DeviceConfig& config) { config.activeProfile = profile; });
        page.refreshFromRecord();
    }
    // Moves slider n as a drag would, handle held, and returns what its label then reads.
    QString drag(int n, int position) {
        slider(n)->setSliderDown(true);
        slider(n)->setSliderPosition(position);
        const QString shown = label(n)->text();
        slider(n)->setSliderDown(false);
        return shown;
    }

    // Types into level n's field as a user would and ends with Enter.
    void typeValue(int n, const char* text) {
        label(n)->setFocus();
        label(n)->selectAll();
        QTest::keyClicks(label(n), QString::fromLatin1(text));
        QTest::keyClick(label(n), Qt::Key_Return);
    }

    // Opens level n's colour dialog, lets `choose` work in it, then closes it with `button`.
    bool pickColor(int n, const char* button, const std::function<void(CDpiColorWnd&)>& choose) {
        return test::answerModal<CDpiColorWnd>(
            [&](CDpiColorWnd& dialog) {
                choose(dialog);
                dialog.findChild<QAbstractButton*>(QString::fromLatin1(button))->click();
            },
            [&] { swatch(n)->click(); });
    }

    const DeviceConfig& record() const { return data.record(); }

    test::SessionData data;
    CWirelessDPIUI page{nullptr, *findPageKind("WirelessDPI")};
};

// Types `text` over a component edit of the colour dialog, key by key.
QLineEdit* type(CDpiColorWnd& dialog, const char* edit, const char* text) {
    auto* target = dialog.findChild<QLineEdit*>(QString::fromLatin1(edit));
    target->selectAll();
    QTest::keyClick(target, Qt::Key_Delete);
    QTest::keyClicks(target, QString::fromLatin1(text));
    return target;
}

// Levels, their switches, colours and the report rate, as a picture of the page shows them.
TEST_F(DpiPageTest, LooksAsItsPicture) { EXPECT_TRUE(test::looksAsItsPicture(page, QStringLiteral("dpi_page"))); }

TEST_F(DpiPageTest, ShowingAProfileWritesNothingBack) {
    data.change([](DeviceConfig& config) {
        auto& shown = config.profiles[3];
        // 50 and 0 are not what they seem on the wire (4,900 and 100 DPI); 7 is no report rate.
        shown.dpiValuesX = {1, 2, 3, 49, 50, 70, 98, 0};
        shown.dpiLevelEnabled[7] = 1;
        shown.dpiColors[5] = 0x00123456;
        shown.dpiLevel = 6;
        shown.pollingRateIndex = 7;
    });
    DeviceConfig expected = record();
    expected.activeProfile = 3;
    showProfile(3);
    EXPECT_EQ(changedBytes(expected, record()), "");
    EXPECT_EQ(QStringList({label(5)->text(), label(6)->text(), label(7)->text(), label(8)->text()}),
              QStringList({"4900", "7000", "9800", "100"}));
    EXPECT_EQ(slider(5)->value(), slider(4)->value());
    EXPECT_EQ(slider(8)->value(), slider(1)->value());
    EXPECT_EQ(swatchColor(swatch(6)), 0xFF563412u);
    EXPECT_TRUE(option(7)->isChecked());
    EXPECT_EQ(rateCombo()->currentIndex(), -1);
    EXPECT_EQ(rateCombo()->placeholderText(), "500 Hz (stored value 7)");
}

// Level 8 is off by default, holding 0 (sent as 100): dimmed, yet editable.
TEST_F(DpiPageTest, EverySliderReachesTheWholeRangeAndStoresWhatTheMouseTakesEvenOnALevelThatIsOff) {
    EXPECT_EQ(label(7)->text(), "4900");  // the default 50: sent as 4,900
    const int defaultPosition = slider(7)->value();
    const struct {
        int level;
        int position;
        const char* shown;
        std::int32_t stored;
    } moves[] = {{7, slider(7)->maximum(), "9800", 98},    {7, slider(7)->maximum() - 1, "9600", 96},
                 {7, defaultPosition + 1, "5000", 51},  // the only value sent as 5,000
                 {7, defaultPosition, "4900", 49},         {2, slider(2)->minimum(), "100", 1},
                 {8, slider(8)->value() + 19, "2000", 20}};
    auto* column = page.findChild<QWidget*>(QStringLiteral("wireless_dpi_level_8"));
    EXPECT_EQ(label(8)->text(), "100");
    EXPECT_FALSE(onSwitch(8)->isChecked());
    EXPECT_TRUE(column->property("levelOff").toBool());
    EXPECT_EQ(numberColor(8), 0xFF8A9099u) << "a level the mouse skips is muted";
    for (const auto& move : moves) {
        EXPECT_EQ(drag(move.level, move.position), move.shown);
        EXPECT_EQ(record().profiles[0].dpiValuesX[static_cast<std::size_t>(move.level - 1)], move.stored) << move.shown;
    }
    EXPECT_EQ(record().profiles[0].dpiLevelEnabled[7], 0);
    QTest::keyClick(slider(2), Qt::Key_PageUp);
    EXPECT_EQ(label(2)->text(), "600") << "a page of the keyboard is five steps";

    data.change([](DeviceConfig& config) { config.profiles[1].dpiLevelEnabled[7] = 1; });
    showProfile(1);
    EXPECT_TRUE(onSwitch(8)->isChecked());
    EXPECT_FALSE(column->property("levelOff").toBool());
}

// Each row of the eight columns is one Tab stop, in the column the keyboard was in last; the
// arrows go along a row (in a DPI field once its cursor is at that end) and stay in it.
TEST_F(DpiPageTest, EachRowOfTheColumnsIsOneTabStopAndTheArrowsGoAlongIt) {
    QApplication::setActiveWindow(&page);
    const auto tabStops = [&](QWidget* first) {
        first->setFocus(Qt::TabFocusReason);
        QStringList names{first->objectName()};
        for (int n = 0; n < 40; ++n) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            if (QApplication::focusWidget() == first) break;
            names << QApplication::focusWidget()->objectName();
        }
        return names.join(QLatin1Char(' ')).toStdString();
    };
    const QString current = page.findChild<QButtonGroup*>()->checkedButton()->objectName();
    EXPECT_EQ(tabStops(label(1)), "wireless_dpi_value_1 wireless_dpi1_slider wireless_dpi_color1 " + current.toStdString() +
                                      " wireless_dpi_on_1 wireless_polling_rate_combo mouse_attibute_btn");

    label(1)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(label(1), Qt::Key_Right);  // the whole text was chosen: the cursor goes to its end
    EXPECT_TRUE(label(1)->hasFocus());
    QTest::keyClick(label(1), Qt::Key_Right);
    ASSERT_TRUE(label(2)->hasFocus());
    QTest::keyClick(label(2), Qt::Key_Tab);
    ASSERT_TRUE(slider(2)->hasFocus()) << "down the column the keyboard is in";
    const int value = slider(1)->value();
    QTest::keyClick(slider(2), Qt::Key_Left);
    QTest::keyClick(slider(1), Qt::Key_Left);
    EXPECT_TRUE(slider(1)->hasFocus());
    EXPECT_EQ(slider(1)->value(), value) << "Left and Right move along the row, not the slider";
    QTest::keyClick(slider(1), Qt::Key_Up);
    EXPECT_EQ(slider(1)->value(), value + 1);
}

// The switches and level buttons offer what the mouse is sent as on (only exactly 1 is on).
TEST_F(DpiPageTest, LevelSwitchesAndButtonsOfferWhatTheMouseUses) {
    struct Case {
        const char* what;
        std::array<std::int32_t, kDpiLevelCount> enabled;
        std::int32_t current;
        const char* on;              // the levels the mouse is sent as on, as "38"
        const char* lockedSwitches;  // levels whose switch cannot be used
    };
    const Case cases[] = {
        {"only exactly 1 is on", {1, 0, 1, 2, 1, 0, -1, 1}, 4, "1358", "5"},
        {"a foreign file's current level is off", {0, 1, 0, 0, 0, 0, 0, 0}, 7, "2", "2"},
    };
    for (const Case& c : cases) {
        data.change([&c](DeviceConfig& config) {
            config.profiles[2].dpiLevelEnabled = c.enabled;
            config.profiles[2].dpiLevel = c.current;
        });
        showProfile(2);
        QString locked;
        for (int n = 1; n <= kDpiLevelCount; ++n) {
            const bool on = QString::fromLatin1(c.on).contains(QString::number(n));
            EXPECT_EQ(option(n)->isEnabled(), on) << c.what << ", level " << n;
            EXPECT_EQ(onSwitch(n)->isChecked(), on) << c.what << ", level " << n;
            if (!onSwitch(n)->isEnabled()) locked += QString::number(n);
        }
        EXPECT_EQ(locked, c.lockedSwitches) << c.what;
        EXPECT_TRUE(option(c.current + 1)->isChecked()) << c.what;
    }

    // Clicked through: level 8 on and current, then every other level off.
    showProfile(0);
    onSwitch(8)->click();
    option(8)->click();
    for (int n = 1; n <= 7; ++n) onSwitch(n)->click();
    const ProfileSettings& edited = record().profiles[0];
    EXPECT_EQ(edited.dpiLevelEnabled, (std::array<std::int32_t, kDpiLevelCount>{0, 0, 0, 0, 0, 0, 0, 1}));
    EXPECT_EQ(edited.dpiLevel, 7);
    EXPECT_FALSE(onSwitch(8)->isEnabled());
    EXPECT_FALSE(option(3)->isEnabled());
}

TEST_F(DpiPageTest, ATypedDpiIsRoundedToWhatTheMouseHoldsAndOneOutOfRangeIsRefused) {
    const QString hintText = hint();
    const struct {
        const char* typed;
        const char* shown;
        std::int32_t stored;
        const char* notice;  // "" for the hint
    } cases[] = {
        {"1234", "1200", 12, "Level 2: 1234 rounded to 1200 DPI, the nearest value the mouse can hold."},
        {"5100", "5000", 51, "Level 2: 5100 rounded to 5000 DPI, the nearest value the mouse can hold."},
        {"5150", "5200", 52, "Level 2: 5150 rounded to 5200 DPI, the nearest value the mouse can hold."},
        {"40", "5200", 52, "Level 2: “40” not taken. Type a DPI from 100 to 9800."},
        {"12000", "5200", 52, "Level 2: “12000” not taken. Type a DPI from 100 to 9800."},
        {"1600 or so", "5200", 52, "Level 2: “1600 or…” not taken. Type a DPI from 100 to 9800."},
        {" 100 ", "100", 1, ""},
    };
    for (const auto& c : cases) {
        typeValue(2, c.typed);
        EXPECT_EQ(label(2)->text(), c.shown) << c.typed;
        EXPECT_EQ(record().profiles[0].dpiValuesX[1], c.stored) << c.typed;
        EXPECT_EQ(slider(2)->value(), static_cast<int>(dpiStepFor(c.stored))) << c.typed;
        EXPECT_EQ(hint(), *c.notice ? QString::fromUtf8(c.notice) : hintText) << c.typed;
    }
    typeValue(2, "3000");
    showProfile(1);  // the notice was about the profile left
    EXPECT_EQ(hint(), hintText);

    // Apply and the profile buttons take no focus: pressing one still takes what was typed first.
    QPushButton elsewhere(&page);
    elsewhere.setFocusPolicy(Qt::NoFocus);
    elsewhere.show();
    page.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&page, qx4::test::kPatienceMs));
    label(4)->setFocus();
    label(4)->selectAll();
    QTest::keyClicks(label(4), QStringLiteral("2250"));
    QTest::mouseClick(label(4), Qt::LeftButton);  // placing the cursor takes nothing yet
    EXPECT_EQ(record().profiles[1].dpiValuesX[3], 16);
    QTest::mouseClick(&elsewhere, Qt::LeftButton);
    EXPECT_EQ(record().profiles[1].dpiValuesX[3], 22);
    EXPECT_EQ(hint(), "Level 4: 2250 rounded to 2200 DPI, the nearest value the mouse can hold.");
}

TEST_F(DpiPageTest, TheMouseSwitchingLevelMovesTheHighlight) {
    data.change([](DeviceConfig& config) { config.profiles[0].dpiLevel = 5; });  // as the mouse's switch does
    const DeviceConfig before = record();
    page.deviceEvent({DeviceEvent::Kind::dpiLevelChanged, 5});
    EXPECT_TRUE(option(6)->isChecked() && !option(3)->isChecked());
    EXPECT_EQ(numberColor(6), 0xFFF08300u);
    EXPECT_EQ(numberColor(3), 0xFFFFFFFFu);
    EXPECT_TRUE(!onSwitch(6)->isEnabled() && onSwitch(3)->isEnabled());
    EXPECT_EQ(changedBytes(before, record()), "");
}

TEST_F(DpiPageTest, TypedComponentsAreLimitedAndOnlyAConfirmedColourIsStoredAsBBGGRR) {
    data.change([](DeviceConfig& config) { config.profiles[2].dpiColors[3] = 0x00563412; });
    showProfile(2);
    DeviceConfig expected = record();
    ASSERT_TRUE(pickColor(4, "cancel_btn", [](CDpiColorWnd& dialog) {
        EXPECT_EQ(dialog.color(), 0xFF123456u);
        EXPECT_EQ(type(dialog, kDpiDialogColorNames.components[1], " 300")->text(), "255");  // a space before it too
        EXPECT_EQ(type(dialog, kDpiDialogColorNames.components[0], "-7")->text(), "0");
        EXPECT_EQ(type(dialog, kDpiDialogColorNames.components[2], "x9")->text(), "x9");  // no number: 0, left as typed
        EXPECT_EQ(dialog.color(), 0xFF00FF00u);
        EXPECT_EQ(swatchColor(dialog.findChild<QWidget*>(QString::fromLatin1(kDpiDialogColorNames.preview))), 0xFF00FF00u);
    }));
    EXPECT_EQ(changedBytes(expected, record()), "");
    EXPECT_EQ(swatchColor(swatch(4)), 0xFF123456u);

    QRect shownAt;
    ASSERT_TRUE(pickColor(4, "confirm_btn", [&](CDpiColorWnd& dialog) {
        shownAt = dialog.geometry();
        EXPECT_EQ(type(dialog, kDpiDialogColorNames.components[2], "99999999999")->text(), "255");
    }));
    expected.profiles[2].dpiColors[3] = 0x00FF3412;
    EXPECT_EQ(changedBytes(expected, record()), "");
    EXPECT_EQ(swatchColor(swatch(4)), 0xFF1234FFu);
    EXPECT_EQ(shownAt, QRect(swatch(4)->mapToGlobal(QPoint(-140, swatch(4)->height())), QSize(250, 200)));

    // The mouse switching profiles while the dialog is open must not move the colour with it.
    ASSERT_TRUE(pickColor(2, "confirm_btn", [&](CDpiColorWnd& dialog) {
        showProfile(4);
        dialog.findChild<QAbstractButton*>(QStringLiteral("mouse_dpi_color_14"))->click();  // 0xFF48B1FF
    }));
    expected.activeProfile = 4;
    expected.profiles[2].dpiColors[1] = 0x00FFB148;
    EXPECT_EQ(changedBytes(expected, record()), "");
}

TEST(SystemMouseSettings, TheRunningDesktopsToolStartsAndWithoutAToolTheButtonSaysSoWithOKAlone) {
    const qx4::test::ScopedEnv desktop("XDG_CURRENT_DESKTOP", "X-Cinnamon");
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
        const qx4::test::ScopedEnv path("PATH", folder.path().toStdString());
        bool opened = false;
        const bool answered = test::answerModal<CMsgWnd>(
            [&](CMsgWnd& box) {
                EXPECT_EQ(box.findChild<QLabel*>(QStringLiteral("warning"))->text(),
                          ResourceManager::instance().text(QStringLiteral("mouse_settings_missing_text")));
                EXPECT_TRUE(box.findChild<QAbstractButton*>(QStringLiteral("cancel_btn"))->isHidden())
                    << "nothing to choose: OK alone";
                box.findChild<QAbstractButton*>(QStringLiteral("confirm_btn"))->click();
            },
            [&] { opened = openSystemMouseSettings(); });
        EXPECT_EQ(opened, toolsInstalled);
        EXPECT_EQ(answered, !toolsInstalled);
        if (toolsInstalled) {
            QFile note(folder.filePath(QStringLiteral("started")));
            EXPECT_TRUE(QTest::qWaitFor([&] { return note.size() > 0; }, qx4::test::kPatienceMs));
            ASSERT_TRUE(note.open(QIODevice::ReadOnly));
            EXPECT_EQ(note.readAll(), "cinnamon-settings mouse\n");
        }
    }
}

}  // namespace
}  // namespace qx4::gui
