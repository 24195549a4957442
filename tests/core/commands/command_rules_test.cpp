// The command module keeps the pages' rules: whatever it refuses leaves the data as it was, and
// what it stores is what the pages' own editors store for the same choice.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>
#include <memory>
#include <set>

#include "core/commands/command_grammar.h"
#include "core/commands/edit_command.h"
#include "core/config/config_file.h"
#include "core/config/utf16_text.h"
#include "core/device/dpi_steps.h"
#include "core/edit/binding_editor.h"
#include "tests/support/macro_lists.h"
#include "tests/support/sample_record.h"
#include "tests/support/test_files.h"

namespace qx4 {
namespace {

using commands::EditOutcome;

const std::map<std::string_view, FunctionGroup> kGroups{
    {"mouse", FunctionGroup::mouse}, {"dpi", FunctionGroup::dpi},       {"profile", FunctionGroup::profile},
    {"media", FunctionGroup::media}, {"system", FunctionGroup::system}, {"shortcut", FunctionGroup::shortcut}};

class CommandRules : public ::testing::Test {
protected:
    void SetUp() override { macros.at(0).actionCount = 4; }

    // Parses and runs one command as qx4ctl and the program do; a usage error comes back with 2.
    EditOutcome run(std::vector<std::string_view> arguments) {
        const auto parsed = commands::parseEditCommand(arguments, folder.root());
        if (const auto* error = std::get_if<commands::UsageError>(&parsed)) return {2, {}, error->message, {}};
        return commands::executeEdit(std::get<commands::EditCommand>(parsed), {*config, macros});
    }

    ButtonBinding& binding(int profile, int button) {
        return config->profiles[static_cast<std::size_t>(profile)].buttons[static_cast<std::size_t>(button)];
    }

    test::ScopedDataDir folder;
    std::unique_ptr<DeviceConfig> config = test::newRecord();
    MacroList macros = test::listOf({u"Reload", u"Fire"});
};

TEST_F(CommandRules, WhateverIsRefusedLeavesTheRecordAndTheMacrosAsTheyWere) {
    test::writeBytes(folder.root() / "short.pro", std::vector<std::uint8_t>(100));
    test::writeBytes(folder.root() / "short.macro", std::vector<std::uint8_t>(239));
    ASSERT_EQ(mkfifo((folder.root() / "pipe.pro").c_str(), 0600), 0);
    std::string tooManySteps;
    for (int i = 0; i < 47; ++i) tooManySteps += i ? ", A down 5" : "A down 5";
    // More than a request to the program carries, so refused with it and without it alike.
    std::string manyModifiers;
    for (int i = 0; i < 1000; ++i) manyModifiers += "Ctrl+";
    manyModifiers += "C";

    const std::vector<std::pair<std::vector<std::string_view>, int>> refused{
        {{"dpi", "3", "1650"}, 2}, {{"dpi", "3", "50"}, 2}, {{"dpi", "3", "5100"}, 2}, {{"dpi", "3", "9900"}, 2},
        {{"dpi", "9", "1600"}, 2}, {{"dpi", "--current", "--color", "3", "#FF0000"}, 2},
        {{"dpi", "--color", "3", "red"}, 2}, {{"rate", "300"}, 2}, {{"dpi", "--disable", "3"}, 1},
        {{"dpi", "--current", "8"}, 1}, {{"dpi", "--enable", "--disable", "8"}, 2}, {{"dpi", "--enable", "9"}, 2},
        {{"profile", "6"}, 2}, {{"light", "rainbow", "--color", "#FF0000"}, 2},
        {{"light", "steady", "--brightness", "9"}, 2}, {{"light", "wave", "--direction", "up"}, 2},
        {{"light", "off", "--speed", "3"}, 2}, {{"light", "strobe"}, 2}, {{"bind", "1", "right_click"}, 1},
        {{"bind", "13", "copy"}, 2}, {{"bind", "2", "titl_left"}, 2}, {{"bind", "2", "macro:Nope"}, 1},
        {{"bind", "2", "copy", "--loops", "2"}, 2}, {{"bind", "2", "macro:", "--loops", "2"}, 2},
        {{"bind", "2", "macro:Fire", "--repeat", "hold", "--loops", "2"}, 2},
        {{"macro", "add", "abcdefghijklmnopqrstuvwx"}, 2}, {{"macro", "add", "fire"}, 1},
        {{"macro", "add", "tab\there"}, 2}, {{"macro", "rename", "Reload", "FIRE"}, 1},
        {{"macro", "steps", "Fire", tooManySteps}, 2}, {{"macro", "steps", "Fire", "A down 65536, A up"}, 2},
        {{"macro", "steps", "Fire", "A down, A up"}, 2}, {{"macro", "steps", "Fire", "Shft down 5, A up"}, 2},
        {{"macro", "delete", "Nope"}, 1}, {{"macro", "import", "short.macro"}, 1}, {{"import", "short.pro"}, 1},
        {{"import", "pipe.pro"}, 1}, {{"import", "missing.pro"}, 1}, {{"reset", "now"}, 2},
        {{"bind", "2", manyModifiers}, 2}, {{"rate", "500x"}, 2}, {{"dpi", "0", "1600"}, 2},
    };
    const auto recordBefore = test::copyOf(*config);
    const std::vector<std::byte> macrosBefore = encodeMacroStore(macros);
    for (const auto& [arguments, exitCode] : refused) {
        const EditOutcome outcome = run(arguments);
        EXPECT_EQ(outcome.exitCode, exitCode) << arguments[0] << " " << arguments[1] << ": " << outcome.error;
        EXPECT_FALSE(outcome.error.empty()) << arguments[0] << " " << arguments[1];
        EXPECT_TRUE(test::sameBytes(*config, *recordBefore)) << arguments[0] << " " << arguments[1];
        EXPECT_EQ(encodeMacroStore(macros), macrosBefore) << arguments[0] << " " << arguments[1];
    }

    // A library that could not be read whole is never changed, so it is never saved over; a
    // profile that brings no macro is still imported.
    ASSERT_EQ(run({"export", "plain.pro"}).exitCode, 0);
    ASSERT_EQ(run({"bind", "2", "macro:Fire"}).exitCode, 0);
    ASSERT_EQ(run({"export", "fire.pro"}).exitCode, 0);
    EXPECT_EQ(run({"import", "fire.pro"}).exitCode, 0);
    const std::size_t macroCount = macros.size();
    macros.setStoreProblem(MacroStoreProblem::tooLarge);
    EXPECT_EQ(run({"macro", "add", "New"}).exitCode, 1);
    EXPECT_EQ(run({"macro", "delete", "Fire"}).exitCode, 1);
    EXPECT_EQ(macros.size(), macroCount);
    EXPECT_EQ(run({"import", "plain.pro"}).exitCode, 0);
}

// A near miss is answered with the name meant; a name far from every other gets no guess.
TEST_F(CommandRules, AMistypedNameIsAnsweredWithTheNameMeant) {
    const std::vector<std::pair<std::vector<std::string_view>, std::string_view>> cases{
        {{"bind", "2", "volume-up"}, "volume_up"},       {{"bind", "2", "Volmue_UP"}, "volume_up"},
        {{"bind", "2", "defualt"}, "default"},           {{"bind", "2", "frobnicate"}, ""},
        {{"dpi", "3", "1600", "--profil", "2"}, "--profile"}, {{"rate", "500", "--aplpy"}, "--apply"},
        {{"light", "steady", "--colour", "#FF0000"}, "--color"}, {{"dpi", "3", "1600", "--everything"}, ""},
        {{"light", "breathng"}, "breathing"},            {{"light", "rainbows-and-unicorns"}, ""},
        {{"macro", "renmae", "Fire", "Burst"}, "rename"}, {{"macro", "x", "Fire"}, ""}, {{"macro", "namezz", "Fire"}, ""},
        {{"macro", "xxrenamf", "Fire"}, ""},             {{"macro", "ADDD", "Fire"}, "add"},
        {{"macro", "shw", "Fire"}, "show"},             {{"bind", "2", "ctrl+shft+c"}, "Ctrl+Shift+C"},
        {{"bind", "2", "ctrl+zz"}, "Ctrl+Z"},
        {{"bind", "2", "Shift+Alt+F55"}, "Shift+Alt+F5"}, {{"bind", "2", "ctrl+frobnicate"}, ""},
    };
    for (const auto& [arguments, meant] : cases) {
        const EditOutcome outcome = run(arguments);
        EXPECT_EQ(outcome.exitCode, 2) << arguments[1];
        if (meant.empty()) EXPECT_EQ(outcome.error.find("did you mean"), std::string::npos) << outcome.error;
        else EXPECT_TRUE(outcome.error.ends_with("; did you mean '" + std::string(meant) + "'?")) << outcome.error;
    }
    // A DPI between the mouse's steps is refused with the steps either side.
    for (const auto& [dpi, nearest] : {std::pair{"1650", "are 1600 and 1700"}, {"5100", "are 5000 and 5200"},
                                       {"50", "is 100"}, {"20000", "is 9800"}}) {
        const EditOutcome outcome = run({"dpi", "3", dpi});
        EXPECT_EQ(outcome.exitCode, 2);
        EXPECT_TRUE(outcome.error.ends_with(std::string("; the nearest ") + nearest)) << outcome.error;
    }
}

// The completion offers the options where a dash begins a word, except after "--", where every
// word is a value.
TEST(Completion, ADashOffersOptionsUnlessTheOptionsHaveEnded) {
    const auto offered = [](std::vector<std::string_view> words) {
        const auto completion = commands::completionFor(words).words;
        return std::set<std::string_view>(completion.begin(), completion.end());
    };
    EXPECT_TRUE(offered({"light", "-"}).contains("--speed"));
    const auto afterDashes = offered({"light", "--", "-"});
    EXPECT_TRUE(afterDashes.contains("wave") && !afterDashes.contains("--speed"));
}

TEST_F(CommandRules, ABindingIsStoredAsTheButtonPagesEditorStoresTheSameChoice) {
    // The button page makes the same choice for the same button, and must store the same bytes.
    auto byPage = test::copyOf(*config);
    const auto expectPageStoresTheSame = [&](std::string_view function, auto choose) {
        auto editor = BindingEditor::open(byPage->profiles[1], 4, macros).value();
        choose(editor);
        ASSERT_TRUE(editor.apply(byPage->profiles[1]));
        EXPECT_TRUE(test::sameBytes(binding(1, 4), byPage->profiles[1].buttons[4])) << function;
    };

    for (const std::uint8_t code : commands::offeredFunctionCodes()) {
        const std::string name = commands::functionName(code);
        ASSERT_EQ(run({"bind", "--profile", "2", "5", name}).exitCode, 0) << name;
        // The first group in the selector's order that offers it, as bind takes it.
        const auto groups = commands::selectorGroups();
        const auto group = std::ranges::find_if(groups, [code](const commands::SelectorGroup& g) {
            return std::ranges::find(g.codes, code) != g.codes.end();
        });
        const FunctionGroup kind = kGroups.at(group->name);
        expectPageStoresTheSame(name, [&](BindingEditor& editor) {
            editor.changeGroup(kind);
            editor.selectItem(codeToGroupItem(kind, code));
        });
    }

    EXPECT_EQ(run({"bind", "--profile", "2", "5", "win+alt+SHIFT+ctrl+c"}).out, "Profile 2, button 5: Ctrl+Shift+Alt+Win+C\n")
        << "modifiers in any order";
    ASSERT_EQ(run({"bind", "--profile", "2", "5", "ctrl+SHIFT+c"}).out, "Profile 2, button 5: Ctrl+Shift+C\n");
    expectPageStoresTheSame("Ctrl+Shift+C", [](BindingEditor& editor) {
        editor.changeGroup(FunctionGroup::keyboard);
        editor.setModifier(kModifierCtrl, true);
        editor.setModifier(kModifierShift, true);
        editor.captureKey(0x43);
    });

    ASSERT_EQ(run({"bind", "--profile", "2", "5", "macro:fire", "--loops", "300"}).exitCode, 2);
    ASSERT_EQ(run({"bind", "--profile", "2", "5", "macro:fire", "--loops", "3"}).exitCode, 0);
    expectPageStoresTheSame("macro:Fire", [](BindingEditor& editor) {
        editor.changeGroup(FunctionGroup::macro);
        editor.chooseMacro(1);
        editor.commitLoopCount(u"3");
    });

    ASSERT_EQ(run({"bind", "--profile", "2", "5", "macro:Reload", "--repeat", "toggle"}).exitCode, 0);
    expectPageStoresTheSame("macro:Reload --repeat toggle", [](BindingEditor& editor) {
        editor.changeGroup(FunctionGroup::macro);
        editor.chooseMacro(0);
        editor.setRepeatMode(2);
    });

    // A kept mode the mouse cannot take (a damaged file) is no reason to leave the button as it was.
    for (const std::int32_t damaged : {-1, 256}) {
        binding(1, 4).macroRepeatMode = damaged;
        const EditOutcome kept = run({"bind", "--profile", "2", "5", "macro:Fire"});
        ASSERT_EQ(kept.exitCode, 0) << kept.error;
        EXPECT_EQ(kept.out, "Profile 2, button 5: macro:Fire (3 times)\n") << damaged;
        EXPECT_EQ(binding(1, 4).macroRepeatMode, 0) << damaged;
        ASSERT_EQ(run({"bind", "--profile", "2", "5", "macro:Reload", "--repeat", "toggle"}).exitCode, 0);
    }

    ASSERT_EQ(run({"bind", "--profile", "2", "5", "default"}).exitCode, 0);
    expectPageStoresTheSame("default", [](BindingEditor& editor) { editor.changeGroup(FunctionGroup::defaultFunction); });

    // The left-click rule: the only left click stays until another button is one.
    EXPECT_EQ(run({"bind", "1", "copy"}).exitCode, 1);
    ASSERT_EQ(run({"bind", "2", "left_click"}).exitCode, 0);
    const EditOutcome freed = run({"bind", "1", "copy", "--apply"});
    EXPECT_EQ(freed.exitCode, 0) << freed.error;
    EXPECT_EQ(freed.effects.apply, commands::ApplyKind::full);
    EXPECT_EQ(binding(0, 0).functionCode, 33);
}

TEST_F(CommandRules, TheMouseHoldsEveryDpiAcceptedAsWrittenAndNothingElseIsAccepted) {
    std::set<int> accepted;
    for (int dpi = 0; dpi <= 10'000; dpi += 50) {
        const std::string text = std::to_string(dpi);
        if (run({"dpi", "--profile", "3", "4", text}).exitCode != 0) continue;
        accepted.insert(dpi);
        EXPECT_EQ(effectiveDpi(config->profiles[2].dpiValuesX[3]), dpi);
    }
    std::set<int> holdable;
    for (int dpi = 100; dpi <= 4900; dpi += 100) holdable.insert(dpi);
    for (int dpi = 5000; dpi <= 9800; dpi += 200) holdable.insert(dpi);
    EXPECT_EQ(accepted, holdable);

    // A level is switched on and off by the DPI page's rules; the mouse is told with the DPI report.
    const EditOutcome on = run({"dpi", "--profile", "3", "--enable", "8", "--apply"});
    EXPECT_EQ(on.out, "Profile 3, DPI level 8: on, 100 DPI\n");
    EXPECT_EQ(on.effects.apply, commands::ApplyKind::incremental);
    EXPECT_EQ(run({"dpi", "--profile", "3", "--current", "8"}).exitCode, 0);
    EXPECT_EQ(run({"dpi", "--profile", "3", "--disable", "1"}).out, "Profile 3, DPI level 1: off\n");
    EXPECT_TRUE(run({"dpi", "--profile", "3", "--current", "1"}).error.starts_with("DPI level 1 of profile 3 is off"));
    EXPECT_EQ(run({"dpi", "--profile", "3", "--disable", "8"}).error,
              "DPI level 8 is the current level of profile 3; make another level current first (qx4ctl dpi --current "
              "LEVEL)");
    EXPECT_EQ(config->profiles[2].dpiLevelEnabled, (std::array<std::int32_t, kDpiLevelCount>{0, 1, 1, 1, 1, 1, 1, 1}));

    // An apply sends the active profile's rate only: another profile's goes with all five.
    EXPECT_EQ(run({"rate", "250", "--apply"}).effects.apply, commands::ApplyKind::incremental);
    EXPECT_EQ(run({"rate", "--profile", "3", "250", "--apply"}).effects.apply, commands::ApplyKind::full);
    config->profiles[0].pollingRateIndex = config->profiles[2].pollingRateIndex = kDefaultPollingRateIndex;

    // Nothing but the profile asked for, and only the fields the pages write.
    const EditOutcome lit = run({"light", "--profile", "3", "wave", "--speed", "2", "--direction", "backward"});
    ASSERT_EQ(lit.exitCode, 0) << lit.error;
    EXPECT_EQ(lit.out, "Profile 3, lighting: wave, speed 2, backward\n");
    EXPECT_EQ(config->profiles[2].lightMode, 6);
    EXPECT_EQ(config->profiles[2].lightDirection, 0);
    ASSERT_EQ(run({"light", "steady", "--color", "#102030"}).exitCode, 0);
    EXPECT_EQ(config->profiles[0].lightColor, 0x302010u);
    EXPECT_EQ(config->profiles[0].lightColorUntouched, 0);
    auto expected = test::newRecord();
    expected->profiles[0].lightMode = 1;
    expected->profiles[0].lightColor = 0x302010u;
    expected->profiles[0].lightColorUntouched = 0;
    expected->profiles[2] = config->profiles[2];
    EXPECT_TRUE(test::sameBytes(*config, *expected));
}

TEST_F(CommandRules, BindingsFollowARenameTakeNewStepsAndFallBackWhenTheirMacroGoes) {
    ASSERT_EQ(run({"bind", "3", "macro:Reload"}).exitCode, 0);
    ASSERT_EQ(run({"bind", "--profile", "4", "7", "macro:Reload", "--repeat", "hold"}).exitCode, 0);

    const EditOutcome renamed = run({"macro", "rename", "reload", "Reload fast", "--apply"});
    ASSERT_EQ(renamed.exitCode, 0) << renamed.error;
    EXPECT_EQ(renamed.effects.apply, commands::ApplyKind::full);
    EXPECT_EQ(fixedTextView(binding(3, 6).macroName), u"Reload fast");

    const EditOutcome stepped = run({"macro", "steps", "Reload fast", "Ctrl down 20, C down 20, C up 20, Ctrl up"});
    ASSERT_EQ(stepped.exitCode, 0) << stepped.error;
    EXPECT_EQ(binding(0, 2).macroActionCount, 4);
    EXPECT_EQ(binding(3, 6).macroActions[1].code, 0x06);
    EXPECT_EQ(binding(3, 6).macroRepeatMode, 1);

    const EditOutcome deleted = run({"macro", "delete", "RELOAD FAST"});
    ASSERT_EQ(deleted.exitCode, 0) << deleted.error;
    EXPECT_TRUE(deleted.effects.recordChanged && deleted.effects.macrosChanged);
    EXPECT_EQ(deleted.effects.apply, commands::ApplyKind::none) << "sent only with --apply";
    EXPECT_EQ(binding(0, 2).functionCode, defaultFunctionCode(2));
    EXPECT_EQ(binding(3, 6).functionCode, defaultFunctionCode(6));
    EXPECT_EQ(macros.size(), 1u);
    EXPECT_EQ(run({"macro", "add", "abcdefghijklmnopqrstuvw"}).exitCode, 0) << "23 characters fit";
}

}  // namespace
}  // namespace qx4
