#include <gtest/gtest.h>
#include <sys/stat.h>


#include "core/config/config_file.h"
#include "core/config/utf16_text.h"
#include "core/edit/macro_bindings.h"
#include "tests/support/macro_lists.h"
#include "tests/support/sample_record.h"
#include "tests/support/test_files.h"

namespace qx4 {
namespace {

using test::listOf;

class MacroStore : public ::testing::Test {
protected:
    test::ScopedDataDir data;
    std::filesystem::path file() const { return data.folder() / "macro.data"; }
    std::filesystem::path exported(const char* name) const { return data.root() / name; }
};

TEST(MacroNames, CountUpAvoidCollisionsIgnoringCaseAndNeverExceed23Units) {
    MacroList list = listOf({u"Macro2", u"macro3"});
    EXPECT_EQ(uniqueMacroName(u"Macro4", list), u"Macro4");
    EXPECT_EQ(uniqueMacroName(u"Macro3", list), u"Macro3_1");
    list.append(test::macroNamed(u"MACRO3_1"));
    EXPECT_EQ(uniqueMacroName(u"Macro3", list), u"Macro3_2");
    EXPECT_FALSE(macroNameExists(u"Macro", list));
    EXPECT_EQ(macroAt(list.size(), list), nullptr);
    EXPECT_TRUE(sameMacroName(u"ÄRGER Ωμέγα ДОМ", u"ärger ωμέγα дом"));
    EXPECT_TRUE(sameMacroName(u"ЀЏ", u"ѐџ"));
    EXPECT_FALSE(sameMacroName(u"straße", u"STRASSE"));
    EXPECT_FALSE(sameMacroName(u"Macro1", u"Macro1 "));

    // The base is shortened before the suffix is.
    const std::u16string longName = u"ABCDEFGHIJKLMNOPQRSTUVWXYZ";  // 26 units
    list = MacroList{};
    EXPECT_EQ(uniqueMacroName(longName, list), longName.substr(0, 23));
    list.append(test::macroNamed(longName.substr(0, 23)));
    EXPECT_EQ(uniqueMacroName(longName, list), longName.substr(0, 21) + u"_1");
    for (char16_t n = u'1'; n <= u'9'; ++n) list.append(test::macroNamed(longName.substr(0, 21) + u"_" + n));
    EXPECT_EQ(uniqueMacroName(longName, list), longName.substr(0, 20) + u"_10");
    // A cut never leaves half of a surrogate pair behind.
    EXPECT_EQ(uniqueMacroName(std::u16string(22, u'x') + u"\U0001F600", MacroList{}), std::u16string(22, u'x'));
}

TEST_F(MacroStore, CreatedMacrosAreSavedAndKeepTheirAddressAndStoredBytesAndLoadedOnesAreMended) {
    MacroList list = listOf({u"Macro1", u"Macro2"});
    list.at(1).loopCount = 9;
    const MacroStoreChange change = createMacro(list, u"Macro");
    ASSERT_NE(change.record, nullptr);
    EXPECT_TRUE(change.saved);
    EXPECT_TRUE(test::sameBytes(*change.record, MacroRecord{toMacroName(u"Macro3"), 0, 0, {}}));

    MacroList loaded = listOf({u"already here"});
    ASSERT_EQ(loadMacros(loaded).appended, 3u);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_TRUE(test::sameBytes(loaded.at(i + 1), list.at(i))) << i;

    // The editor holds on to a record while others come and go.
    for (int i = 0; i < 200; ++i) list.append(test::macroNamed(u"filler"));
    list.remove(0);
    EXPECT_EQ(list.positionOf(change.record), 1u);
    EXPECT_EQ(macroNameText(change.record->name), u"Macro3");

    // Partial and out-of-range records are mended.
    MacroRecord whole = test::macroNamed(u"", -1000);
    whole.name.fill(u'n');  // no terminator
    const auto image = recordBytes(whole);
    std::vector<std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(image.data()),
                                    reinterpret_cast<const std::uint8_t*>(image.data()) + image.size());
    bytes.insert(bytes.end(), {u'p', 0, u'q', 0, 0, 0});
    test::writeBytes(file(), bytes);
    MacroList mended;
    ASSERT_EQ(loadMacros(mended).appended, 2u);
    EXPECT_EQ(macroNameText(mended.at(0).name), std::u16string(23, u'n'));
    EXPECT_EQ(mended.at(0).actionCount, 0);
    EXPECT_TRUE(test::sameBytes(mended.at(1), MacroRecord{toMacroName(u"pq"), 0, 0, {}}));
}

// Saving a list that lacks some of the file's macros would lose them: such a file is never
// written over, whatever the program is asked to do.
TEST_F(MacroStore, AFileThatWasNotReadWholeIsNeverWrittenOver) {
    const auto refusedEverything = [this](MacroList& list) {
        const std::size_t size = list.size();
        EXPECT_FALSE(saveMacros(list));
        EXPECT_EQ(saveMacrosAndConfig(&list, nullptr).error, std::errc::operation_not_permitted);
        test::writeBytes(data.root() / "a.macro", std::vector<std::uint8_t>(240, 0));
        for (const MacroStoreChange& change : {createMacro(list, u"Macro"), importMacroFile(data.root() / "a.macro", list)}) {
            EXPECT_EQ(change.refused, MacroRefusal::storeProblem);
            EXPECT_FALSE(change.record || change.saved);
        }
        EXPECT_EQ(list.size(), size);
    };

    test::makeUnreadable(file());
    MacroList unreadable;
    EXPECT_EQ(loadMacros(unreadable).problem, MacroStoreProblem::unreadable);
    EXPECT_TRUE(unreadable.empty());
    refusedEverything(unreadable);
    EXPECT_TRUE(std::filesystem::is_symlink(file()));

    std::filesystem::remove(file());
    ASSERT_EQ(mkfifo((data.root() / "pipe").c_str(), 0600), 0);
    std::filesystem::create_symlink(data.root() / "pipe", file());
    MacroList endless;
    EXPECT_EQ(loadMacros(endless).problem, MacroStoreProblem::notRegularFile);
    EXPECT_TRUE(endless.empty());
    refusedEverything(endless);

    // A sparse file of 2 GB: its size is known before a byte is read, and only the first
    // kMacroStoreCapacity records are.
    std::filesystem::remove(file());
    test::writeBytes(file(), {u'A', 0});
    std::filesystem::resize_file(file(), 2'000'000'000);
    MacroList huge;
    const MacroLoadResult loaded = loadMacros(huge);
    EXPECT_EQ(loaded.problem, MacroStoreProblem::tooLarge);
    EXPECT_EQ(loaded.recordsInFile, 2'000'000'000u / 240 + 1);
    EXPECT_EQ(huge.size(), kMacroStoreCapacity);
    EXPECT_EQ(macroNameText(huge.at(0).name), u"A");
    refusedEverything(huge);
    EXPECT_EQ(std::filesystem::file_size(file()), 2'000'000'000u);

    // A full library read whole takes no more, so that it can always be read whole again.
    MacroList full;
    for (std::size_t i = 0; i < kMacroStoreCapacity; ++i) full.append(MacroRecord{});
    EXPECT_EQ(createMacro(full, u"Macro").refused, MacroRefusal::storeFull);
    EXPECT_TRUE(saveMacros(full)) << "a full library is saved";
    full.append(MacroRecord{});
    EXPECT_FALSE(saveMacros(full));
    EXPECT_TRUE(saveMacrosAndConfig(&full, nullptr).error);
}

// Imports keep everything but a clashing name and name nameless macros after the file (what is
// refused: FileSafety in the configuration's tests).
TEST_F(MacroStore, ExportedMacrosImportKeepingAllButAClashingName) {
    MacroList list = listOf({u"Jump", u""});
    list.at(0).loopCount = 12;
    list.at(1).actionCount = 3;
    MacroList other = listOf({u"JUMP", u"quick reload"});
    for (auto [i, name, imported] : {std::tuple{0, "jump.macro", u"Jump_1"}, {1, "Quick Reload.macro", u"Quick Reload_1"},
                                      {1, "Burst.macro", u"Burst"}}) {
        ASSERT_TRUE(exportMacroFile(list.at(i), exported(name)));
        const MacroStoreChange change = importMacroFile(exported(name), other);
        ASSERT_NE(change.record, nullptr) << name;
        EXPECT_TRUE(change.saved) << name;
        MacroRecord expected = list.at(i);
        expected.name = toMacroName(imported);
        EXPECT_TRUE(test::sameBytes(*change.record, expected)) << name;
    }
    EXPECT_EQ(std::filesystem::file_size(file()), 5 * 240u);
}

// Bindings find their macro again by name: found ones are copied in again with the macro's
// current position, missing ones fall back to the button's default. Buttons 12-23 are not shown,
// so they are left alone.
TEST(Reconcile, BindingsFollowTheirMacroByNameOnTheShownButtonsOnly) {
    auto config = test::newRecord();
    const auto assign = [&config](int profile, int button, std::u16string_view name, std::uint8_t code = 17) -> ButtonBinding& {
        ButtonBinding& binding = config->profiles[static_cast<std::size_t>(profile)].buttons[static_cast<std::size_t>(button)];
        binding.functionCode = code;
        binding.functionGroup = 7;
        binding.macroRepeatMode = 1;
        binding.macroLoopCount = 4;
        binding.macroIndex = 0;
        writeFixedText(binding.macroName, name);
        binding.macroActionCount = 1;
        return binding;
    };
    assign(1, 12, u"Gone");
    const auto before = test::copyOf(*config);
    EXPECT_FALSE(reconcileMacroBindings(*config, listOf({u"unused"})));
    EXPECT_TRUE(test::sameBytes(*config, *before));

    MacroList list = listOf({u"first", u"second"});
    list.append(test::macroNamed(u"Fire", 46)).actionCount = 5000;  // damaged: limited to 46
    ButtonBinding& found = assign(2, 4, u"fIRE");
    ButtonBinding& missing = assign(0, 2, u"Gone");
    ButtonBinding& named = assign(4, 11, u"Gone too", 33);  // a stale name is a macro too
    ButtonBinding expected = found;
    EXPECT_TRUE(reconcileMacroBindings(*config, list));
    expected.macroName = list.at(2).name;
    expected.macroActionCount = 46;
    expected.macroActions = list.at(2).actions;
    expected.macroIndex = 2;
    EXPECT_TRUE(test::sameBytes(found, expected));
    list.remove(0);  // the same macro now sits one place earlier
    EXPECT_TRUE(reconcileMacroBindings(*config, list));
    EXPECT_EQ(found.macroIndex, 1);

    expected = ButtonBinding{};
    expected.functionCode = 3;
    expected.macroIndex = -1;
    EXPECT_TRUE(test::sameBytes(missing, expected));
    expected.functionCode = 12;
    EXPECT_TRUE(test::sameBytes(named, expected));
}

}  // namespace
}  // namespace qx4
