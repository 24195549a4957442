// The button page driven as a user would: rows, the picture, the editor's selectors, check boxes
// and entries, keys arriving through the capture service, Apply, Cancel and the keyboard.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QEnterEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>

#include <map>
#include <sstream>

#include "gui/common/capture_service.h"
#include "gui/common/msg_wnd.h"
#include "gui/common/resource_manager.h"
#include "gui/pages/key_capture_field.h"
#include "gui/pages/mouse_picture.h"
#include "gui/pages/wireless_button_ui.h"
#include "tests/support/page_test_support.h"
#include "tests/support/patience.h"

namespace qx4::gui {
namespace {

struct Host final : PageHost {
    void requestApply(bool full) override { applies.push_back(full); }
    std::vector<bool> applies;
};

QString text(const char* key) { return ResourceManager::instance().text(QString::fromLatin1(key)); }

class ButtonPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        hooks.installhook = [](const qx4_message_sink*) { return 1; };
        page.resize(542, 388);
        page.setContext({&data.session, &host, &capture, &mainWindow});
        page.macrosChanged();
        page.refreshFromRecord();
        page.show();
        page.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&page, qx4::test::kPatienceMs));
    }

    template <typename T>
    T* find(const QString& name) { return page.findChild<T*>(name); }
    QPushButton* row(int n) { return find<QPushButton>(QStringLiteral("wireless_button%1_btn").arg(n)); }
    QLabel* indicator(int n) { return find<QLabel>(QStringLiteral("wireless_key%1_control").arg(n)); }
    QCheckBox* modifierBox(int n) { return find<QCheckBox>(QStringLiteral("wireless_check_key_%1").arg(n)); }
    QComboBox* combo(const char* name) { return find<QComboBox>(QString::fromLatin1(name)); }
    QAbstractButton* control(const char* name) { return find<QAbstractButton>(QString::fromLatin1(name)); }
    QLineEdit* edit(const char* name) { return find<QLineEdit>(QString::fromLatin1(name)); }
    MousePicture* picture() { return find<MousePicture>(QStringLiteral("wireless_mouse_picture")); }
    const ButtonBinding& stored(int n) { return data.record().active().buttons[static_cast<std::size_t>(n - 1)]; }
    // The binding changed from outside the page (an import, a macro saved).
    void store(int n, const ButtonBinding& binding) {
        data.change([n, &binding](DeviceConfig& config) { config.active().buttons[static_cast<std::size_t>(n - 1)] = binding; });
    }

    // Selects row n as a click does; the editor opens once the click has been handled.
    void open(int n) {
        row(n)->click();
        QCoreApplication::processEvents();
    }
    void chooseGroup(FunctionGroup group) { combo("wireless_button_type_combo")->setCurrentIndex(static_cast<int>(group)); }
    void apply() { control("wireless_button_apply_btn")->click(); }
    void cancel() { control("wireless_button_cancel_btn")->click(); }
    bool capturing() const { return capture.flag(CaptureService::Kind::buttonKey); }

    test::SessionData data{u"Reload", u"Burst"};
    Host host;
    HookTable hooks;
    CaptureService capture{hooks};
    QWidget mainWindow;
    CWirelessButtonUI page{nullptr, *findPageKind("WirelessButton")};
};

// The rows, their numbers and the picture beside them, as a picture of the page shows them.
TEST_F(ButtonPageTest, LooksAsItsPicture) { EXPECT_TRUE(test::looksAsItsPicture(page, QStringLiteral("button_page"))); }

TEST_F(ButtonPageTest, TheOnlyLeftClickIsKeptWithAWarningUntilAnotherButtonClicks) {
    ASSERT_TRUE(test::answerModal<CMsgWnd>(
        [&](CMsgWnd& box) {
            EXPECT_TRUE(indicator(1)->isVisible());
            EXPECT_TRUE(row(2)->isEnabled()) << "no editor holds the row alone";
            box.done(CMsgWnd::kConfirmed);
        },
        [&] { open(1); }));
    EXPECT_FALSE(test::answerModal<CMsgWnd>([](CMsgWnd& box) { box.reject(); },
                                            [] { QCoreApplication::processEvents(); }))
        << "unselecting the row must not select it again";
    EXPECT_EQ(page.editedButton(), -1);
    EXPECT_FALSE(row(1)->isChecked() || indicator(1)->isVisible());

    // Button 2 becomes a left click: the mouse group's first item, stored without touching it.
    open(2);
    chooseGroup(FunctionGroup::mouse);
    apply();
    EXPECT_EQ(stored(2).functionCode, 1);
    EXPECT_EQ(row(2)->text(), text("left_click_text"));

    open(1);
    EXPECT_EQ(page.editedButton(), 0);
    EXPECT_FALSE(row(2)->isEnabled()) << "one editor at a time";
    open(1);
    EXPECT_TRUE(row(1)->isChecked() && page.editedButton() == 0) << "a click on the open row leaves it open";
    EXPECT_EQ(find<QLabel>(QStringLiteral("wireless_button6_number"))->text(), "6");
    page.closeEditor();
    QCoreApplication::processEvents();
    EXPECT_EQ(page.editedButton(), -1) << "a closing editor must not reopen itself";
}

// Without a capture to hear keys from, the key field never listens, however it is asked.
TEST(KeyCaptureFieldTest, ListensOnlyWhileACaptureCanHearKeys) {
    QLineEdit edit;
    KeyCaptureField field(&edit);
    field.setCanListen(false);
    field.listen();
    EXPECT_FALSE(field.listening());
    field.setCanListen(true);
    field.listen();
    EXPECT_TRUE(field.listening());
    field.setCanListen(false);
    EXPECT_FALSE(field.listening()) << "losing the capture stops it";
}

TEST_F(ButtonPageTest, EachGroupStoresWhatItsSelectorShowsAndAsksForAFullDownload) {
    const struct {
        FunctionGroup group;
        const char* selector;
        int item;  // -1: applied as the group opens
        std::uint8_t code;
    } cases[] = {
        {FunctionGroup::mouse, "wireless_mouse_type_combo", 10, 22},  // easy aim sits between fire and scroll
        {FunctionGroup::dpi, "wireless_dpi_type_combo", 0, 6},  // back to the first from the last
        {FunctionGroup::profile, "wireless_profile_type_combo", -1, 54},
        {FunctionGroup::media, "wireless_media_type_combo", 8, 80},
        {FunctionGroup::system, "wireless_system_type_combo", -1, 117},
        {FunctionGroup::shortcut, "wireless_shortcut_type_combo", 14, 46},
        {FunctionGroup::defaultFunction, "", -1, 0},  // button 6 is off when new
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.selector);
        host.applies.clear();
        open(6);
        chooseGroup(c.group);
        if (c.item >= 0) {
            combo(c.selector)->setCurrentIndex(combo(c.selector)->count() - 1);
            combo(c.selector)->setCurrentIndex(c.item);
        }
        apply();
        EXPECT_EQ(stored(6).functionCode, c.code);
        EXPECT_EQ(stored(6).functionGroup, static_cast<std::uint8_t>(c.group));
        EXPECT_EQ(host.applies, std::vector<bool>{true});
    }
    ButtonBinding easyAim{};
    easyAim.functionCode = 22;
    easyAim.functionGroup = 1;
    store(6, easyAim);
    open(6);
    EXPECT_EQ(combo("wireless_mouse_type_combo")->currentIndex(), 10) << "a binding reopens at its own item";
    EXPECT_EQ(combo("wireless_mouse_type_combo")->toolTip(), text("easy_aim_text"));
}

TEST_F(ButtonPageTest, KeysAreCapturedOnceTheKeyFieldIsAskedAndBoxesTickedBeforeStayWithAKeyAlone) {
    const DeviceConfig before = data.record();
    QLineEdit* field = edit("wireless_keyboard_type_edit");
    const auto ask = [&] { QTest::keyClick(field, Qt::Key_Space); };
    open(6);
    EXPECT_FALSE(capturing());
    chooseGroup(FunctionGroup::keyboard);
    EXPECT_TRUE(field->hasFocus());
    EXPECT_FALSE(capturing()) << "the field has the keyboard but listens only once asked";
    ask();
    EXPECT_TRUE(capturing());
    chooseGroup(FunctionGroup::media);
    EXPECT_FALSE(capturing());
    chooseGroup(FunctionGroup::keyboard);
    apply();
    EXPECT_FALSE(capturing());
    EXPECT_EQ(test::changedBytes(before, data.record()), "") << "neither key nor modifier: nothing is stored";
    EXPECT_TRUE(host.applies.empty());

    open(6);
    chooseGroup(FunctionGroup::keyboard);
    modifierBox(1)->click();
    modifierBox(2)->click();
    ask();
    capture.deliver(CapturedInput::key(0x43, true));
    capture.deliver(CapturedInput::key(0x44, false));  // a release changes nothing
    apply();
    EXPECT_EQ(stored(6).keyCode, 0x06);
    EXPECT_EQ(stored(6).modifierMask, 3);
    EXPECT_EQ(stored(6).functionCode, 16);
    EXPECT_EQ(row(6)->text(), QStringLiteral("Ctrl+Shift+C"));
    EXPECT_EQ(row(6)->toolTip(), QStringLiteral("Ctrl+Shift+C"));

    open(6);
    EXPECT_TRUE(field->hasFocus()) << "a keyboard binding opens on its key field";
    ask();
    EXPECT_TRUE(capturing());
    page.hide();  // another tab
    EXPECT_FALSE(capturing());
    EXPECT_EQ(page.editedButton(), -1);
    chooseGroup(FunctionGroup::media);
    chooseGroup(FunctionGroup::keyboard);
    EXPECT_FALSE(capturing()) << "without an editor the group selector starts nothing";

    // Without the hook library the group says keys cannot be captured; the boxes still work.
    const HookTable none;
    CaptureService without(none);
    page.setContext({&data.session, &host, &without, &mainWindow});
    page.show();
    open(7);
    chooseGroup(FunctionGroup::keyboard);
    EXPECT_EQ(find<QLabel>(QStringLiteral("wireless_keyboard_hint_label"))->text(), text("keyboard_capture_missing_text"));
    modifierBox(4)->click();
    apply();
    EXPECT_EQ(row(7)->text(), QStringLiteral("Win+"));
}

TEST_F(ButtonPageTest, AMacroBindingCarriesItsMacroRepeatModeAndLoopCount) {
    open(6);
    chooseGroup(FunctionGroup::macro);
    apply();
    EXPECT_EQ(stored(6).functionCode, 0) << "without a macro the function stays";
    EXPECT_EQ(stored(6).macroLoopCount, 1);
    EXPECT_EQ(stored(6).macroIndex, -1);

    open(6);
    chooseGroup(FunctionGroup::macro);
    combo("wireless_macro_type_combo")->setCurrentIndex(1);
    auto* loopRow = find<QWidget>(QStringLiteral("wireless_loop_times_hor"));
    EXPECT_TRUE(loopRow->isVisible());
    for (const int mode : {1, 0}) {
        combo("wireless_macro_repeat_mode_combo")->setCurrentIndex(mode);
        EXPECT_EQ(loopRow->isVisible(), mode == 0) << "only the first repeat mode counts loops";
    }
    combo("wireless_macro_repeat_mode_combo")->setCurrentIndex(1);
    apply();
    EXPECT_EQ(stored(6).functionCode, 17);
    EXPECT_EQ(stored(6).functionGroup, 7);
    EXPECT_EQ(stored(6).macroRepeatMode, 1);
    EXPECT_EQ(row(6)->text(), QStringLiteral("▶ Held: Burst")) << "a macro, and how it plays";

    data.session.removeMacro(0);  // the store's order changed: the binding finds its macro by name
    page.macrosChanged();
    open(6);
    EXPECT_EQ(combo("wireless_macro_type_combo")->currentText(), QStringLiteral("Burst"));
}

// An emptied field gets its count back; Enter applies what the field shows.
TEST_F(ButtonPageTest, TheLoopCountRefusesWhatIsNotOneTo255AsItIsTypedEvenWhenEnterApplies) {
    open(6);
    chooseGroup(FunctionGroup::macro);
    combo("wireless_macro_type_combo")->setCurrentIndex(0);
    QLineEdit* loop = edit("wireless_loop_times_edit");
    const QString range = text("number_range_text").arg(1).arg(255);
    const struct {
        const char* keys;
        const char* shown;
        bool refused;
    } typed[] = {{"1a2", "12", true}, {"0", "12", true},  {"99999", "99", true},
                 {"300", "30", true}, {"", "30", false}, {"255", "255", false}};
    for (const auto& [keys, shown, refused] : typed) {
        QToolTip::hideText();
        loop->setFocus();
        loop->selectAll();
        QTest::keyClick(loop, Qt::Key_Delete);
        QTest::keyClicks(loop, QString::fromLatin1(keys));
        EXPECT_EQ(QToolTip::isVisible() ? QToolTip::text() : QString(), refused ? range : QString()) << keys;
        combo("wireless_macro_repeat_mode_combo")->setFocus();  // leaving the field commits it
        EXPECT_EQ(loop->text(), QString::fromLatin1(shown)) << "typed " << keys;
    }
    loop->setFocus();
    loop->selectAll();
    QTest::keyClicks(loop, QStringLiteral("7"));
    QTest::keyClick(loop, Qt::Key_Return);
    EXPECT_EQ(page.editedButton(), -1);
    EXPECT_EQ(stored(6).macroLoopCount, 7);
    EXPECT_EQ(stored(6).macroIndex, 0) << "the first macro, chosen";
}

TEST_F(ButtonPageTest, EnterAndEscapeInAnOpenListOnlyCloseItAndOtherwiseConfirmOrCancel) {
    const DeviceConfig before = data.record();
    row(5)->setFocus();
    QTest::keyClick(row(5), Qt::Key_Return);
    QCoreApplication::processEvents();
    ASSERT_EQ(page.editedButton(), 4);
    // A list is opened, walked with the arrows and closed from the keyboard.
    const auto walk = [](QComboBox* list, int downs, Qt::Key closing) {
        list->setFocus();
        QTest::keyClick(list, Qt::Key_F4);
        ASSERT_TRUE(list->view()->isVisible());
        for (int n = 0; n < downs; ++n) QTest::keyClick(list->view(), Qt::Key_Down);
        QTest::keyClick(list->view(), closing);
        EXPECT_FALSE(list->view()->isVisible());
    };
    walk(combo("wireless_button_type_combo"), 2, Qt::Key_Return);
    EXPECT_EQ(combo("wireless_button_type_combo")->currentIndex(), static_cast<int>(FunctionGroup::dpi));
    QComboBox* dpi = combo("wireless_dpi_type_combo");
    walk(dpi, 1, Qt::Key_Escape);
    EXPECT_EQ(page.editedButton(), 4) << "Enter and Esc closed a list, not the editor";
    EXPECT_TRUE(host.applies.empty());

    // Offscreen, no window is active once a popup has closed; a desktop gives the page it back.
    page.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&page, qx4::test::kPatienceMs));
    dpi->setFocus();
    QTest::keyClick(dpi, Qt::Key_Escape);
    EXPECT_EQ(page.editedButton(), -1);
    EXPECT_EQ(test::changedBytes(before, data.record()), "");
    EXPECT_EQ(row(5)->text(), text("backward_text"));
    ASSERT_TRUE(row(5)->hasFocus()) << "the keyboard goes back to the row";

    QTest::keyClick(row(5), Qt::Key_Space);
    QCoreApplication::processEvents();
    QTest::keyClick(combo("wireless_button_type_combo"), Qt::Key_Down);
    QTest::keyClick(combo("wireless_button_type_combo"), Qt::Key_Return);
    EXPECT_EQ(stored(5).functionGroup, 1);
    EXPECT_EQ(host.applies, std::vector<bool>{true});
}

// Under the whole-desktop hook a key reaches the page twice, from the capture ("h") and as the
// key field's own event ("f"), in either order and either one late; Enter confirms only once the
// field has stopped listening. Modifiers held tick their boxes; one pressed alone is the key.
TEST_F(ButtonPageTest, TheListeningKeyFieldCapturesEveryKeyAndStopsOnceOneIsTaken) {
    QLineEdit* field = edit("wireless_keyboard_type_edit");
    const std::map<std::string, std::pair<std::uint32_t, Qt::Key>> keys{
        {"F5", {0x74, Qt::Key_F5}},         {"F6", {0x75, Qt::Key_F6}},       {"Enter", {0x0D, Qt::Key_Return}},
        {"Esc", {0x1B, Qt::Key_Escape}},    {"Space", {0x20, Qt::Key_Space}}, {"C", {0x43, Qt::Key_C}},
        {"Ctrl", {0xA2, Qt::Key_Control}},  {"Shift", {0xA0, Qt::Key_Shift}}, {"RShift", {0xA1, Qt::Key_Shift}},
        {"Mute", {0xAD, Qt::Key_VolumeMute}}};
    const auto play = [&](const std::string& script) {
        std::istringstream steps(script);
        for (std::string step; steps >> step;) {
            const bool press = step[1] == '+';
            const auto& [virtualKey, qtKey] = keys.at(step.substr(2));
            if (step[0] == 'h') {
                capture.deliver(CapturedInput::key(virtualKey, press));
            } else if (press) {
                QTest::keyPress(field, qtKey);
            } else {
                QTest::keyRelease(field, qtKey);
            }
        }
    };
    const struct {
        const char* script;
        std::uint8_t keyCode;
        std::uint8_t modifierMask;
        bool confirmed;
    } cases[] = {
        {"h+F5 f+F5 h-F5 f-F5 h+Enter f+Enter h-Enter f-Enter", 0x3E, 0, true},
        {"f+F5 h+F5 f-F5 h-F5 f+Enter h+Enter f-Enter h-Enter", 0x3E, 0, true},
        {"h+F5 h-F5 f+F5 f-F5 h+Enter f+Enter h-Enter f-Enter", 0x3E, 0, true},
        {"h+Enter f+Enter h-Enter f-Enter", 0x28, 0, false},
        {"h+Enter h-Enter f+Enter f-Enter", 0x28, 0, false},
        {"f+Esc h+Esc f-Esc h-Esc", 0x29, 0, false},
        {"h+Esc h-Esc f+Esc f-Esc", 0x29, 0, false},
        {"h+Ctrl f+Ctrl h+RShift f+RShift h+C f+C h-C f-C h-RShift f-RShift h-Ctrl f-Ctrl "
         "h+Enter f+Enter h-Enter f-Enter", 0x06, 3, true},
        {"h+Shift f+Shift h-Shift f-Shift h+Enter f+Enter h-Enter f-Enter", 0xE1, 0, true},
        {"h+Ctrl f+Ctrl h+Shift f+Shift h-Shift f-Shift h+C f+C h-C f-C h-Ctrl f-Ctrl", 0x06, 1, false},
        {"h+Ctrl f+Ctrl h+RShift f+RShift h-RShift f-RShift h-Ctrl f-Ctrl", 0xE5, 1, false},
    };
    const ButtonBinding fresh = stored(6);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        host.applies.clear();
        store(6, fresh);
        open(6);
        if (!field->hasFocus()) chooseGroup(FunctionGroup::keyboard);
        ASSERT_TRUE(field->hasFocus());
        EXPECT_FALSE(capturing()) << "not before it is asked";
        play("f+Space f-Space");
        ASSERT_TRUE(capturing());
        play(c.script);
        EXPECT_FALSE(capturing()) << "nothing more is heard once the key is released";
        if (!c.confirmed) {
            EXPECT_EQ(page.editedButton(), 5) << "the key was captured, not confirmed";
            EXPECT_TRUE(host.applies.empty());
            apply();
        }
        EXPECT_EQ(stored(6).keyCode, c.keyCode);
        EXPECT_EQ(stored(6).modifierMask, c.modifierMask);
        EXPECT_EQ(host.applies, std::vector<bool>{true});
    }

    // A key without a code is named and changes nothing; the boxes a combination ticked stay the
    // user's to change.
    QLabel* hint = find<QLabel>(QStringLiteral("wireless_keyboard_hint_label"));
    open(6);
    play("f+Space f-Space h+Ctrl f+Ctrl h+Shift f+Shift h+Mute f+Mute h-Mute f-Mute");
    EXPECT_TRUE(capturing());
    EXPECT_EQ(hint->text(), text("keyboard_key_unbindable_text").arg(text("mute_text")));
    EXPECT_EQ(field->text(), text("key_LShift")) << "the key taken before stays";
    play("h+C f+C h-C f-C h-Shift f-Shift h-Ctrl f-Ctrl");
    EXPECT_EQ(hint->text(), text("keyboard_capture_again_text"));
    EXPECT_EQ(field->text(), "C");
    std::vector<bool> ticked;
    for (int n = 1; n <= 4; ++n) ticked.push_back(modifierBox(n)->isChecked());
    EXPECT_EQ(ticked, (std::vector<bool>{true, true, false, false}));
    modifierBox(1)->click();
    modifierBox(3)->click();
    apply();
    EXPECT_EQ(stored(6).keyCode, 0x06);
    EXPECT_EQ(stored(6).modifierMask, kModifierShift | kModifierAlt);

    open(6);
    modifierBox(1)->setFocus();
    EXPECT_FALSE(capturing()) << "keys typed outside the field are not captured";
    field->setFocus();
    play("f+Space f-Space");
    EXPECT_TRUE(capturing()) << "Space in the field listens again";
    play("h+F6 f+F6 h-F6 f-F6");
    QTest::mouseClick(field, Qt::LeftButton);
    EXPECT_TRUE(capturing()) << "so does a click";
    EXPECT_EQ(field->text(), QStringLiteral("F6"));

    // Only a Space pressed and released in the field, with nothing between, asks it to listen.
    play("h+F5 f+F5 h-F5 f-F5");
    play("f+Space");
    QTest::mouseClick(field, Qt::LeftButton);
    play("h+F6 f+F6 h-F6 f-F6 f-Space");
    EXPECT_FALSE(capturing()) << "the click listened already; the Space held meanwhile is spent";
    play("f+Space");
    modifierBox(1)->setFocus();
    field->setFocus();
    play("f-Space");
    EXPECT_FALSE(capturing()) << "the Space pressed before the field lost the focus is spent";
    EXPECT_EQ(field->text(), QStringLiteral("F6"));
}

TEST_F(ButtonPageTest, LabelsAndTheOpenEditorFollowProfileSwitchesResetAndImport) {
    data.change([](DeviceConfig& config) {
        config.profiles[2].buttons[2].functionCode = 33;
        config.profiles[2].buttons[2].functionGroup = 8;
        config.activeProfile = 2;
    });
    page.refreshFromRecord();
    EXPECT_EQ(row(3)->text(), text("copy_text"));

    open(9);
    data.change([](DeviceConfig& config) { config.activeProfile = 0; });  // the mouse switched profiles
    page.refreshFromRecord();
    EXPECT_EQ(row(3)->text(), text("wheel_click_text"));
    EXPECT_EQ(page.editedButton(), -1) << "the edit belonged to the other profile";

    open(9);
    ButtonBinding imported = stored(9);
    imported.functionCode = 65;
    store(9, imported);  // an import changed the binding under the editor
    page.refreshFromRecord();
    EXPECT_EQ(page.editedButton(), -1);
    EXPECT_EQ(row(9)->text(), text("play_pause_text"));

    open(9);
    page.resetDone();
    EXPECT_EQ(page.editedButton(), -1);
    EXPECT_TRUE(row(8)->isEnabled());
}

TEST_F(ButtonPageTest, AButtonLightsOnThePictureForItsRowAndOpensFromThePicture) {
    MousePicture* mouse = picture();
    for (int n = 1; n <= kShownButtonCount; ++n) {
        const QPointF badge = mouse->badgeCentre(n - 1);
        EXPECT_EQ(mouse->buttonAt(badge), n - 1) << "button " << n;
        EXPECT_TRUE(indicator(n)->geometry().contains(badge.toPoint())) << "button " << n;
        EXPECT_TRUE(mouse->buttonName(n - 1).startsWith(QStringLiteral("%1. ").arg(n))) << "button " << n;
    }
    QMouseEvent overFirst(QEvent::MouseMove, mouse->badgeCentre(0), mouse->mapToGlobal(mouse->badgeCentre(0)),
                          Qt::NoButton, {}, {});
    QCoreApplication::sendEvent(mouse, &overFirst);
    EXPECT_EQ(mouse->cursor().shape(), Qt::PointingHandCursor) << "every button, the first too, is a link";
    QEnterEvent enter(QPointF(4, 4), QPointF(4, 4), QPointF(4, 4));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(row(7), &enter);
    EXPECT_TRUE(indicator(7)->isVisible());
    QCoreApplication::sendEvent(row(7), &leave);
    EXPECT_FALSE(indicator(7)->isVisible());

    // A number past the last button, as a screen reader might ask for, opens nothing.
    const QSignalSpy clicked(mouse, &MousePicture::buttonClicked);
    mouse->press(kShownButtonCount);
    page.openEditor(kShownButtonCount);
    EXPECT_EQ(clicked.count(), 0);
    EXPECT_EQ(page.editedButton(), -1);

    QTest::mouseClick(mouse, Qt::LeftButton, {}, mouse->badgeCentre(3).toPoint());
    QCoreApplication::processEvents();
    EXPECT_EQ(page.editedButton(), 3);
    EXPECT_TRUE(row(4)->isChecked()) << "its row is the one open";
    QCoreApplication::sendEvent(row(4), &leave);
    EXPECT_TRUE(indicator(4)->isVisible()) << "lit while its editor is open";
    QTest::mouseClick(mouse, Qt::LeftButton, {}, mouse->badgeCentre(7).toPoint());
    QCoreApplication::processEvents();
    EXPECT_EQ(page.editedButton(), 3) << "other buttons wait while an editor is open";
    mouse->setFocus(Qt::TabFocusReason);
    cancel();
    EXPECT_FALSE(indicator(4)->isVisible());
    EXPECT_TRUE(mouse->hasFocus()) << "the focus was not in the editor: it stays where it is";
}

TEST_F(ButtonPageTest, TheArrowsMoveAlongTheRowsAndThePictureWhereEnterOrSpaceOpensTheEditor) {
    row(3)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(row(3), Qt::Key_Down);
    ASSERT_TRUE(row(4)->hasFocus());
    EXPECT_TRUE(indicator(4)->isVisible() && !indicator(3)->isVisible()) << "the light goes with the keyboard";
    row(4)->clearFocus();
    EXPECT_FALSE(indicator(4)->isVisible()) << "and goes out when the keyboard leaves the rows";
    row(4)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(row(4), Qt::Key_Up);
    QTest::keyClick(row(3), Qt::Key_Left);
    ASSERT_TRUE(row(2)->hasFocus());
    QTest::keyClick(row(2), Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(page.editedButton(), 1);
    cancel();
    // The list holds the arrows at its ends, and they reach both.
    QTest::keyClick(row(2), Qt::Key_Up);
    ASSERT_TRUE(row(1)->hasFocus());
    QTest::keyClick(row(1), Qt::Key_Up);
    EXPECT_TRUE(row(1)->hasFocus());
    row(12)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(row(12), Qt::Key_Right);
    EXPECT_TRUE(row(12)->hasFocus());

    // The picture goes by the numbers, from 1 round to 12 and back; End is 12 too.
    MousePicture* mouse = picture();
    mouse->setFocus(Qt::TabFocusReason);
    QTest::keyClick(mouse, Qt::Key_Left);
    EXPECT_TRUE(indicator(12)->isVisible());
    for (int n = 0; n < 2; ++n) QTest::keyClick(mouse, Qt::Key_Right);
    EXPECT_TRUE(indicator(2)->isVisible() && !indicator(12)->isVisible());
    QTest::keyClick(mouse, Qt::Key_End);
    EXPECT_TRUE(indicator(12)->isVisible() && !indicator(2)->isVisible());
    QTest::keyClick(mouse, Qt::Key_Home);
    QTest::keyClick(mouse, Qt::Key_Right);
    QTest::keyClick(mouse, Qt::Key_Space);
    QCoreApplication::processEvents();
    EXPECT_EQ(page.editedButton(), 1);
    cancel();

    // A screen reader finds the button the keyboard is on by its name and presses it as a click.
    mouse->setFocus(Qt::TabFocusReason);
    for (int n = 0; n < 4; ++n) QTest::keyClick(mouse, Qt::Key_Down);
    QAccessibleInterface* buttons = QAccessible::queryAccessibleInterface(mouse);
    ASSERT_EQ(buttons->childCount(), kShownButtonCount);
    QAccessibleInterface* sixth = buttons->focusChild();
    ASSERT_NE(sixth, nullptr);
    EXPECT_EQ(buttons->indexOfChild(sixth), 5);
    EXPECT_TRUE(sixth->state().focused && sixth->state().selected);
    EXPECT_FALSE(buttons->child(4)->state().selected);
    const QPoint first = mouse->mapToGlobal(mouse->badgeCentre(0).toPoint());
    EXPECT_EQ(buttons->indexOfChild(buttons->childAt(first.x(), first.y())), 0);
    sixth->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCoreApplication::processEvents();
    EXPECT_EQ(page.editedButton(), 5);
}

}  // namespace
}  // namespace qx4::gui
