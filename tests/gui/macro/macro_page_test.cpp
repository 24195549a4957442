// The macro page driven through its widgets, with captured input handed over as the capture
// service hands it over; and inside the program's window with the hook library hearing the window.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QEnterEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QStackedWidget>
#include <QTest>
#include <QWindow>

#include <vector>

#include "core/config/utf16_text.h"
#include "core/edit/macro_bindings.h"
#include "core/macro/macro_store.h"
#include "gui/common/msg_wnd.h"
#include "gui/common/window_message.h"
#include "gui/macro/macro_step_list.h"
#include "gui/macro/wireless_macro_ui.h"
#include "tests/support/app_harness.h"
#include "tests/support/test_files.h"
#include "tests/support/patience.h"

namespace qx4::gui {
namespace {

QString text(const char* key) { return ResourceManager::instance().text(QString::fromLatin1(key)); }

class FakeHost final : public PageHost {
public:
    void requestApply(bool full) override { applies.push_back(full); }
    void tellDone(const QString& words) override { told = words.toStdString(); }

    std::vector<bool> applies;
    std::string told;  // the last words of tellDone
    int recordChanges = 0;  // the store's changes that took bindings along
};

MacroAction step(std::uint8_t code, std::uint8_t kind, std::uint16_t delay) { return {code, kind, delay}; }

class MacroPage : public ::testing::Test {
protected:
    void SetUp() override {
        page.resize(542, 388);
        QObject::connect(&data.session, &MouseSession::macroStoreChanged, [this](bool bindingsChanged) {
            host.recordChanges += bindingsChanged;
        });
        page.setContext({&data.session, &host, &capture, nullptr});
        page.show();
    }

    template <typename Control>
    Control* find(const char* name) { return page.findChild<Control*>(QString::fromLatin1(name)); }
    void click(const char* name) { find<QAbstractButton>(name)->click(); }
    QListWidget* macroList() { return find<QListWidget>("wireless_macro_list"); }
    QListWidget* stepList() { return find<QListWidget>("wireless_macro_action_list"); }
    QAbstractButton* recordButton() { return find<QAbstractButton>("wireless_macro_record_btn"); }
    QAbstractButton* clearButton() { return find<QAbstractButton>("wireless_macro_clear_action_btn"); }

    void addMacro(const std::u16string& name, const std::vector<MacroAction>& steps) {
        MacroRecord macro{};
        macro.actionCount = static_cast<std::int32_t>(steps.size());
        std::copy(steps.begin(), steps.end(), macro.actions.begin());
        MacroDraft draft;
        draft.load(macro);
        ASSERT_TRUE(data.session.addMacro(u"Added").record);
        const std::size_t added = macros.size() - 1;
        data.session.renameMacro(added, name);
        data.session.storeMacro(added, draft);
        page.macrosChanged();
    }
    const ButtonBinding& binding(int profile, int button) {
        return data.record().profiles[static_cast<std::size_t>(profile)].buttons[static_cast<std::size_t>(button)];
    }
    void bind(int profile, int button, const std::u16string& name) {
        data.change([&](DeviceConfig& config) {
            ButtonBinding& bound = config.profiles[static_cast<std::size_t>(profile)].buttons[static_cast<std::size_t>(button)];
            bound.functionCode = 17;
            bound.macroName = toMacroName(name);
        });
    }

    // What the step list's rows show: key, action, delay.
    QStringList stepRows() {
        QStringList rows;
        for (int row = 0; row < stepList()->count(); ++row) {
            QStringList shown;
            for (const char* part : {"key", "action", "delay"}) {
                shown << stepList()->itemWidget(stepList()->item(row))->findChild<QLabel*>(part)->text();
            }
            rows << shown.join(' ');
        }
        return rows;
    }
    QString summary() { return find<QLabel>("wireless_macro_summary_label")->text(); }

    // Types into a field, then presses Return unless told not to.
    void type(const char* field, const QString& typed, bool pressReturn = true) {
        auto* edit = find<QLineEdit>(field);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, typed);
        if (pressReturn) QTest::keyClick(edit, Qt::Key_Return);
    }

    // The text of the warning box that `action` opens, which is then closed; "" when none opened.
    QString warningFrom(const std::function<void()>& action) {
        QString shown;
        test::answerModal<CMsgWnd>(
            [&](CMsgWnd& box) {
                shown = box.findChild<QLabel*>(QStringLiteral("warning"))->text();
                box.findChild<QAbstractButton*>(QStringLiteral("cancel_btn"))->click();
            },
            action);
        return shown;
    }

    // Answers the next file dialog with a file beside the data folder, as its own button would.
    test::AnswerWhenShown<QFileDialog> choose(const char* name) {
        return test::AnswerWhenShown<QFileDialog>([this, name](QFileDialog& dialog) {
            dialog.selectFile(QString::fromStdString((data.dataDir.root() / name).string()));
            static_cast<QDialog&>(dialog).accept();
        });
    }

    MacroRecord storedMacro(std::size_t position) {
        const auto bytes = qx4::test::readBytes(macroFilePath());
        MacroRecord stored{};  // all zero when the file is too short
        if (bytes.size() >= (position + 1) * sizeof(MacroRecord)) {
            std::memcpy(&stored, bytes.data() + position * sizeof(MacroRecord), sizeof(MacroRecord));
        }
        return stored;
    }

    test::SessionData data;
    const MacroList& macros = data.session.macros();
    HookTable hooks;  // no hook library: input arrives only as the tests hand it over
    CaptureService capture{hooks};
    FakeHost host;
    CWirelessMacroUI page{nullptr, *findPageKind("WirelessMacro")};
};

TEST_F(MacroPage, SaveStoresTheStepsAndAsksForADownloadOnlyWhileABindingHoldsAMacro) {
    click("wireless_macro_add_btn");
    ASSERT_EQ(macros.size(), 1u);
    EXPECT_EQ(macroList()->currentItem()->text(), "Macro1");
    EXPECT_EQ(qx4::test::readBytes(macroFilePath()).size(), sizeof(MacroRecord));
    EXPECT_FALSE(clearButton()->isEnabled()) << "nothing to clear";

    click("wireless_macro_insert_mouse_btn");
    click("wireless_macro_key1_btn");
    EXPECT_TRUE(page.modified());
    EXPECT_TRUE(page.hasUnsavedEdits()) << "the pending-edits prompt asks the page";
    const QString left = stepKeyName(241);
    EXPECT_EQ(stepRows(), QStringList({left + " Press 10 ms", left + " Release 0 ms"}));
    EXPECT_EQ(summary(), "2 of 46 steps, plays in 10 ms");
    EXPECT_EQ(storedMacro(0).actionCount, 0) << "nothing is stored before Save";

    click("wireless_macro_save_btn");
    EXPECT_FALSE(page.modified() || page.hasUnsavedEdits());
    const MacroRecord saved = storedMacro(0);
    ASSERT_EQ(saved.actionCount, 2);
    EXPECT_EQ(saved.actions[0].code, 241);
    EXPECT_EQ(saved.actions[1].kind, kMacroActionRelease);
    EXPECT_EQ(host.told, text("macro_saved_text").arg("Macro1").toStdString());
    EXPECT_TRUE(host.applies.empty()) << "no binding holds a macro";
    EXPECT_EQ(host.recordChanges, 0);

    bind(2, 5, u"macro1");
    click("wireless_macro_key4_btn");
    click("wireless_macro_save_btn");
    EXPECT_EQ(host.applies, std::vector<bool>{true});
    EXPECT_EQ(host.recordChanges, 1);
    EXPECT_EQ(binding(2, 5).macroActionCount, 4);
    EXPECT_EQ(binding(2, 5).macroActions[3].code, 245);
    EXPECT_EQ(fixedTextView(binding(2, 5).macroName), u"Macro1");
}

// A button bound to one macro is no reason to send anything when another changes: only the bound
// macro's own change goes, and in full, as the mouse takes macros and bindings together.
TEST_F(MacroPage, AMacroNoButtonPlaysSendsNothingWhenSavedOrCancelledWhileAnotherIsBound) {
    addMacro(u"Bound", {step(0x04, 1, 30)});
    bind(1, 2, u"Bound");
    data.change([this](DeviceConfig& config) { reconcileMacroBindings(config, macros); });  // as the button editor's OK leaves it
    click("wireless_macro_add_btn");
    click("wireless_macro_insert_mouse_btn");
    click("wireless_macro_key1_btn");
    click("wireless_macro_save_btn");
    EXPECT_TRUE(host.applies.empty()) << "saved, played by no button";
    click("wireless_macro_add_btn");
    click("wireless_macro_insert_mouse_btn");
    click("wireless_macro_key1_btn");
    click("wireless_macro_cancel_btn");
    EXPECT_EQ(macros.size(), 2u);
    EXPECT_TRUE(host.applies.empty()) << "a new macro cancelled";

    macroList()->setCurrentRow(0);
    click("wireless_macro_insert_mouse_btn");
    click("wireless_macro_key1_btn");
    click("wireless_macro_save_btn");
    EXPECT_EQ(host.applies, std::vector<bool>{true}) << "the bound macro changed";
    EXPECT_EQ(binding(1, 2).macroActionCount, 3);
}

// The library, the steps of the macro chosen and their summary, as a picture of the page shows them.
TEST_F(MacroPage, LooksAsItsPicture) {
    addMacro(u"Jump", {step(0x2C, 1, 30), step(0x2C, 2, 40), step(0x04, 1, 50)});
    addMacro(u"Dash", {step(0x04, 1, 30)});
    macroList()->setCurrentRow(0);
    EXPECT_TRUE(test::looksAsItsPicture(page, QStringLiteral("macro_page")));
}

// A confirmed delete takes the macro out of the list and the file and selects the one that took
// its place, or the new last; a binding that held it falls back to its button's default.
TEST_F(MacroPage, AConfirmedDeleteSelectsTheMacroInItsPlaceAndFreesItsBindings) {
    addMacro(u"Jump", {step(0x2C, 1, 30)});
    addMacro(u"Dash", {step(0x04, 1, 30), step(0x04, 2, 30)});
    addMacro(u"Roll", {step(0x05, 1, 30)});
    const ButtonBinding unbound = binding(0, 3);
    bind(0, 3, u"Dash");
    const auto confirmedDelete = [this] {
        return test::answerModal<CMsgWnd>(
            [](CMsgWnd& box) { box.findChild<QAbstractButton*>(QStringLiteral("confirm_btn"))->click(); },
            [this] { click("wireless_macro_delete_btn"); });
    };
    const auto names = [this] {
        std::vector<std::u16string> shown;
        for (const MacroRecord& macro : macros) shown.push_back(macroNameText(macro.name));
        return shown;
    };

    macroList()->setCurrentRow(1);
    ASSERT_TRUE(confirmedDelete());
    EXPECT_EQ(names(), (std::vector<std::u16string>{u"Jump", u"Roll"}));
    EXPECT_EQ(qx4::test::readBytes(macroFilePath()).size(), 2 * sizeof(MacroRecord));
    EXPECT_EQ(std::tie(binding(0, 3).functionCode, binding(0, 3).functionGroup, binding(0, 3).macroName[0]),
              std::tie(unbound.functionCode, unbound.functionGroup, unbound.macroName[0]))
        << "the binding does what the button does by default";
    EXPECT_EQ(host.applies, std::vector<bool>{true}) << "and is sent in full";
    EXPECT_EQ(macroList()->currentRow(), 1) << "the macro after it takes its place";
    EXPECT_EQ(stepList()->count(), 1);
    ASSERT_TRUE(confirmedDelete());
    EXPECT_EQ(names(), std::vector<std::u16string>{u"Jump"});
    EXPECT_EQ(macroList()->currentRow(), 0) << "the last removed, the new last";
    EXPECT_EQ(host.applies.size(), 1u) << "a macro no button held changes nothing on the mouse";
    ASSERT_TRUE(confirmedDelete());
    EXPECT_TRUE(macros.empty());
    EXPECT_EQ(macroList()->currentRow(), -1);
    EXPECT_EQ(stepList()->count(), 0);
}

TEST_F(MacroPage, UnsavedStepsMustBeSavedOrCancelledBeforeLeavingTheMacro) {
    addMacro(u"Jump", {step(0x2C, 1, 30), step(0x2C, 2, 40), step(0x04, 1, 50)});
    addMacro(u"Dash", {step(0x04, 1, 30)});
    EXPECT_EQ(warningFrom([&] { click("wireless_macro_delete_btn"); }), "") << "nothing is selected";
    EXPECT_EQ(macros.size(), 2u);

    macroList()->setCurrentRow(0);
    EXPECT_EQ(stepList()->currentRow(), 2) << "the last step is selected";
    EXPECT_FALSE(find<QAbstractButton>("wireless_macro_down_btn")->isEnabled()) << "it goes no further down";
    EXPECT_TRUE(find<QAbstractButton>("wireless_macro_up_btn")->isEnabled());
    EXPECT_TRUE(stepList()->item(2)->data(Qt::AccessibleTextRole).toString().startsWith("Step 3: "));
    click("wireless_macro_up_btn");
    EXPECT_TRUE(page.modified()) << "a step moved is an edit";
    clearButton()->click();
    EXPECT_TRUE(page.modified());
    page.macrosChanged();
    EXPECT_EQ(stepList()->count(), 0) << "a change from outside leaves the page's own edits";
    EXPECT_FALSE(macroList()->isEnabled());
    EXPECT_TRUE(find<QWidget>("wireless_macro_savedata_tab")->isVisible());
    EXPECT_FALSE(find<QWidget>("wireless_macro_exportorimport_tab")->isVisible());

    const QString saveFirst = text("save_macro_text");
    for (const char* button : {"wireless_macro_add_btn", "wireless_macro_delete_btn", "wireless_macro_import_btn",
                               "wireless_macro_export_btn"}) {
        EXPECT_EQ(warningFrom([&] { click(button); }), saveFirst) << button;
    }
    bool left = true;
    EXPECT_EQ(warningFrom([&] { left = page.canLeave(); }), saveFirst);
    EXPECT_FALSE(left);
    EXPECT_EQ(macros.size(), 2u);
    EXPECT_EQ(macros.at(0).actionCount, 3);

    click("wireless_macro_cancel_btn");
    EXPECT_FALSE(page.modified());
    EXPECT_TRUE(macroList()->isEnabled());
    EXPECT_EQ(stepList()->count(), 3);

    EXPECT_EQ(warningFrom([&] { click("wireless_macro_delete_btn"); }), text("delete_macro_text").arg("Jump"));
    EXPECT_EQ(macros.size(), 2u) << "a cancelled confirmation deletes nothing";

    // A macro just added is an unsaved edit too: Cancel takes it out of the list and the file.
    click("wireless_macro_add_btn");
    ASSERT_EQ(macros.size(), 3u);
    EXPECT_EQ(qx4::test::readBytes(macroFilePath()).size(), 3 * sizeof(MacroRecord));
    EXPECT_TRUE(page.modified());
    click("wireless_macro_insert_mouse_btn");
    click("wireless_macro_key1_btn");
    click("wireless_macro_cancel_btn");
    EXPECT_EQ(macros.size(), 2u);
    EXPECT_EQ(macroList()->count(), 2);
    EXPECT_EQ(qx4::test::readBytes(macroFilePath()).size(), 2 * sizeof(MacroRecord));
    EXPECT_EQ(macroList()->currentRow(), 0) << "the macro selected before is selected again";
    EXPECT_EQ(stepList()->count(), 3);
}

TEST_F(MacroPage, RenamingKeepsTheButtonsOnTheMacroAndLeavesUnsavedStepsUnsaved) {
    addMacro(u"Macro1", {step(0x04, 1, 30), step(0x04, 2, 40)});
    addMacro(u"Dash", {step(0x05, 1, 30)});
    bind(0, 3, u"Macro1");
    bind(4, 7, u"MACRO1");
    macroList()->setCurrentRow(0);
    click("wireless_macro_insert_mouse_btn");
    click("wireless_macro_key2_btn");

    type("wireless_macro_name_edit", "Jump");
    EXPECT_EQ(macroNameText(macros.at(0).name), u"Jump");
    EXPECT_EQ(macroList()->item(0)->text(), "Jump");
    for (const auto& [profile, button] : {std::pair{0, 3}, std::pair{4, 7}}) {
        EXPECT_EQ(binding(profile, button).functionCode, 17);
        EXPECT_EQ(fixedTextView(binding(profile, button).macroName), u"Jump");
        EXPECT_EQ(binding(profile, button).macroActionCount, 2);
    }
    EXPECT_EQ(host.applies, std::vector<bool>{true});
    EXPECT_EQ(macroNameText(storedMacro(0).name), u"Jump");
    EXPECT_EQ(storedMacro(0).actionCount, 2) << "the unsaved click is not stored by a rename";
    EXPECT_TRUE(page.modified());

    type("wireless_macro_name_edit", "dASH");
    EXPECT_EQ(find<QLineEdit>("wireless_macro_name_edit")->text(), "Jump");
    EXPECT_EQ(macroNameText(macros.at(0).name), u"Jump");
    type("wireless_macro_name_edit", QString(30, u'x'));
    EXPECT_EQ(macroNameText(macros.at(0).name), std::u16string(23, u'x'));

    click("wireless_macro_cancel_btn");
    EXPECT_EQ(stepList()->count(), 2);

    type("wireless_macro_name_edit", "Sprint", false);
    EXPECT_TRUE(page.hasUnsavedEdits()) << "a name typed and not yet taken";
    click("wireless_macro_add_btn");
    EXPECT_EQ(macroNameText(macros.at(0).name), u"Sprint");
    EXPECT_EQ(macros.size(), 3u);
}

// Each file written or read is named in the status line.
TEST_F(MacroPage, AnExportedMacroComesBackUnderAFreeNameAndAFileThatIsNoMacroAddsNothing) {
    addMacro(u"Burst", {step(0x04, 1, 30), step(0x04, 2, 0)});
    macroList()->setCurrentRow(0);
    const auto exportAs = choose("burst");
    click("wireless_macro_export_btn");
    EXPECT_EQ(qx4::test::readBytes(data.dataDir.root() / "burst.macro").size(), sizeof(MacroRecord));
    EXPECT_EQ(host.told, text("macro_exported_text").arg("Burst", "burst.macro").toStdString());
    const auto importExported = choose("burst.macro");
    click("wireless_macro_import_btn");
    ASSERT_EQ(macros.size(), 2u);
    EXPECT_EQ(macroList()->currentItem()->text(), "Burst_1");
    EXPECT_EQ(host.told, text("macro_imported_text").arg("Burst_1", "burst.macro").toStdString());
    EXPECT_EQ(stepList()->count(), 2);
    EXPECT_EQ(qx4::test::readBytes(macroFilePath()).size(), 2 * sizeof(MacroRecord));

    qx4::test::writeBytes(data.dataDir.root() / "empty.macro", {});
    const auto importFrom = choose("empty.macro");
    EXPECT_EQ(warningFrom([&] { click("wireless_macro_import_btn"); }), text("macro_import_failed_text"));
    EXPECT_EQ(macros.size(), 2u);
}

TEST_F(MacroPage, ARecordingReadsAsATimelineOfWhatWasPressedAndStopsWhenTheMacroIsFull) {
    EXPECT_TRUE(find<QLabel>("wireless_macro_capture_note")->isVisible()) << "no hook library";
    EXPECT_EQ(find<QLabel>("wireless_macro_capture_note")->text(), text("macro_capture_unavailable_text"));
    auto* defaultDelay = find<QLineEdit>("wireless_default_delay_edit");
    for (const auto& [mode, usesTheField] : {std::pair{"wireless_no_delay_btn", false},
                                             std::pair{"wireless_default_delay_btn", true},
                                             std::pair{"wireless_record_delay_btn", false}}) {
        click(mode);
        EXPECT_EQ(defaultDelay->isEnabled(), usesTheField) << mode;
    }
    const std::uint64_t t = monotonicMilliseconds();
    click("wireless_macro_record_btn");
    ASSERT_EQ(macros.size(), 1u) << "recording without a macro makes one";
    EXPECT_TRUE(page.recording() && recordButton()->isChecked());
    EXPECT_TRUE(capture.flag(CaptureService::Kind::macroRecording));
    EXPECT_EQ(recordButton()->text(), text("stop_recording_text"));
    // The pointer on its way to stop the recording: its click must not become a step.
    static std::vector<int> mouseHook;
    hooks.enablemousehook = [](int on) { mouseHook.push_back(on); };
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(recordButton(), &enter);
    QCoreApplication::sendEvent(recordButton(), &leave);
    EXPECT_EQ(mouseHook, (std::vector<int>{0, 1})) << "the mouse is not recorded while over the button";

    const auto keyA = [](bool pressed, std::uint64_t at) { return CapturedInput::key(0x41, pressed, at); };
    for (const CapturedInput& input : {keyA(true, t + 100), keyA(true, t + 130), keyA(false, t + 220),
                                       CapturedInput::mouse(CapturedButton::x1, true, t + 400),
                                       CapturedInput::mouse(CapturedButton::x1, false, t + 450), keyA(true, t + 600),
                                       keyA(false, t + 100'000)}) {
        page.capturedInput(input);
    }
    EXPECT_TRUE(page.hasUnsavedEdits());
    EXPECT_FALSE(clearButton()->isEnabled() || find<QAbstractButton>("wireless_macro_delete_action_btn")->isEnabled())
        << "the steps are the recording's until it stops";
    click("wireless_macro_record_btn");
    EXPECT_FALSE(page.recording());
    EXPECT_FALSE(capture.flag(CaptureService::Kind::macroRecording));
    EXPECT_EQ(recordButton()->text(), text("start_recording_text"));
    page.capturedInput(keyA(true, t + 100'100));

    const QString forward = stepKeyName(245);
    EXPECT_EQ(stepRows(), QStringList({"A Press 120 ms", "A Release 180 ms", forward + " Press 50 ms",
                                       forward + " Release 150 ms", "A Press 65,535 ms", "A Release 0 ms"}));
    EXPECT_EQ(summary(), "6 of 46 steps, plays in 66,035 ms");

    click("wireless_macro_cancel_btn");
    EXPECT_TRUE(macros.empty()) << "the macro the recording made goes with it";

    // A recording stops by itself once the macro is full.
    addMacro(u"Long", std::vector<MacroAction>(44, step(0x04, 1, 10)));
    macroList()->setCurrentRow(0);
    EXPECT_TRUE(find<QAbstractButton>("wireless_macro_key1_btn")->isEnabled()) << "44 steps leave room";
    click("wireless_macro_record_btn");
    page.capturedInput(CapturedInput::key(0x42, true));
    EXPECT_TRUE(page.recording());
    page.capturedInput(CapturedInput::key(0x42, false));
    EXPECT_FALSE(page.recording());
    EXPECT_FALSE(recordButton()->isChecked());
    EXPECT_FALSE(capture.flag(CaptureService::Kind::macroRecording));
    EXPECT_EQ(stepList()->count(), 46);
    EXPECT_FALSE(find<QAbstractButton>("wireless_macro_key1_btn")->isEnabled());
}

TEST_F(MacroPage, TheStepEditorTakesAPressedKeyAndKeepsDelaysInRange) {
    addMacro(u"Edit", {step(0x04, 1, 30), step(241, 1, 40), step(0x04, 2, 50)});
    macroList()->setCurrentRow(0);
    stepList()->setCurrentRow(0);
    click("wireless_macro_action_edit_check");
    auto* pages = find<QStackedWidget>("wireless_macro_action_edit_tab");
    EXPECT_EQ(pages->currentIndex(), 1);

    page.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&page, qx4::test::kPatienceMs));
    auto* keyField = find<QLineEdit>("wireless_macro_action_edit");
    keyField->setFocus();
    ASSERT_TRUE(capture.flag(CaptureService::Kind::macroStepKey));
    page.capturedInput(CapturedInput::key(0x74, true));  // F5
    EXPECT_EQ(keyField->text(), stepKeyName(0x3E));
    EXPECT_TRUE(page.modified());

    // Keys that would leave no delay of 1-65,535 are refused; an emptied field gets its delay back.
    const std::pair<const char*, const char*> delays[] = {
        {"0", "30"}, {"soon", "30"}, {"70000", "7000"}, {"250", "250"}};
    for (const auto& [typed, stored] : delays) {
        type("wireless_macro_delay_edit", QString::fromLatin1(typed));
        EXPECT_EQ(find<QLineEdit>("wireless_macro_delay_edit")->text(), stored) << typed;
    }
    EXPECT_FALSE(capture.flag(CaptureService::Kind::macroStepKey)) << "the key field lost the focus";

    stepList()->setCurrentRow(1);
    EXPECT_EQ(pages->currentIndex(), 2);
    find<QComboBox>("wireless_macro_mouse_action_combo")->setCurrentIndex(3);
    EXPECT_EQ(stepRows()[0], stepKeyName(0x3E) + " Press 250 ms");
    EXPECT_EQ(stepRows()[1], stepKeyName(245) + " Press 40 ms");

    stepList()->setCurrentRow(2);
    auto* lastDelay = find<QLineEdit>("wireless_macro_delay_edit");
    EXPECT_EQ(lastDelay->text(), "0");
    EXPECT_FALSE(lastDelay->isEnabled());

    stepList()->setCurrentRow(0);
    type("wireless_macro_delay_edit", "1234", false);
    click("wireless_macro_save_btn");  // the field keeps the focus
    const MacroRecord saved = storedMacro(0);
    EXPECT_EQ(saved.actions[0].code, 0x3E);
    EXPECT_EQ(saved.actions[0].delay, 1234);
    EXPECT_EQ(saved.actions[1].code, 245);
    EXPECT_EQ(saved.actions[2].delay, 50);

    auto* editCheck = find<QAbstractButton>("wireless_macro_action_edit_check");
    click("wireless_macro_action_edit_check");
    click("wireless_macro_record_btn");
    EXPECT_FALSE(editCheck->isChecked()) << "a recording ends the editing, so its keys edit no step";
    click("wireless_macro_record_btn");
    click("wireless_macro_action_edit_check");
    click("wireless_macro_cancel_btn");
    EXPECT_FALSE(editCheck->isChecked()) << "Cancel ends the editing";
}

// A click as the system delivers it to the window: the pointer comes, the press goes in and what
// it brings about is handled, then the release.
void clickInWindow(test::AppHarness& app, const QWidget* widget) {
    QWindow* window = app.window().windowHandle();
    const QPoint at = widget->mapTo(&app.window(), widget->rect().center());
    QTest::mouseMove(window, at);
    QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, at);
    test::AppHarness::deliverMessages();
    QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, at);
    test::AppHarness::deliverMessages();
}

void typeInWindow(test::AppHarness& app, Qt::Key key) {
    QTest::keyClick(app.window().windowHandle(), key);
    test::AppHarness::deliverMessages();
}

// The hook hears the window only (as under Wayland): the click that saves the recording goes in
// before the page has stopped it, and is still not a step.
TEST(MacroPageInTheWindow, TheHookInTheWindowRecordsClicksInTheStepListAndNotOnTheProgramsControls) {
    test::HarnessOptions options;
    options.hookLibraryFile = kHookLibraryFile;
    test::AppHarness app(options);
    ASSERT_TRUE(app.window().capture().available());
    ASSERT_FALSE(app.window().capture().wholeDesktop()) << "no X server for the window";
    app.click("wireless_macro_btn");
    auto* page = app.control<CWirelessMacroUI>("wireless_macro_tab");
    auto* record = app.control<QAbstractButton>("wireless_macro_record_btn");

    clickInWindow(app, record);
    ASSERT_TRUE(page->recording());
    typeInWindow(app, Qt::Key_X);
    clickInWindow(app, app.control<QListWidget>("wireless_macro_action_list")->viewport());
    clickInWindow(app, app.control<QListWidget>("wireless_macro_list"));  // locked while recording
    QTest::mouseClick(app.window().windowHandle(), Qt::ExtraButton4);    // no step has such a button
    clickInWindow(app, record);
    EXPECT_FALSE(page->recording());
    clickInWindow(app, record);  // goes on after the last step
    typeInWindow(app, Qt::Key_Y);
    clickInWindow(app, app.control<QAbstractButton>("wireless_macro_save_btn"));
    EXPECT_FALSE(page->recording());

    ASSERT_EQ(app.session().macros().size(), 1u);
    const MacroRecord& macro = *macroAt(0, app.session().macros());
    std::vector<std::pair<int, int>> steps;
    for (int i = 0; i < macro.actionCount; ++i) {
        const MacroAction& action = macro.actions[static_cast<std::size_t>(i)];
        steps.emplace_back(action.code, action.kind);
    }
    constexpr int kX = 0x1B, kY = 0x1C, kLeft = 241, kDown = kMacroActionPress, kUp = kMacroActionRelease;
    EXPECT_EQ(steps, (std::vector<std::pair<int, int>>{
                         {kX, kDown}, {kX, kUp}, {kLeft, kDown}, {kLeft, kUp}, {kY, kDown}, {kY, kUp}}));
}

}  // namespace
}  // namespace qx4::gui
