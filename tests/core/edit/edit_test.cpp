#include <gtest/gtest.h>

#include <tuple>

#include "core/config/config_file.h"
#include "core/config/utf16_text.h"
#include "core/device/dpi_steps.h"
#include "core/edit/binding_edit.h"
#include "core/edit/binding_editor.h"
#include "core/edit/decimal_text.h"
#include "core/edit/macro_bindings.h"
#include "core/edit/macro_draft.h"
#include "core/edit/macro_recorder.h"
#include "core/edit/macro_rename.h"
#include "core/edit/profile_settings_edit.h"
#include "core/vocab/function_wire_table.h"
#include "tests/support/macro_lists.h"
#include "tests/support/sample_record.h"

namespace qx4 {
namespace {

class BindingEdit : public ::testing::Test {
protected:
    ProfileSettings& profile() { return config->profiles[1]; }
    // Throws, failing the test, when the left-click rule refuses.
    BindingEditor open(int button) { return BindingEditor::open(profile(), button, macros).value(); }

    std::unique_ptr<DeviceConfig> config = test::newRecord();
    MacroList macros = test::listOf({u"Reload", u"Fire"});
};

// The only left click cannot be edited until another button is one, as a group started afresh
// makes button 2 here.
TEST_F(BindingEdit, GroupsStoreTheirFirstOrRestoredFunctionAndKeysAreCapturedInTheKeyboardGroupOnly) {
    EXPECT_FALSE(BindingEditor::open(profile(), 0, macros));
    EXPECT_FALSE(mayStopBeingLeftClick(profile(), 12));  // not a shown button
    const std::pair<FunctionGroup, std::uint8_t> firstCodes[] = {
        {FunctionGroup::mouse, 1},  {FunctionGroup::dpi, 6},     {FunctionGroup::profile, 54},
        {FunctionGroup::media, 64}, {FunctionGroup::system, 117}, {FunctionGroup::shortcut, 32}};
    for (auto [group, code] : firstCodes) {
        BindingEditor editor = open(2);
        editor.changeGroup(group);
        ASSERT_TRUE(editor.apply(profile()));
        EXPECT_EQ(profile().buttons[2].functionCode, code) << int(group);
        EXPECT_EQ(profile().buttons[2].functionGroup, static_cast<std::uint8_t>(group));
        EXPECT_EQ(BindingEditor::open(profile(), 0, macros).has_value(), group == FunctionGroup::mouse) << int(group);
    }
    BindingEditor editor = open(2);  // now shortcut 32
    ASSERT_TRUE(editor.selectItem(14));
    editor.changeGroup(FunctionGroup::shortcut);
    EXPECT_EQ(editor.working().functionCode, 46);
    editor.changeGroup(FunctionGroup::defaultFunction);
    EXPECT_EQ(editor.working().functionCode, 3);
    EXPECT_FALSE(editor.selectItem(0));  // the default group has no selector

    // Key combinations need a key or a modifier, and keys are captured in the keyboard group only.
    editor = open(3);
    EXPECT_FALSE(editor.captureKey(0x43));
    editor.changeGroup(FunctionGroup::keyboard);
    const ButtonBinding before = profile().buttons[3];
    EXPECT_FALSE(editor.apply(profile()));
    EXPECT_TRUE(test::sameBytes(profile().buttons[3], before));

    editor.setModifier(kModifierCtrl, true);
    editor.setModifier(kModifierShift, true);
    editor.setModifier(kModifierAlt, true);
    editor.setModifier(kModifierAlt, false);
    EXPECT_TRUE(editor.captureKey(0x43));
    ASSERT_TRUE(editor.apply(profile()));
    const ButtonBinding& stored = profile().buttons[3];
    EXPECT_EQ(std::tie(stored.functionCode, stored.functionGroup, stored.keyCode, stored.modifierMask),
              std::make_tuple(kKeyboardFunctionCode, std::uint8_t{4}, std::uint8_t{0x06}, std::uint8_t{3}));

    // Modifier keys held with a key replace the boxes; a key without a code changes nothing.
    EXPECT_TRUE(editor.captureKey(0xE2, kModifierAlt));  // the ISO key beside the left Shift
    EXPECT_FALSE(editor.captureKey(0xAD, kModifierWin));  // Mute
    EXPECT_EQ(editor.working().keyCode, 0x64);
    EXPECT_EQ(editor.working().modifierMask, kModifierAlt);

    editor.changeGroup(FunctionGroup::media);
    EXPECT_FALSE(editor.captureKey(0x44));
    EXPECT_FALSE(assignKeyCombination(profile().buttons[3], 0, 0));
    EXPECT_FALSE(assignKeyCombination(profile().buttons[3], 0x10, 0x06));
    EXPECT_TRUE(assignKeyCombination(profile().buttons[3], 0, 0x06));
}

TEST_F(BindingEdit, AChosenMacroIsCopiedWithItsRepeatModeAndFoundAgainByName) {
    BindingEditor editor = open(6);
    editor.changeGroup(FunctionGroup::macro);
    EXPECT_FALSE(editor.chooseMacro(2));
    EXPECT_EQ(editor.working().functionCode, 7);  // kept until a macro is chosen
    EXPECT_EQ(editor.working().macroIndex, -1);
    EXPECT_EQ(editor.loopCountText(), u"1");
    ASSERT_TRUE(editor.chooseMacro(1));
    editor.setRepeatMode(1);
    EXPECT_FALSE(editor.showsLoopCount());
    ASSERT_TRUE(editor.apply(profile()));

    const ButtonBinding& stored = profile().buttons[6];
    EXPECT_EQ(std::tie(stored.functionCode, stored.functionGroup, stored.macroRepeatMode, stored.macroLoopCount, stored.macroIndex,
                       stored.macroActionCount, stored.macroActions[45].delay),
              std::make_tuple(kMacroFunctionCode, std::uint8_t{7}, 1, 1, 1, std::uint16_t{0}, macros.at(1).actions[45].delay));
    EXPECT_EQ(macroNameText(stored.macroName), u"Fire");

    // Another macro took the position before the bindings were refreshed: reopening keeps Fire.
    macros.remove(0);
    macros.append(test::macroNamed(u"Other", 3));
    EXPECT_EQ(macroNameText(open(6).working().macroName), u"Fire");
    EXPECT_EQ(open(6).working().macroIndex, 0);

    // A binding rebound away from its macro no longer answers to the macro's name.
    BindingEditor rebind = open(6);
    rebind.changeGroup(FunctionGroup::mouse);
    ASSERT_TRUE(rebind.apply(profile()));
    EXPECT_FALSE(holdsMacro(profile().buttons[6]));
}

// A count outside 1-255 is refused, not turned into 1 or 255: the count stays what it was.
TEST_F(BindingEdit, ALoopCountOutsideOneTo255IsRefused) {
    // What is typed, and the count shown after it.
    const std::pair<std::u16string_view, std::u16string_view> cases[] = {
        {u"12", u"12"}, {u"0", u"12"},    {u"300", u"12"},  {u"99999", u"12"}, {u"1a2", u"12"},
        {u"", u"12"},   {u"255", u"255"}, {u"012", u"255"}, {u"1", u"1"}};
    BindingEditor editor = open(1);
    editor.changeGroup(FunctionGroup::macro);
    for (const auto& [typed, shown] : cases) {
        EXPECT_EQ(editor.commitLoopCount(typed), shown) << utf16ToUtf8(typed);
        EXPECT_EQ(decimalText(editor.working().macroLoopCount), shown);
    }
    // While it is typed: what more digits may still bring into a range is not refused yet.
    EXPECT_EQ(typedNumber(u"", 1, 255), TypedNumber::unfinished);
    EXPECT_EQ(typedNumber(u"4", 50, 600), TypedNumber::unfinished);
    EXPECT_EQ(typedNumber(u"0", 0, 9), TypedNumber::withinRange);
    EXPECT_EQ(typedNumber(u"9", 0, 9), TypedNumber::withinRange);
    for (const char16_t* beside : {u"1/", u"1:"}) EXPECT_EQ(typedNumber(beside, 1, 255), TypedNumber::refused);
    EXPECT_EQ(typedNumber(u"99999999999", 1, 65535), TypedNumber::refused);
}

// Plain assignments for scripts; a renamed macro keeps its buttons.
TEST_F(BindingEdit, PlainAssignmentsAndARename) {
    ButtonBinding& binding = profile().buttons[7];
    EXPECT_TRUE(assignCatalogueFunction(binding, 7));
    EXPECT_EQ(binding.functionGroup, 1);  // DPI up: the mouse selector offers it first
    EXPECT_FALSE(assignCatalogueFunction(binding, 13));  // offered by no selector
    EXPECT_FALSE(assignMacro(binding, macros, 0, 256, 3));
    EXPECT_FALSE(assignMacro(binding, macros, 2, 0, 3));
    EXPECT_EQ(binding.functionCode, 7);
    ASSERT_TRUE(assignMacro(binding, macros, 0, 255, 1000));  // the last repeat mode
    EXPECT_EQ(binding.macroLoopCount, 255);

    // The editor's default group keeps the other fields; a vanished macro leaves nothing.
    binding.spareWord = 562;
    assignDefaultFunction(binding, 7);
    EXPECT_EQ(binding.functionCode, 8);
    EXPECT_EQ(binding.spareWord, 562);
    EXPECT_FALSE(holdsMacro(binding));
    wipeToDefaultFunction(binding, 7);
    EXPECT_EQ(binding.spareWord, 0);
    EXPECT_EQ(binding.macroIndex, -1);

    for (int k : {0, 3}) ASSERT_TRUE(assignMacro(config->profiles[static_cast<std::size_t>(k)].buttons[9], macros, 1, 0, 2));
    const MacroRenameResult renamed = renameMacro(macros, 1, u"Blast", *config);
    EXPECT_EQ(renamed.outcome, MacroRenameOutcome::renamed);
    EXPECT_EQ(renamed.bindingsFollowed, 2u);
    EXPECT_FALSE(reconcileMacroBindings(*config, macros)) << "the rename took the bindings along";
    EXPECT_EQ(config->profiles[3].buttons[9].functionCode, kMacroFunctionCode);
    EXPECT_EQ(macroNameText(config->profiles[3].buttons[9].macroName), u"Blast");

    EXPECT_EQ(renameMacro(macros, 1, u"BLAST", *config).outcome, MacroRenameOutcome::unchanged);
    EXPECT_EQ(renameMacro(macros, 1, u"reload", *config).outcome, MacroRenameOutcome::nameTaken);
    EXPECT_EQ(renameMacro(macros, 1, u"", *config).outcome, MacroRenameOutcome::invalidName);
    EXPECT_EQ(renameMacro(macros, 1, std::u16string(24, u'x'), *config).outcome, MacroRenameOutcome::invalidName);
    EXPECT_EQ(macroNameText(macros.at(1).name), u"Blast");
}

// Steps 0..count-1 have codes 4, 5, 6 ... and delays 1, 11, 21 ...; the last one is selected.
MacroDraft draftOf(int count) {
    MacroDraft draft;
    draft.load(test::macroNamed(u"m", count));
    return draft;
}

std::vector<std::uint8_t> codes(const MacroDraft& draft) {
    std::vector<std::uint8_t> result;
    for (const MacroAction& step : draft.steps()) result.push_back(step.code);
    return result;
}

// Each lighting setting, the report rate and a DPI level's step take the values the mouse has and leave the
// profile alone otherwise.
TEST(ProfileSettings, EachTakesItsRangeAndRefusesTheValuesEitherSide) {
    using Setter = bool (*)(ProfileSettings&, int);
    const auto effects = static_cast<int>(kLightEffects.size());
    const auto steps = static_cast<int>(dpiSteps().size());
    const auto rates = static_cast<int>(kPollingRatesHz.size());
    const std::tuple<const char*, Setter, std::vector<int>, std::vector<int>> settings[] = {
        {"DPI step", [](ProfileSettings& p, int step) { return setDpiStep(p, 3, step); }, {0, steps - 1}, {-1, steps}},
        {"DPI value", [](ProfileSettings& p, int value) { return setDpiValue(p, 3, value); },
         {dpiSteps().front(), dpiSteps().back()}, {dpiSteps().front() - 1, dpiSteps().back() + 1}},
        {"effect", setLightEffect, {0, effects - 1}, {-1, effects}},
        {"brightness", setLightBrightness, {1, 8}, {0, 9}},
        {"speed", setLightSpeed, {1, 8}, {0, 9}},
        {"direction", setLightDirection, {0, 1}, {-1, 2}},
        {"report rate", setPollingRateIndex, {0, rates - 1}, {-1, rates}},
    };
    for (const auto& [name, set, taken, refused] : settings) {
        SCOPED_TRACE(name);
        auto record = test::newRecord();
        ProfileSettings& profile = record->profiles[0];
        for (const int value : taken) EXPECT_TRUE(set(profile, value)) << value;
        const auto before = test::copyOf(*record);
        for (const int value : refused) EXPECT_FALSE(set(profile, value)) << value;
        EXPECT_TRUE(test::sameBytes(*record, *before));
    }
}

// A DPI typed beyond the mouse's range has no nearest step; at either end it is that end's step.
TEST(ProfileSettings, ATypedDpiHasANearestStepOnlyWithinTheRange) {
    for (const int dpi : {lowestDpi() - 1, highestDpi() + 1}) EXPECT_EQ(nearestStoredValueForDpi(dpi), std::nullopt) << dpi;
    for (const int dpi : {lowestDpi(), highestDpi()}) EXPECT_EQ(effectiveDpi(nearestStoredValueForDpi(dpi).value_or(0)), dpi);
}

TEST(MacroDraft, ClicksGoAfterTheSelectedStepAndNeedTwoFreeSteps) {
    MacroDraft draft = draftOf(44);
    draft.select(1);
    ASSERT_TRUE(draft.insertClick(4, 30));
    EXPECT_EQ(draft.size(), 46u);
    EXPECT_EQ(draft.selected(), 3u);
    EXPECT_EQ(std::tie(draft.steps()[2].code, draft.steps()[2].kind, draft.steps()[3].kind, draft.steps()[3].delay, draft.steps()[4].code),
              std::make_tuple(std::uint8_t{245}, kMacroActionPress, kMacroActionRelease, std::uint16_t{30}, std::uint8_t{6}));

    MacroDraft almostFull = draftOf(45);
    EXPECT_FALSE(almostFull.insertClick(1, 30));
    EXPECT_EQ(almostFull.size(), 45u);

    MacroDraft none = draftOf(2);
    none.select(std::nullopt);
    EXPECT_FALSE(none.insertClick(0, 2));
    EXPECT_FALSE(none.insertClick(6, 2));
    ASSERT_TRUE(none.insertClick(5, 2));
    EXPECT_EQ(codes(none), (std::vector<std::uint8_t>{244, 244, 4, 5}));
    none.select(std::nullopt);
    for (const int button : {1, 2, 3}) ASSERT_TRUE(none.insertClick(button, 2)) << button;
    EXPECT_EQ(codes(none), (std::vector<std::uint8_t>{241, 241, 242, 242, 243, 243, 244, 244, 4, 5})) << "left, right, middle";
}

TEST(MacroDraft, MovesStopAtTheEndsAndStepEditsKeepTheirLimits) {
    MacroDraft draft = draftOf(3);
    EXPECT_FALSE(draft.moveSelectedDown());
    ASSERT_TRUE(draft.moveSelectedUp());
    EXPECT_EQ(draft.selected(), 1u);
    EXPECT_EQ(std::tie(draft.steps()[1].code, draft.steps()[1].delay), std::make_tuple(std::uint8_t{6}, std::uint16_t{21}));
    draft.select(3);
    EXPECT_FALSE(draft.selected()) << "past the end";
    draft.select(0);
    EXPECT_FALSE(draft.moveSelectedUp());
    ASSERT_TRUE(draft.moveSelectedDown());
    EXPECT_EQ(codes(draft), (std::vector<std::uint8_t>{6, 4, 5}));
    ASSERT_TRUE(draft.moveSelectedUp());
    EXPECT_EQ(codes(draft), (std::vector<std::uint8_t>{4, 6, 5}));

    draft.select(2);
    ASSERT_TRUE(draft.removeSelected());
    EXPECT_EQ(draft.selected(), 1u) << "the last step removed, the new last";
    EXPECT_EQ(codes(draft), (std::vector<std::uint8_t>{4, 6}));
    draft.select(0);
    ASSERT_TRUE(draft.removeSelected());
    EXPECT_EQ(draft.selected(), 0u) << "the step after takes its place";
    ASSERT_TRUE(draft.removeSelected());  // the only step
    EXPECT_EQ(draft.size(), 0u);
    EXPECT_FALSE(draft.selected());
    EXPECT_FALSE(draft.removeSelected());

    // A delay outside 1-65,535 is refused, not turned into another one.
    const std::pair<std::u16string_view, std::optional<std::uint16_t>> delays[] = {
        {u"250", 250}, {u"0", std::nullopt}, {u"abc", std::nullopt}, {u"-40", std::nullopt},
        {u"70000", std::nullopt}, {u"", std::nullopt}, {u"65535", 65535}, {u"250", 250}};
    draft = draftOf(3);
    draft.select(1);
    std::uint16_t kept = draft.steps()[1].delay;
    for (auto [typed, stored] : delays) {
        EXPECT_EQ(draft.setSelectedDelayFromText(typed), stored) << utf16ToUtf8(typed);
        kept = stored.value_or(kept);
        EXPECT_EQ(draft.steps()[1].delay, kept);
    }
    draft.select(2);
    EXPECT_FALSE(draft.setSelectedDelayFromText(u"300"));
    EXPECT_EQ(draft.steps()[2].delay, 21);
    EXPECT_EQ(draft.shownDelay(2), 0);
    EXPECT_EQ(draft.totalDuration(), 1u + 250u);

    EXPECT_EQ(draft.setSelectedKey(0x74), 0x3E);  // F5
    EXPECT_EQ(std::tie(draft.steps()[2].code, draft.steps()[2].delay), std::make_tuple(std::uint8_t{0x3E}, std::uint16_t{21}));
    ASSERT_TRUE(draft.setSelectedMouseButton(4));
    EXPECT_EQ(draft.steps()[2].code, 244);
    for (const int item : {5, -1}) EXPECT_FALSE(draft.setSelectedMouseButton(item)) << item;
    draft.select(std::nullopt);
    EXPECT_FALSE(draft.setSelectedMouseButton(0)) << "no step selected";
    EXPECT_EQ(codes(draft), (std::vector<std::uint8_t>{4, 5, 244}));
}

class Recording : public ::testing::Test {
protected:
    // Presses and releases key A at the given times.
    bool key(bool press, std::uint64_t at) { return recorder.record(CapturedInput::key(0x41, press, at)); }

    MacroDraft draft;
    MacroRecorder recorder{draft};
};

TEST_F(Recording, HeldKeysGiveOnePressPausesFollowTheDelayModeAndAFullMacroStops) {
    recorder.start(10, 0);
    for (std::uint64_t at : {10, 40, 70}) key(true, at);
    key(false, 80);
    key(true, 90);
    recorder.stop();
    EXPECT_EQ(draft.size(), 3u);
    EXPECT_EQ(draft.steps()[0].kind, kMacroActionPress);
    EXPECT_EQ(draft.steps()[1].kind, kMacroActionRelease);

    // A new recording forgets the last input of the previous one.
    draft.select(std::nullopt);
    recorder.start(10, 100);
    key(true, 110);
    EXPECT_EQ(draft.size(), 1u);

    // The delay mode, its default delay, the pause between inputs, the delay stored and that of a
    // click inserted by hand (no pause was recorded before it).
    const std::tuple<DelayMode, std::uint16_t, std::uint64_t, std::uint16_t, std::uint16_t> cases[] = {
        {DelayMode::recorded, 10, 100'000, 65535, 2},
        {DelayMode::recorded, 10, 340, 340, 2},
        {DelayMode::noDelay, 10, 340, 2, 2},
        {DelayMode::defaultDelay, 50, 340, 50, 50},
    };
    for (const auto& [mode, defaultDelay, pause, stored, click] : cases) {
        draft.clear();
        recorder.setDelayMode(mode);
        recorder.start(defaultDelay, 1000);
        key(true, 1000 + pause);
        key(false, 1000 + 2 * pause);
        EXPECT_EQ(draft.steps()[0].delay, stored) << static_cast<int>(mode) << " " << pause;
        EXPECT_EQ(draft.steps()[1].delay, stored);
        EXPECT_EQ(clickDelay(mode, defaultDelay), click);
    }

    // Input goes after the selected step, and recording stops when the macro is full.
    draft = draftOf(10);
    draft.select(3);
    recorder.setDelayMode(DelayMode::defaultDelay);
    recorder.start(77, 0);
    recorder.record(CapturedInput::mouse(CapturedButton::x2, true, 5));
    recorder.record(CapturedInput::mouse(CapturedButton::left, false, 9));
    EXPECT_EQ(codes(draft), (std::vector<std::uint8_t>{4, 5, 6, 7, 244, 241, 8, 9, 10, 11, 12, 13}));
    EXPECT_EQ(std::tie(draft.steps()[3].delay, draft.steps()[4].kind, draft.steps()[5].kind),
              std::make_tuple(std::uint16_t{77}, kMacroActionPress, kMacroActionRelease));
    EXPECT_EQ(draft.selected(), 5u);

    draft = draftOf(44);
    recorder.start(77, 0);
    key(true, 1);
    key(false, 2);
    EXPECT_FALSE(recorder.recording());
    EXPECT_FALSE(key(true, 3));
    EXPECT_EQ(draft.size(), 46u);
}

}  // namespace
}  // namespace qx4
