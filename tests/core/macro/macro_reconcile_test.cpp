#include <gtest/gtest.h>

#include <memory>

#include "core/config/config_file.h"
#include "core/config/utf16_text.h"
#include "core/edit/macro_bindings.h"
#include "macro_test_support.h"

namespace qx4 {
namespace {

using test::listOf;

class Reconcile : public ::testing::Test {
protected:
    void SetUp() override { applyDefaults(*config); }

    ButtonBinding& assign(int profile, int button, std::u16string_view name, std::uint8_t code = 17) {
        ButtonBinding& binding = config->profiles[static_cast<std::size_t>(profile)].buttons[static_cast<std::size_t>(button)];
        binding.functionCode = code;
        binding.functionGroup = 7;
        binding.macroRepeatMode = 1;
        binding.macroLoopCount = 4;
        binding.macroIndex = 0;
        writeFixedText(binding.macroName, name);
        binding.macroActionCount = 1;
        return binding;
    }

    std::unique_ptr<DeviceConfig> config = std::make_unique<DeviceConfig>();
};

TEST_F(Reconcile, FoundMacrosAreCopiedInAgainWithTheirCurrentPosition) {
    MacroList list = listOf({u"first", u"second"});
    list.append(test::macroNamed(u"Fire", 46)).actionCount = 5000;  // damaged: limited to 46
    ButtonBinding& binding = assign(2, 4, u"fIRE");
    ButtonBinding expected = binding;

    EXPECT_TRUE(reconcileMacroBindings(*config, list));
    expected.macroName = list.at(2).name;
    expected.macroActionCount = 46;
    expected.macroActions = list.at(2).actions;
    expected.macroIndex = 2;
    EXPECT_TRUE(test::sameBytes(binding, expected));

    list.remove(0);  // the same macro now sits one place earlier
    EXPECT_TRUE(reconcileMacroBindings(*config, list));
    EXPECT_EQ(binding.macroIndex, 1);
}

TEST_F(Reconcile, MissingMacrosFallBackToTheButtonDefault) {
    ButtonBinding& macroButton = assign(0, 2, u"Gone");
    ButtonBinding& namedButton = assign(4, 11, u"Gone too", 33);  // a stale name is a macro too
    EXPECT_TRUE(reconcileMacroBindings(*config, listOf({u"other"})));
    ButtonBinding expected{};
    expected.functionCode = 3;
    expected.macroIndex = -1;
    EXPECT_TRUE(test::sameBytes(macroButton, expected));
    expected.functionCode = 12;
    EXPECT_TRUE(test::sameBytes(namedButton, expected));
}

// Buttons 12-23 are not shown, so they are left alone: without a shown macro binding nothing
// changes and the result is false.
TEST_F(Reconcile, OnlyTheShownButtonsAreVisited) {
    assign(1, 12, u"Gone");
    auto before = std::make_unique<DeviceConfig>(*config);
    EXPECT_FALSE(reconcileMacroBindings(*config, listOf({u"unused"})));
    EXPECT_TRUE(std::ranges::equal(recordBytes(*config), recordBytes(*before)));
}

}  // namespace
}  // namespace qx4
