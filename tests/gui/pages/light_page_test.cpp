// The lighting page driven as a user would: effect combo, sliders, colour buttons, palette,
// component edits and direction options.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QSlider>
#include <QTest>

#include "gui/app/resource_manager.h"
#include "gui/pages/color_forms.h"
#include "gui/pages/color_palette.h"
#include "gui/pages/wireless_light_ui.h"
#include "page_test_support.h"

namespace qx4::gui {
namespace {

using test::changedBytes;

class LightPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        record = test::defaultRecord();
        page = std::make_unique<CWirelessLightUI>();
        page->resize(760, 420);
        page->setContext({record.get()});
        page->show();
        page->refreshFromRecord();
    }

    template <typename T>
    T* control(const QString& name) {
        T* found = page->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name.toStdString();
        return found;
    }
    QComboBox* modeCombo() { return control<QComboBox>(QStringLiteral("wireless_light_mode_combo")); }
    QLineEdit* edit(char channel) {
        return control<QLineEdit>(QStringLiteral("wireless_%1_edit").arg(QLatin1Char(channel)));
    }
    QStringList components() { return {edit('r')->text(), edit('g')->text(), edit('b')->text()}; }
    QRgb preview() { return swatchColor(control<QWidget>(QStringLiteral("wireless_preview_control"))); }
    ColorPalette* palette() { return control<ColorPalette>(QStringLiteral("wireless_light_color_pallet")); }
    QAbstractButton* colorButton(int n) {
        return control<QAbstractButton>(QStringLiteral("wireless_color_btn%1").arg(n));
    }
    QAbstractButton* direction(int n) {
        return control<QAbstractButton>(QStringLiteral("wireless_direction_%1").arg(n));
    }
    void type(char channel, const char* text) {
        edit(channel)->selectAll();
        QTest::keyClicks(edit(channel), QString::fromLatin1(text));
    }
    // "B", "S" and "C" for the brightness, speed and colour rows in view.
    QString rowsShown() {
        QString shown;
        if (control<QWidget>(QStringLiteral("wireless_brightness_ver"))->isVisibleTo(page.get())) shown += 'B';
        if (control<QWidget>(QStringLiteral("wireless_breath_ver"))->isVisibleTo(page.get())) shown += 'S';
        if (control<QWidget>(QStringLiteral("wireless_color_hor"))->isVisibleTo(page.get())) shown += 'C';
        return shown;
    }
    void showProfile(int profile) {
        record->activeProfile = profile;
        page->refreshFromRecord();
    }

    std::unique_ptr<DeviceConfig> record;
    std::unique_ptr<CWirelessLightUI> page;
};

TEST_F(LightPageTest, EachEffectShowsTheRowsItUses) {
    const QStringList expected{"", "BC", "SC", "S", "S", "B", "S", "S", "S", "BS", "S", "S"};
    ASSERT_EQ(modeCombo()->count(), expected.size());
    for (int mode = 0; mode < expected.size(); ++mode) {
        modeCombo()->setCurrentIndex(mode);
        EXPECT_EQ(rowsShown(), expected[mode]) << "effect " << mode;
        EXPECT_EQ(record->profiles[0].lightMode, mode);
    }
    // An effect the layout does not list (a foreign file) shows none of the rows.
    record->profiles[1].lightMode = 12;
    showProfile(1);
    EXPECT_EQ(rowsShown(), "");
    record->profiles[2].lightMode = 1;
    showProfile(2);
    EXPECT_EQ(rowsShown(), "BC");
}

TEST_F(LightPageTest, ChosenEffectExplainsItselfButShowingAProfileDoesNot) {
    modeCombo()->setCurrentIndex(9);
    const QString tip = ResourceManager::instance().text(QStringLiteral("wireless_lightmode10"));
    EXPECT_EQ(modeCombo()->toolTip(), tip);
    EXPECT_NE(tip, "wireless_lightmode10");

    record->profiles[3].lightMode = 2;
    DeviceConfig expected = *record;
    expected.activeProfile = 3;
    showProfile(3);
    EXPECT_EQ(modeCombo()->currentIndex(), 2);
    EXPECT_EQ(modeCombo()->toolTip(), tip);
    EXPECT_EQ(changedBytes(expected, *record), "");
}

TEST_F(LightPageTest, EditsLandInTheActiveProfileOnlyAndInTheirOwnField) {
    showProfile(2);
    DeviceConfig expected = *record;
    control<QSlider>(QStringLiteral("wireless_brightness_slider"))->setValue(3);
    expected.profiles[2].lightBrightness = 3;
    control<QSlider>(QStringLiteral("wireless_breathing_slider"))->setValue(7);
    expected.profiles[2].lightBreathSpeed = 7;
    direction(1)->click();
    expected.profiles[2].lightDirection = 0;
    modeCombo()->setCurrentIndex(1);
    expected.profiles[2].lightMode = 1;
    colorButton(11)->click();
    expected.profiles[2].lightColor = 0x000000FF;
    expected.profiles[2].lightColorUntouched = 0;
    control<QAbstractButton>(QStringLiteral("wireless_synchronize_btn"))->click();
    EXPECT_EQ(changedBytes(expected, *record), "");

    EXPECT_EQ(components(), QStringList({"255", "0", "0"}));
    EXPECT_EQ(preview(), 0xFFFF0000u);
    EXPECT_EQ(palette()->selectColor(), 0xFFFF0000u);
}

TEST_F(LightPageTest, TypedComponentsReplaceOneByteAndAreLimited) {
    record->profiles[0].lightColor = 0x00332211;
    page->refreshFromRecord();
    EXPECT_EQ(components(), QStringList({"17", "34", "51"}));

    type('g', "300");
    EXPECT_EQ(record->profiles[0].lightColor, 0x0033FF11u);
    EXPECT_EQ(edit('g')->text(), "255");
    EXPECT_EQ(record->profiles[0].lightColorUntouched, 0);

    type('g', "ab");
    EXPECT_EQ(record->profiles[0].lightColor, 0x00330011u);
    EXPECT_EQ(edit('g')->text(), "ab");

    type('b', "200");
    type('r', "-4");
    EXPECT_EQ(record->profiles[0].lightColor, 0x00C80000u);
    EXPECT_EQ(edit('r')->text(), "0");
    EXPECT_EQ(preview(), 0xFF0000C8u);
    EXPECT_EQ(palette()->selectColor(), 0xFF0000C8u);
}

TEST_F(LightPageTest, PaletteDragPreviewsAndOnlyTheReleaseStores) {
    modeCombo()->setCurrentIndex(1);
    const DeviceConfig beforeDrag = *record;
    ColorPalette* field = palette();
    QTest::mousePress(field, Qt::LeftButton, Qt::NoModifier, QPoint(field->width() - 1, 0));
    QTest::mouseMove(field, QPoint(field->width() / 2, field->height() / 4));
    const QRgb dragged = field->selectColor();
    EXPECT_EQ(changedBytes(beforeDrag, *record), "");
    EXPECT_EQ(preview(), dragged);
    EXPECT_EQ(components(), QStringList({QString::number(qRed(dragged)), QString::number(qGreen(dragged)),
                                         QString::number(qBlue(dragged))}));

    QTest::mouseRelease(field, Qt::LeftButton, Qt::NoModifier, QPoint(field->width() / 2, field->height() / 4));
    DeviceConfig expected = beforeDrag;
    expected.profiles[0].lightColor = argbToStored(dragged);
    expected.profiles[0].lightColorUntouched = 0;
    EXPECT_EQ(changedBytes(expected, *record), "");
}

TEST_F(LightPageTest, DirectionOptionsFollowTheProfileShown) {
    EXPECT_TRUE(direction(2)->isChecked());
    record->profiles[1].lightDirection = 0;
    showProfile(1);
    EXPECT_TRUE(direction(1)->isChecked());
    EXPECT_FALSE(direction(2)->isChecked());
    showProfile(0);
    EXPECT_TRUE(direction(2)->isChecked());
}

TEST_F(LightPageTest, HiddenPageHandlesNoNotification) {
    const DeviceConfig before = *record;
    page->hide();
    modeCombo()->setCurrentIndex(0);
    control<QSlider>(QStringLiteral("wireless_brightness_slider"))->setValue(1);
    colorButton(3)->click();
    direction(1)->click();
    edit('r')->setText(QStringLiteral("12"));
    Q_EMIT edit('r')->textEdited(QStringLiteral("12"));
    Q_EMIT palette()->colorChangedButtonUp(0xFF00FF00);
    EXPECT_EQ(changedBytes(before, *record), "");
}

}  // namespace
}  // namespace qx4::gui
