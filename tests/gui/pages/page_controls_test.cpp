// Every page's controls as one table: a control, what a user does to it, and the fields of the
// shown profile that must change, and nothing else. The profile shown is not the first, so an
// edit that lands in another profile's fields shows; a hidden page (another tab, the window in the
// tray) takes none of it.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>

#include "gui/common/capture_service.h"
#include "gui/pages/dpi_color_wnd.h"
#include "gui/pages/page_table.h"
#include "tests/support/page_test_support.h"

namespace qx4::gui {
namespace {

constexpr int kShown = 2;

struct QuietHost final : PageHost {
    void requestApply(bool) override {}
};

template <typename T>
T* controlOf(QWidget& page, const char* name) {
    T* found = page.findChild<T*>(QString::fromLatin1(name));
    if (!found) ADD_FAILURE() << "no " << name;
    return found;
}
void clickOn(QWidget& page, const char* name) { controlOf<QAbstractButton>(page, name)->click(); }
void chooseItem(QWidget& page, const char* combo, int item) { controlOf<QComboBox>(page, combo)->setCurrentIndex(item); }
void slideTo(QWidget& page, const char* name, int value) { controlOf<QSlider>(page, name)->setValue(value); }
// A drag, handle held until the end, to the slider's lowest step.
void dragToLowest(QWidget& page, const char* name) {
    auto* slider = controlOf<QSlider>(page, name);
    slider->setSliderDown(true);
    slider->setSliderPosition(slider->minimum());
    slider->setSliderDown(false);
}
// Typed over the field's text, ended with Enter.
void typeInto(QWidget& page, const char* name, const char* text) {
    auto* field = controlOf<QLineEdit>(page, name);
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, QString::fromLatin1(text));
    QTest::keyClick(field, Qt::Key_Return);
}

struct PageCase {
    const char* page;  // the page's class in the page table
    const char* what;
    void (*act)(QWidget& page);
    void (*change)(ProfileSettings& shown);
};

const PageCase kCases[] = {
    {"WirelessDPI", "a level chosen", [](QWidget& p) { clickOn(p, "wireless_dpi_btn_5"); },
     [](ProfileSettings& s) { s.dpiLevel = 4; }},
    {"WirelessDPI", "a report rate chosen", [](QWidget& p) { chooseItem(p, "wireless_polling_rate_combo", 2); },
     [](ProfileSettings& s) { s.pollingRateIndex = 2; }},
    {"WirelessDPI", "level 8 switched on", [](QWidget& p) { clickOn(p, "wireless_dpi_on_8"); },
     [](ProfileSettings& s) { s.dpiLevelEnabled[7] = 1; }},
    {"WirelessDPI", "level 5 dragged to its lowest", [](QWidget& p) { dragToLowest(p, "wireless_dpi5_slider"); },
     [](ProfileSettings& s) { s.dpiValuesX[4] = 1; }},
    {"WirelessDPI", "level 3 typed", [](QWidget& p) { typeInto(p, "wireless_dpi_value_3", "2250"); },
     [](ProfileSettings& s) { s.dpiValuesX[2] = 22; }},
    {"WirelessDPI", "level 2's colour chosen",
     [](QWidget& p) {
         test::answerModal<CDpiColorWnd>(
             [](CDpiColorWnd& dialog) {
                 dialog.findChild<QAbstractButton*>(QStringLiteral("mouse_dpi_color_14"))->click();  // 0xFF48B1FF
                 dialog.findChild<QAbstractButton*>(QStringLiteral("confirm_btn"))->click();
             },
             [&] { clickOn(p, "wireless_dpi_color2"); });
     },
     [](ProfileSettings& s) { s.dpiColors[1] = 0x00FFB148; }},
    {"WirelessLight", "an effect chosen", [](QWidget& p) { chooseItem(p, "wireless_light_mode_combo", 2); },
     [](ProfileSettings& s) { s.lightMode = 2; }},
    {"WirelessLight", "brightness", [](QWidget& p) { slideTo(p, "wireless_brightness_slider", 1); },
     [](ProfileSettings& s) { s.lightBrightness = 1; }},
    {"WirelessLight", "speed", [](QWidget& p) { slideTo(p, "wireless_breathing_slider", 7); },
     [](ProfileSettings& s) { s.lightBreathSpeed = 7; }},
    {"WirelessLight", "a direction", [](QWidget& p) { clickOn(p, "wireless_direction_1"); },
     [](ProfileSettings& s) { s.lightDirection = 0; }},
    {"WirelessLight", "a preset colour", [](QWidget& p) { clickOn(p, "wireless_color_btn3"); },  // 0xFF7F00FF
     [](ProfileSettings& s) {
         s.lightColor = 0x00FF007F;
         s.lightColorUntouched = 0;
     }},
    {"WirelessLight", "a component typed", [](QWidget& p) { typeInto(p, "wireless_g_edit", "300"); },
     [](ProfileSettings& s) {
         s.lightColor = 0x0000FFFF;
         s.lightColorUntouched = 0;
     }},
    {"WirelessButton", "button 6 made easy aim",
     [](QWidget& p) {
         clickOn(p, "wireless_button6_btn");
         QCoreApplication::processEvents();
         chooseItem(p, "wireless_button_type_combo", static_cast<int>(FunctionGroup::mouse));
         chooseItem(p, "wireless_mouse_type_combo", 10);
         clickOn(p, "wireless_button_apply_btn");
     },
     [](ProfileSettings& s) {
         s.buttons[5].functionCode = 22;
         s.buttons[5].functionGroup = 1;
     }},
};

TEST(PageControls, EachControlChangesItsOwnFieldsOfTheShownProfileAndAHiddenPageNone) {
    for (const PageCase& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.page << ": " << c.what);
        test::SessionData data;
        data.change([](DeviceConfig& record) { record.activeProfile = kShown; });
        QuietHost host;
        const HookTable hooks;
        CaptureService capture(hooks);
        QWidget mainWindow;
        const PageKind& kind = *findPageKind(c.page);
        const std::unique_ptr<SettingsPage> page(kind.create(nullptr, kind));
        page->setContext({&data.session, &host, &capture, &mainWindow});
        page->resize(760, 400);
        page->show();
        page->refreshFromRecord();
        const auto before = qx4::test::copyOf(data.record());
        const QSignalSpy edited(&data.session, &MouseSession::recordEdited);

        page->hide();
        c.act(*page);
        EXPECT_EQ(test::changedBytes(*before, data.record()), "") << "hidden";
        EXPECT_EQ(edited.count(), 0);

        page->show();
        page->refreshFromRecord();  // the controls the hidden page moved show the record again
        c.act(*page);
        auto expected = qx4::test::copyOf(*before);
        c.change(expected->profiles[kShown]);
        EXPECT_NE(test::changedBytes(*before, *expected), "") << "the case changes nothing";
        EXPECT_EQ(test::changedBytes(*expected, data.record()), "");
        EXPECT_GT(edited.count(), 0) << "an edit to save and to send";
    }
}

}  // namespace
}  // namespace qx4::gui
