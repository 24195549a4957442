// The DPI page and its colour dialog driven as a user would: level options, sliders, the
// report-rate combo, colour swatches and the dialog's colour editor.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTest>

#include "gui/pages/page_table.h"
#include "gui/pages/color_editor.h"
#include "gui/pages/color_forms.h"
#include "gui/pages/dpi_color_wnd.h"
#include "gui/pages/wireless_dpi_ui.h"
#include "page_test_support.h"

namespace qx4::gui {
namespace {

using test::changedBytes;

class DpiPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        page.resize(760, 400);
        page.setContext({record.get()});
        page.show();
        page.refreshFromRecord();
    }

    template <typename T>
    T* find(const char* name, int n) { return page.findChild<T*>(QString::fromLatin1(name).arg(n)); }
    QLabel* label(int n) { return find<QLabel>("wireless_dpi_value_%1", n); }
    QLabel* unit(int n) { return find<QLabel>("wireless_dpi_unit_%1", n); }
    QSlider* slider(int n) { return find<QSlider>("wireless_dpi%1_slider", n); }
    QAbstractButton* option(int n) { return find<QAbstractButton>("wireless_dpi_btn_%1", n); }
    QAbstractButton* swatch(int n) { return find<QAbstractButton>("wireless_dpi_color%1", n); }
    QComboBox* rateCombo() { return page.findChild<QComboBox*>(QStringLiteral("wireless_polling_rate_combo")); }
    void showProfile(int profile) {
        record->activeProfile = profile;
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

    // Opens level n's colour dialog, lets `choose` work in it, then closes it with `button`.
    bool pickColor(int n, const char* button, const std::function<void(CDpiColorWnd&)>& choose) {
        return test::answerModal<CDpiColorWnd>(
            [&](CDpiColorWnd& dialog) {
                choose(dialog);
                dialog.findChild<QAbstractButton*>(QString::fromLatin1(button))->click();
            },
            [&] { swatch(n)->click(); });
    }

    std::unique_ptr<DeviceConfig> record = test::defaultRecord();
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

TEST_F(DpiPageTest, ShowingAProfileWritesNothingBackAndEditsLandInItsOwnFields) {
    auto& shown = record->profiles[3];
    // 50 and 0 are not what they seem on the wire (4,900 and 100 DPI); 7 is no report rate.
    shown.dpiValuesX = {1, 2, 3, 49, 50, 70, 98, 0};
    shown.dpiLevelEnabled[7] = 1;
    shown.dpiColors[5] = 0x00123456;
    shown.dpiLevel = 6;
    shown.pollingRateIndex = 7;
    DeviceConfig expected = *record;
    expected.activeProfile = 3;
    showProfile(3);
    EXPECT_EQ(changedBytes(expected, *record), "");
    EXPECT_EQ(QStringList({label(5)->text(), label(6)->text(), label(7)->text(), label(8)->text()}),
              QStringList({"4900", "7000", "9800", "100"}));
    EXPECT_EQ(slider(5)->value(), slider(4)->value());
    EXPECT_EQ(slider(8)->value(), slider(1)->value());
    EXPECT_EQ(swatchColor(swatch(6)), 0xFF563412u);
    EXPECT_TRUE(option(7)->isChecked());
    EXPECT_EQ(rateCombo()->currentIndex(), -1);
    EXPECT_EQ(rateCombo()->placeholderText(), "500 Hz (stored value 7)");

    option(2)->click();
    expected.profiles[3].dpiLevel = 1;
    rateCombo()->setCurrentIndex(2);
    expected.profiles[3].pollingRateIndex = 2;
    EXPECT_EQ(drag(5, slider(5)->value() - 24), "2500");  // each move reaches the label before any release
    expected.profiles[3].dpiValuesX[4] = 25;
    EXPECT_EQ(changedBytes(expected, *record), "");
}

TEST_F(DpiPageTest, EverySliderReachesTheWholeRangeAndStoresWhatTheMouseTakes) {
    const auto storedOf = [&](int n) { return record->profiles[0].dpiValuesX[static_cast<std::size_t>(n - 1)]; };
    EXPECT_EQ(label(7)->text(), "4900");  // the default 50: sent as 4,900
    const int defaultPosition = slider(7)->value();
    EXPECT_EQ(drag(7, slider(7)->maximum()), "9800");
    EXPECT_EQ(storedOf(7), 98);
    EXPECT_EQ(drag(7, slider(7)->maximum() - 1), "9600");
    EXPECT_EQ(storedOf(7), 96);
    EXPECT_EQ(drag(7, defaultPosition + 1), "5000");
    EXPECT_EQ(storedOf(7), 51);  // the only value sent as 5,000
    EXPECT_EQ(drag(7, defaultPosition), "4900");
    EXPECT_EQ(storedOf(7), 49);
    EXPECT_EQ(drag(2, slider(2)->minimum()), "100");
    EXPECT_EQ(storedOf(2), 1);
}

TEST_F(DpiPageTest, ALevelTheMouseSkipsReadsOffYetKeepsItsValueEditable) {
    // Level 8 is off by default, holding 0 (sent as 100).
    auto* column = page.findChild<QWidget*>(QStringLiteral("wireless_dpi_level_8"));
    EXPECT_EQ(label(8)->text(), "OFF");
    EXPECT_EQ(unit(8)->text(), "100 DPI");
    EXPECT_TRUE(column->property("levelOff").toBool());
    EXPECT_FALSE(label(8)->styleSheet().contains("#ffffff"));
    EXPECT_EQ(drag(8, slider(8)->value() + 19), "OFF");
    EXPECT_EQ(unit(8)->text(), "2000 DPI");
    EXPECT_EQ(record->profiles[0].dpiValuesX[7], 20);
    EXPECT_EQ(record->profiles[0].dpiLevelEnabled[7], 0);

    record->profiles[1].dpiLevelEnabled[7] = 1;
    showProfile(1);
    EXPECT_EQ(label(8)->text(), "100");
    EXPECT_EQ(unit(8)->text(), "DPI");
    EXPECT_FALSE(column->property("levelOff").toBool());
}

TEST_F(DpiPageTest, TheMouseSwitchingLevelMovesTheHighlightAndStoresNothing) {
    const DeviceConfig before = *record;
    page.deviceEvent({DeviceEvent::Kind::dpiLevelChanged, 5});
    EXPECT_TRUE(option(6)->isChecked());
    EXPECT_FALSE(option(3)->isChecked());
    EXPECT_TRUE(label(6)->styleSheet().contains("#f08300"));
    EXPECT_FALSE(label(3)->styleSheet().contains("#f08300"));
    EXPECT_EQ(changedBytes(before, *record), "");
}

TEST_F(DpiPageTest, AHiddenPageHandlesNoNotification) {
    const DeviceConfig before = *record;
    page.hide();
    slider(1)->setValue(30);
    rateCombo()->setCurrentIndex(0);
    option(8)->click();
    EXPECT_FALSE(test::answerModal<CDpiColorWnd>([](CDpiColorWnd& dialog) { dialog.reject(); },
                                                 [&] {
                                                     swatch(2)->click();
                                                     QApplication::processEvents();
                                                 }));
    EXPECT_EQ(changedBytes(before, *record), "");
}

TEST_F(DpiPageTest, TypedComponentsAreLimitedAndOnlyAConfirmedColourIsStoredAsBBGGRR) {
    record->profiles[2].dpiColors[3] = 0x00563412;
    showProfile(2);
    DeviceConfig expected = *record;
    ASSERT_TRUE(pickColor(4, "cancel_btn", [](CDpiColorWnd& dialog) {
        EXPECT_EQ(dialog.color(), 0xFF123456u);
        EXPECT_EQ(type(dialog, kDpiDialogColorNames.components[1], "300")->text(), "255");
        EXPECT_EQ(type(dialog, kDpiDialogColorNames.components[0], "-7")->text(), "0");
        EXPECT_EQ(type(dialog, kDpiDialogColorNames.components[2], "x9")->text(), "x9");  // no number: 0, left as typed
        EXPECT_EQ(dialog.color(), 0xFF00FF00u);
        EXPECT_EQ(swatchColor(dialog.findChild<QWidget*>(QString::fromLatin1(kDpiDialogColorNames.preview))), 0xFF00FF00u);
    }));
    EXPECT_EQ(changedBytes(expected, *record), "");
    EXPECT_EQ(swatchColor(swatch(4)), 0xFF123456u);

    QRect shownAt;
    ASSERT_TRUE(pickColor(4, "confirm_btn", [&](CDpiColorWnd& dialog) {
        shownAt = dialog.geometry();
        EXPECT_EQ(type(dialog, kDpiDialogColorNames.components[2], "99999999999")->text(), "255");
    }));
    expected.profiles[2].dpiColors[3] = 0x00FF3412;
    EXPECT_EQ(changedBytes(expected, *record), "");
    EXPECT_EQ(swatchColor(swatch(4)), 0xFF1234FFu);
    EXPECT_EQ(shownAt, QRect(swatch(4)->mapToGlobal(QPoint(-140, swatch(4)->height())), QSize(250, 200)));

    // The mouse switching profiles while the dialog is open must not move the colour with it.
    ASSERT_TRUE(pickColor(2, "confirm_btn", [&](CDpiColorWnd& dialog) {
        showProfile(4);
        dialog.findChild<QAbstractButton*>(QStringLiteral("mouse_dpi_color_14"))->click();  // 0xFF48B1FF
    }));
    expected.activeProfile = 4;
    expected.profiles[2].dpiColors[1] = 0x00FFB148;
    EXPECT_EQ(changedBytes(expected, *record), "");
    EXPECT_EQ(swatchColor(swatch(2)), storedToArgb(record->profiles[4].dpiColors[1]));
}

}  // namespace
}  // namespace qx4::gui
