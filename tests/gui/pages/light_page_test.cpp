// The lighting page driven as a user would: effect combo, sliders, the colour editor's presets,
// palette and component edits, direction options, and the preview that plays the effect.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QSlider>
#include <QTest>

#include <algorithm>
#include <cmath>

#include "gui/pages/color_editor.h"
#include "gui/pages/color_forms.h"
#include "gui/pages/color_palette.h"
#include "gui/pages/effect_preview.h"
#include "gui/pages/light_effects.h"
#include "gui/pages/wireless_light_ui.h"
#include "tests/support/page_test_support.h"

namespace qx4::gui {
namespace {

using test::changedBytes;

class LightPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        page.resize(542, 388);  // the room the main window gives a page
        page.setContext({&data.session});
        page.show();
        page.refreshFromRecord();
    }

    template <typename T>
    T* find(const QString& name) { return page.findChild<T*>(name); }
    QComboBox* modeCombo() { return find<QComboBox>(QStringLiteral("wireless_light_mode_combo")); }
    QSlider* slider(const char* name) { return find<QSlider>(QStringLiteral("wireless_%1_slider").arg(name)); }
    QLineEdit* edit(const char* channel) { return find<QLineEdit>(QStringLiteral("wireless_%1_edit").arg(channel)); }
    QStringList components() { return {edit("r")->text(), edit("g")->text(), edit("b")->text()}; }
    QRgb shownColor() { return swatchColor(find<QWidget>(QString::fromLatin1(kLightPageColorNames.preview))); }
    ColorPalette* palette() { return find<ColorPalette>(QString::fromLatin1(kLightPageColorNames.palette)); }
    EffectPreview* preview() { return find<EffectPreview>(QStringLiteral("wireless_preview_control")); }
    QAbstractButton* preset(int n) { return find<QAbstractButton>(QStringLiteral("wireless_color_btn%1").arg(n)); }
    QAbstractButton* direction(int n) { return find<QAbstractButton>(QStringLiteral("wireless_direction_%1").arg(n)); }
    void type(const char* channel, const char* text) {
        edit(channel)->selectAll();
        QTest::keyClicks(edit(channel), QString::fromLatin1(text));
    }
    void showProfile(int profile) {
        data.change([profile](DeviceConfig& config) { config.activeProfile = profile; });
        page.refreshFromRecord();
    }
    // "B", "S", "C" and "D" for the brightness, speed, colour and direction rows in view.
    QString rowsShown() {
        QString shown;
        for (auto [row, letter] : {std::pair{"wireless_brightness_ver", 'B'}, {"wireless_breath_ver", 'S'},
                                   {"wireless_color_hor", 'C'}, {"wireless_light_direction", 'D'}}) {
            if (find<QWidget>(QString::fromLatin1(row))->isVisibleTo(&page)) shown += QLatin1Char(letter);
        }
        return shown;
    }

    const DeviceConfig& record() const { return data.record(); }

    test::SessionData data;
    CWirelessLightUI page{nullptr, *findPageKind("WirelessLight")};
};

// The effects that blend one colour into the next never jump from one frame to the next, at the
// end of a colour as anywhere else.
TEST(LightEffects, BlendingEffectsChangeSmoothly) {
    constexpr int kBreathing = 2, kColorCycle = 3, kNeon = 7;
    for (const int mode : {kBreathing, kColorCycle, kNeon}) {
        SCOPED_TRACE(mode);
        const LightEffect effect{.mode = mode, .speed = 8};
        QColor before = lightAt(effect, 0.0, -1.0).color();
        float largest = 0;
        for (int ms = 1; ms <= 4000; ++ms) {
            const QColor now = lightAt(effect, ms / 1000.0, -1.0).color();
            largest = std::max({largest, std::abs(now.redF() - before.redF()), std::abs(now.greenF() - before.greenF()),
                                std::abs(now.blueF() - before.blueF())});
            before = now;
        }
        EXPECT_LT(largest, 0.02f);
    }
}

// Breathing through the spectrum takes its seven colours in turn, one a breath, then starts again.
TEST(LightEffects, BreathingThroughTheSpectrumTakesItsSevenColoursInTurn) {
    const LightEffect effect{.mode = 4, .speed = 1};  // a breath takes seven seconds
    QStringList hues;
    for (int breath = 0; breath < 8; ++breath) hues << QString::number(lightAt(effect, breath * 7.0 + 3.5, -1.0).color().hue());
    EXPECT_EQ(hues.join(' '), "0 30 60 120 180 240 300 0");
}

// The effect, its colour, brightness and speed and the still preview, as a picture of the page
// shows them.
TEST_F(LightPageTest, LooksAsItsPicture) {
    data.change([](DeviceConfig& config) { config.profiles[0].lightMode = 1; });  // steady: the preview stands still
    page.refreshFromRecord();
    EXPECT_TRUE(test::looksAsItsPicture(page, QStringLiteral("light_page")));
}

TEST_F(LightPageTest, EachEffectShowsItsRowsWholeAndThePreviewTakesTheRoomLeft) {
    const QStringList expected{"", "BC", "SC", "S", "S", "B", "SD", "S", "S", "BSD", "S", "S"};
    ASSERT_EQ(modeCombo()->count(), expected.size());
    for (int mode = 0; mode < expected.size(); ++mode) {
        modeCombo()->setCurrentIndex(mode);
        QApplication::processEvents();  // the layouts settle
        EXPECT_EQ(rowsShown(), expected[mode]) << "effect " << mode;
        EXPECT_GT(preview()->height(), page.height() * 2 / 5) << "effect " << mode;
        EXPECT_EQ(preview()->effect().mode, mode);
    }
}

TEST_F(LightPageTest, ShowsTheActiveProfile) {
    data.change([](DeviceConfig& config) { config.profiles[1].lightMode = 12; });  // an effect the list lacks is named and kept until one is chosen
    showProfile(1);
    EXPECT_EQ(modeCombo()->currentIndex(), -1);
    EXPECT_EQ(modeCombo()->placeholderText(), "Unknown effect (stored value 12)");
    EXPECT_EQ(rowsShown(), "");
    EXPECT_EQ(record().profiles[1].lightMode, 12) << "kept until one is chosen";
    data.change([](DeviceConfig& config) {
        auto& shown = config.profiles[2];
        shown.lightColor = 0x00332211;
        shown.lightDirection = 0;
        shown.lightMode = 2;
    });
    DeviceConfig expected = record();
    expected.activeProfile = 2;
    showProfile(2);
    EXPECT_EQ(changedBytes(expected, record()), "") << "showing a profile writes nothing back";
    EXPECT_EQ(components(), QStringList({"17", "34", "51"}));
    EXPECT_EQ(shownColor(), 0xFF112233u);
    EXPECT_TRUE(direction(1)->isChecked());
    EXPECT_EQ(rowsShown(), "SC");

    // The table of page controls checks the fields each control changes; here, what the page shows.
    slider("brightness")->setValue(3);
    slider("breathing")->setValue(7);
    direction(2)->click();
    modeCombo()->setCurrentIndex(1);
    find<QAbstractButton>(QStringLiteral("wireless_synchronize_btn"))->click();
    EXPECT_EQ(preset(11)->accessibleName(), text("color_preset_access_text").arg(11).arg("#FF0000"));
    preset(11)->click();  // 0xFFFF0000
    EXPECT_EQ(components(), QStringList({"255", "0", "0"}));
    type("g", "300");
    EXPECT_EQ(edit("g")->text(), "255");
    type("r", "-4");
    EXPECT_EQ(edit("r")->text(), "0");
    type("b", "200");
    EXPECT_EQ(record().profiles[2].lightColor, 0x00C8FF00u);
    EXPECT_EQ(shownColor(), 0xFF00FFC8u);
    EXPECT_EQ(palette()->selectColor(), 0xFF00FFC8u);
    EXPECT_EQ(preview()->effect(), (LightEffect{1, 0xFF00FFC8u, 3, 7, 1}));

    data.change([](DeviceConfig& config) { config.profiles[3].lightMode = 0; });
    showProfile(3);
    EXPECT_EQ(modeCombo()->currentIndex(), 0) << "off is an effect too";
}

TEST_F(LightPageTest, APaletteDragOrAHeldArrowKeyPreviewsAndOnlyTheReleaseStores) {
    data.change([](DeviceConfig& config) { config.profiles[0].lightColor = 0x00604020; });  // unsaturated, unlike any colour the drag ends on
    page.refreshFromRecord();
    modeCombo()->setCurrentIndex(1);
    const DeviceConfig beforeDrag = record();
    ColorPalette* field = palette();
    QTest::keyRelease(field, Qt::Key_Tab);  // the key that brought the focus here
    EXPECT_EQ(changedBytes(beforeDrag, record()), "") << "a release with no move before it chooses nothing";
    QTest::mouseRelease(field, Qt::LeftButton, Qt::NoModifier, QPoint(1, 1));
    EXPECT_EQ(changedBytes(beforeDrag, record()), "") << "nor the release of a press made elsewhere";
    const QPoint end(field->width() - 1, 0);  // full saturation and value
    QTest::mousePress(field, Qt::LeftButton, Qt::NoModifier, QPoint(field->width() / 2, field->height() / 4));
    QTest::mouseMove(field, end);
    const QRgb dragged = field->selectColor();
    EXPECT_EQ(std::max({qRed(dragged), qGreen(dragged), qBlue(dragged)}), 255);
    EXPECT_EQ(std::min({qRed(dragged), qGreen(dragged), qBlue(dragged)}), 0);
    EXPECT_EQ(changedBytes(beforeDrag, record()), "");
    EXPECT_EQ(shownColor(), dragged);
    EXPECT_EQ(preview()->effect().color, dragged);
    EXPECT_EQ(edit("b")->text(), QString::number(qBlue(dragged)));

    QTest::mouseRelease(field, Qt::LeftButton, Qt::NoModifier, end);
    DeviceConfig expected = beforeDrag;
    expected.profiles[0].lightColor = argbToStored(dragged);
    expected.profiles[0].lightColorUntouched = 0;
    EXPECT_EQ(changedBytes(expected, record()), "");

    // From the keyboard a held arrow previews and its release stores.
    QTest::keyPress(field, Qt::Key_Down);
    const QRgb darker = field->selectColor();
    EXPECT_LT(std::max({qRed(darker), qGreen(darker), qBlue(darker)}), 255);
    EXPECT_EQ(shownColor(), darker);
    EXPECT_EQ(changedBytes(expected, record()), "");
    QTest::keyRelease(field, Qt::Key_Down);
    expected.profiles[0].lightColor = argbToStored(darker);
    EXPECT_EQ(changedBytes(expected, record()), "");
}

// Idle costs nothing: frames are drawn only while the preview can be seen and the effect moves.
// A hidden page handles no notification (the table of page controls tries its controls).
TEST_F(LightPageTest, ThePreviewPlaysOnlyWhileItCanBeSeenAndAHiddenPageTakesNoInput) {
    modeCombo()->setCurrentIndex(6);  // wave
    EXPECT_TRUE(preview()->isAnimating());
    const DeviceConfig before = record();
    page.hide();  // another tab, or the window gone to the tray
    EXPECT_FALSE(preview()->isAnimating());
    Q_EMIT edit("r")->textEdited(QStringLiteral("12"));
    Q_EMIT palette()->colorChangedButtonUp(0xFF00FF00);
    EXPECT_EQ(changedBytes(before, record()), "");
    page.show();
    modeCombo()->setCurrentIndex(6);
    EXPECT_TRUE(preview()->isAnimating());
    page.setWindowState(Qt::WindowMinimized);
    EXPECT_FALSE(preview()->isAnimating());
    page.setWindowState(Qt::WindowNoState);
    EXPECT_TRUE(preview()->isAnimating());
    modeCombo()->setCurrentIndex(1);  // steady: one frame is enough
    EXPECT_FALSE(preview()->isAnimating());
}

}  // namespace
}  // namespace qx4::gui
