#include <gtest/gtest.h>

#include <memory>

#include "tests/core/macro/macro_test_support.h"
#include "core/config/config_file.h"
#include "core/config/utf16_text.h"
#include "core/edit/binding_edit.h"
#include "core/edit/binding_editor.h"
#include "core/edit/decimal_text.h"
#include "core/edit/macro_bindings.h"
#include "core/edit/macro_rename.h"
#include "core/vocab/function_wire_table.h"

namespace qx4 {
namespace {

class BindingEdit : public ::testing::Test {
protected:
    void SetUp() override { applyDefaults(*config); }

    ProfileSettings& profile() { return config->profiles[1]; }
    // Throws, failing the test, when the left-click rule refuses.
    BindingEditor open(int button) { return BindingEditor::open(profile(), button, macros).value(); }

    std::unique_ptr<DeviceConfig> config = std::make_unique<DeviceConfig>();
    MacroList macros = test::listOf({u"Reload", u"Fire"});
};

TEST_F(BindingEdit, TheOnlyLeftClickCannotBeEditedUntilAnotherButtonIsOne) {
    EXPECT_FALSE(BindingEditor::open(profile(), 0, macros));
    EXPECT_FALSE(mayStopBeingLeftClick(profile(), 12));  // not a shown button

    BindingEditor other = open(4);
    other.changeGroup(FunctionGroup::mouse);
    ASSERT_TRUE(other.apply(profile()));
    EXPECT_TRUE(BindingEditor::open(profile(), 0, macros));
}

TEST_F(BindingEdit, AGroupStartedAfreshStoresItsFirstFunctionAndARestoredOneKeepsItsOwn) {
    const std::pair<FunctionGroup, std::uint8_t> firstCodes[] = {
        {FunctionGroup::mouse, 1},  {FunctionGroup::dpi, 6},     {FunctionGroup::profile, 54},
        {FunctionGroup::media, 64}, {FunctionGroup::system, 117}, {FunctionGroup::shortcut, 32}};
    for (auto [group, code] : firstCodes) {
        BindingEditor editor = open(2);
        editor.changeGroup(group);
        ASSERT_TRUE(editor.apply(profile()));
        EXPECT_EQ(profile().buttons[2].functionCode, code) << int(group);
        EXPECT_EQ(profile().buttons[2].functionGroup, static_cast<std::uint8_t>(group));
    }
    BindingEditor editor = open(2);  // now shortcut 32
    ASSERT_TRUE(editor.selectItem(14));
    editor.changeGroup(FunctionGroup::shortcut);
    EXPECT_EQ(editor.working().functionCode, 46);
    editor.changeGroup(FunctionGroup::defaultFunction);
    EXPECT_EQ(editor.working().functionCode, 3);
    EXPECT_FALSE(editor.selectItem(0));  // the default group has no selector
}

TEST_F(BindingEdit, KeyCombinationsNeedAKeyOrAModifierAndCaptureOnlyInTheKeyboardGroup) {
    BindingEditor editor = open(3);
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
    EXPECT_EQ(stored.functionCode, kKeyboardFunctionCode);
    EXPECT_EQ(stored.functionGroup, 4);
    EXPECT_EQ(stored.keyCode, 0x06);
    EXPECT_EQ(stored.modifierMask, 3);

    // Modifier keys held with a key replace the boxes; a key without a code changes nothing.
    EXPECT_TRUE(editor.captureKey(0xE2, kModifierAlt));  // the ISO key beside the left Shift
    EXPECT_FALSE(editor.captureKey(0xAD, kModifierWin));  // Mute
    EXPECT_EQ(editor.working().keyCode, 0x64);
    EXPECT_EQ(editor.working().modifierMask, kModifierAlt);

    editor.changeGroup(FunctionGroup::media);
    EXPECT_FALSE(editor.captureKey(0x44));
    EXPECT_FALSE(assignKeyCombination(profile().buttons[3], 0, 0));
    EXPECT_FALSE(assignKeyCombination(profile().buttons[3], 0x10, 0x06));
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
    EXPECT_EQ(stored.functionCode, kMacroFunctionCode);
    EXPECT_EQ(stored.functionGroup, 7);
    EXPECT_EQ(stored.macroRepeatMode, 1);
    EXPECT_EQ(stored.macroLoopCount, 1);
    EXPECT_EQ(macroNameText(stored.macroName), u"Fire");
    EXPECT_EQ(stored.macroIndex, 1);
    EXPECT_EQ(stored.macroActionCount, 0);
    EXPECT_EQ(stored.macroActions[45].delay, macros.at(1).actions[45].delay);

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
    const struct {
        std::u16string_view typed;
        std::u16string_view shown;
    } cases[] = {{u"12", u"12"}, {u"0", u"12"},   {u"300", u"12"}, {u"99999", u"12"}, {u"1a2", u"12"},
                 {u"", u"12"},   {u"255", u"255"}, {u"012", u"255"}, {u"1", u"1"}};
    BindingEditor editor = open(1);
    editor.changeGroup(FunctionGroup::macro);
    for (const auto& c : cases) {
        EXPECT_EQ(editor.commitLoopCount(c.typed), c.shown) << utf16ToUtf8(c.typed);
        EXPECT_EQ(decimalText(editor.working().macroLoopCount), c.shown);
    }
    // While it is typed: what more digits may still bring into a range is not refused yet.
    EXPECT_EQ(typedNumber(u"", 1, 255), TypedNumber::unfinished);
    EXPECT_EQ(typedNumber(u"4", 50, 600), TypedNumber::unfinished);
    EXPECT_EQ(typedNumber(u"0", 0, 9), TypedNumber::withinRange);
    EXPECT_EQ(typedNumber(u"99999999999", 1, 65535), TypedNumber::refused);
}

TEST_F(BindingEdit, PlainAssignmentsForScripts) {
    ButtonBinding& binding = profile().buttons[7];
    EXPECT_TRUE(assignCatalogueFunction(binding, 7));
    EXPECT_EQ(binding.functionGroup, 1);  // DPI up: the mouse selector offers it first
    EXPECT_FALSE(assignCatalogueFunction(binding, 13));  // offered by no selector
    EXPECT_FALSE(assignMacro(binding, macros, 0, 256, 3));
    EXPECT_FALSE(assignMacro(binding, macros, 2, 0, 3));
    EXPECT_EQ(binding.functionCode, 7);
    ASSERT_TRUE(assignMacro(binding, macros, 0, 0, 1000));
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
}

TEST_F(BindingEdit, ARenamedMacroKeepsItsButtons) {
    for (int k : {0, 3}) ASSERT_TRUE(assignMacro(config->profiles[static_cast<std::size_t>(k)].buttons[9], macros, 1, 0, 2));
    const MacroRenameResult renamed = renameMacro(macros, 1, u"Blast", *config);
    EXPECT_EQ(renamed.outcome, MacroRenameOutcome::renamed);
    EXPECT_EQ(renamed.bindingsFollowed, 2u);
    EXPECT_TRUE(reconcileMacroBindings(*config, macros));
    EXPECT_EQ(config->profiles[3].buttons[9].functionCode, kMacroFunctionCode);
    EXPECT_EQ(macroNameText(config->profiles[3].buttons[9].macroName), u"Blast");

    EXPECT_EQ(renameMacro(macros, 1, u"BLAST", *config).outcome, MacroRenameOutcome::unchanged);
    EXPECT_EQ(renameMacro(macros, 1, u"reload", *config).outcome, MacroRenameOutcome::nameTaken);
    EXPECT_EQ(renameMacro(macros, 1, u"", *config).outcome, MacroRenameOutcome::invalidName);
    EXPECT_EQ(renameMacro(macros, 1, std::u16string(24, u'x'), *config).outcome, MacroRenameOutcome::invalidName);
    EXPECT_EQ(macroNameText(macros.at(1).name), u"Blast");
}

}  // namespace
}  // namespace qx4
