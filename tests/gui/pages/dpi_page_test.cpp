// The DPI page driven as a user would: sliders, level options, report-rate combo and colour swatches.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QStyleOptionSlider>
#include <QTest>

#include <set>
#include <utility>

#include "core/device/reports.h"
#include "gui/pages/color_forms.h"
#include "gui/pages/dpi_color_wnd.h"
#include "gui/pages/wireless_dpi_ui.h"
#include "page_test_support.h"

namespace qx4::gui {
namespace {

using test::changedBytes;

// True when some pixel of the widget is drawn close to `color`, as text in that colour would be.
bool drawsColor(QWidget* widget, QRgb color) {
    const QImage image = widget->grab().toImage();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (std::abs(qRed(pixel) - qRed(color)) < 20 && std::abs(qGreen(pixel) - qGreen(color)) < 20 &&
                std::abs(qBlue(pixel) - qBlue(color)) < 20) {
                return true;
            }
        }
    }
    return false;
}

class DpiPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        record = test::defaultRecord();
        page = std::make_unique<CWirelessDPIUI>();
        page->resize(760, 400);
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
    QLabel* valueLabel(int n) { return control<QLabel>(QStringLiteral("wireless_dpi_value_%1").arg(n)); }
    QSlider* slider(int n) { return control<QSlider>(QStringLiteral("wireless_dpi%1_slider").arg(n)); }
    QAbstractButton* option(int n) {
        return control<QAbstractButton>(QStringLiteral("wireless_dpi_btn_%1").arg(n));
    }
    QAbstractButton* swatch(int n) {
        return control<QAbstractButton>(QStringLiteral("wireless_dpi_color%1").arg(n));
    }
    QComboBox* pollingCombo() { return control<QComboBox>(QStringLiteral("wireless_polling_rate_combo")); }

    // Switches the record to `profile` and shows it, as the wireless page does.
    void showProfile(int profile) {
        record->activeProfile = profile;
        page->refreshFromRecord();
    }

    std::unique_ptr<DeviceConfig> record;
    std::unique_ptr<CWirelessDPIUI> page;
};

TEST_F(DpiPageTest, ShowsTheActiveProfileAndChangesNothingWhileShowingIt) {
    const QStringList labels{"400", "800", "1200", "1600", "3200", "4000", "5000", "0"};
    for (int n = 1; n <= 8; ++n) {
        EXPECT_EQ(valueLabel(n)->text(), labels[n - 1]) << "level " << n;
        EXPECT_EQ(swatchColor(swatch(n)), storedToArgb(record->profiles[0].dpiColors[n - 1]));
        EXPECT_EQ(option(n)->isChecked(), n == 3) << "level " << n;
        EXPECT_EQ(drawsColor(valueLabel(n), CWirelessDPIUI::kCurrentLevelLabelColor), n == 3)
            << "level " << n;
    }
    EXPECT_EQ(pollingCombo()->currentIndex(), 3);

    // A profile with values the sliders cannot show (5000 DPI lies past their end) and other
    // choices: showing it must not write anything back.
    auto& other = record->profiles[3];
    other.dpiValuesX = {1, 2, 3, 49, 50, 70, 98, 0};
    other.dpiColors[5] = 0x00123456;
    other.dpiLevel = 6;
    other.pollingRateIndex = 0;
    DeviceConfig expected = *record;
    expected.activeProfile = 3;
    showProfile(3);
    EXPECT_EQ(changedBytes(expected, *record), "");
    EXPECT_EQ(valueLabel(5)->text(), "5000");
    EXPECT_EQ(valueLabel(7)->text(), "9800");
    EXPECT_EQ(swatchColor(swatch(6)), 0xFF563412u);
    EXPECT_TRUE(option(7)->isChecked());
    EXPECT_FALSE(option(3)->isChecked());
    EXPECT_EQ(pollingCombo()->currentIndex(), 0);
}

TEST_F(DpiPageTest, EditsLandInTheActiveProfileOnlyAndInTheirOwnField) {
    showProfile(1);
    DeviceConfig expected = *record;

    option(6)->click();
    expected.profiles[1].dpiLevel = 5;
    pollingCombo()->setCurrentIndex(1);
    expected.profiles[1].pollingRateIndex = 1;
    slider(2)->setValue(25);
    expected.profiles[1].dpiValuesX[1] = 25;

    EXPECT_EQ(changedBytes(expected, *record), "");
    EXPECT_TRUE(drawsColor(valueLabel(6), CWirelessDPIUI::kCurrentLevelLabelColor));
    EXPECT_FALSE(drawsColor(valueLabel(3), CWirelessDPIUI::kCurrentLevelLabelColor));
    EXPECT_EQ(valueLabel(2)->text(), "2500");
}

TEST_F(DpiPageTest, LabelFollowsTheSliderWhileItIsDragged) {
    QSlider* dragged = slider(4);
    QStyleOptionSlider option;
    option.initFrom(dragged);
    option.orientation = dragged->orientation();
    option.minimum = dragged->minimum();
    option.maximum = dragged->maximum();
    option.sliderPosition = dragged->sliderPosition();
    option.sliderValue = dragged->value();
    option.upsideDown = !dragged->invertedAppearance();  // vertical sliders grow upwards
    const QRect handle = dragged->style()->subControlRect(QStyle::CC_Slider, &option,
                                                          QStyle::SC_SliderHandle, dragged);
    ASSERT_TRUE(handle.isValid());
    const QPoint start = handle.center();
    QTest::mousePress(dragged, Qt::LeftButton, Qt::NoModifier, start);
    QTest::mouseMove(dragged, start - QPoint(0, dragged->height() / 3));

    ASSERT_TRUE(dragged->isSliderDown());
    const int during = dragged->value();
    EXPECT_GT(during, 16);
    EXPECT_EQ(record->profiles[0].dpiValuesX[3], during);
    EXPECT_EQ(valueLabel(4)->text(), QString::number(during * 100));

    QTest::mouseMove(dragged, start + QPoint(0, dragged->height()));
    EXPECT_EQ(dragged->value(), dragged->minimum());
    EXPECT_EQ(valueLabel(4)->text(), QString::number(dragged->minimum() * 100));
    QTest::mouseRelease(dragged, Qt::LeftButton, Qt::NoModifier, start + QPoint(0, dragged->height()));
    EXPECT_EQ(record->profiles[0].dpiValuesX[3], dragged->minimum());
}

TEST_F(DpiPageTest, EverySliderValueReachesTheMouseAsItsOwnCode) {
    for (int n = 1; n <= 8; ++n) {
        std::set<std::pair<int, bool>> sent;
        for (int value = slider(n)->minimum(); value <= slider(n)->maximum(); ++value) {
            const DpiCode code = dpiSensorCode(value);
            EXPECT_TRUE(sent.insert({code.code, code.doubleRange}).second)
                << "level " << n << ": " << value * 100 << " DPI is sent like a lower value";
        }
        EXPECT_GE(sent.size(), 40u) << "level " << n << " offers too few values";
    }
}

TEST_F(DpiPageTest, HiddenPageHandlesNoNotification) {
    const DeviceConfig before = *record;
    page->hide();
    slider(1)->setValue(30);
    pollingCombo()->setCurrentIndex(0);
    option(8)->click();
    bool dialogOpened = false;
    QTimer::singleShot(0, [&] {
        if (auto* dialog = test::findTopLevel<CDpiColorWnd>()) {
            dialogOpened = true;
            dialog->reject();
        }
    });
    swatch(2)->click();
    QApplication::processEvents();
    EXPECT_FALSE(dialogOpened);
    EXPECT_EQ(changedBytes(before, *record), "");
}

TEST_F(DpiPageTest, MouseReportedLevelMovesTheSelectionWithoutStoring) {
    const DeviceConfig before = *record;
    page->showCurrentLevel(5);
    EXPECT_TRUE(option(6)->isChecked());
    EXPECT_FALSE(option(3)->isChecked());
    EXPECT_TRUE(drawsColor(valueLabel(6), CWirelessDPIUI::kCurrentLevelLabelColor));
    EXPECT_FALSE(drawsColor(valueLabel(3), CWirelessDPIUI::kCurrentLevelLabelColor));
    page->showCurrentLevel(8);  // out of range: ignored
    EXPECT_TRUE(option(6)->isChecked());
    EXPECT_EQ(changedBytes(before, *record), "");
}

TEST_F(DpiPageTest, ConfirmedColourIsStoredRedInTheLowByte) {
    showProfile(2);
    DeviceConfig expected = *record;
    QPoint dialogCorner;
    QSize dialogSize;
    const bool answered = test::answerModal<CDpiColorWnd>(
        [&](CDpiColorWnd& dialog) {
            dialogCorner = dialog.geometry().topLeft();
            dialogSize = dialog.size();
            EXPECT_EQ(dialog.color(), 0xFFFF00FFu);  // level 4's magenta, as shown
            auto* red = dialog.findChild<QLineEdit*>(QStringLiteral("r_edit"));
            auto* green = dialog.findChild<QLineEdit*>(QStringLiteral("g_edit"));
            auto* blue = dialog.findChild<QLineEdit*>(QStringLiteral("b_edit"));
            for (auto [edit, text] : {std::pair{red, "18"}, {green, "52"}, {blue, "86"}}) {
                edit->selectAll();
                QTest::keyClicks(edit, text);
            }
            dialog.findChild<QAbstractButton*>(QStringLiteral("confirm_btn"))->click();
        },
        [&] { swatch(4)->click(); });
    ASSERT_TRUE(answered);
    expected.profiles[2].dpiColors[3] = 0x00563412;
    EXPECT_EQ(changedBytes(expected, *record), "");
    EXPECT_EQ(swatchColor(swatch(4)), 0xFF123456u);

    const QPoint swatchBottomLeft = swatch(4)->mapToGlobal(QPoint(0, swatch(4)->height()));
    EXPECT_EQ(dialogCorner, swatchBottomLeft - QPoint(140, 0));
    EXPECT_EQ(dialogSize, QSize(250, 200));
}

TEST_F(DpiPageTest, CancelledColourStoresNothing) {
    const DeviceConfig before = *record;
    const bool answered = test::answerModal<CDpiColorWnd>(
        [](CDpiColorWnd& dialog) {
            dialog.findChild<QAbstractButton*>(QStringLiteral("mouse_dpi_color_11"))->click();
            dialog.findChild<QAbstractButton*>(QStringLiteral("cancel_btn"))->click();
        },
        [&] { swatch(1)->click(); });
    ASSERT_TRUE(answered);
    EXPECT_EQ(changedBytes(before, *record), "");
    EXPECT_EQ(swatchColor(swatch(1)), storedToArgb(before.profiles[0].dpiColors[0]));
}

TEST_F(DpiPageTest, ColourConfirmedAfterTheMouseSwitchedProfilesStaysWithTheClickedLevel) {
    DeviceConfig expected = *record;
    const bool answered = test::answerModal<CDpiColorWnd>(
        [&](CDpiColorWnd& dialog) {
            showProfile(4);  // the mouse switched profiles while the dialog was open
            dialog.findChild<QAbstractButton*>(QStringLiteral("mouse_dpi_color_11"))->click();
            dialog.findChild<QAbstractButton*>(QStringLiteral("confirm_btn"))->click();
        },
        [&] { swatch(2)->click(); });
    ASSERT_TRUE(answered);
    expected.activeProfile = 4;
    expected.profiles[0].dpiColors[1] = 0x000000FF;
    EXPECT_EQ(changedBytes(expected, *record), "");
    EXPECT_EQ(swatchColor(swatch(2)), storedToArgb(record->profiles[4].dpiColors[1]));
}

}  // namespace
}  // namespace qx4::gui
