#include <gtest/gtest.h>

#include "core/vocab/function_catalogue.h"
#include "core/vocab/function_wire_table.h"

namespace qx4 {
namespace {

TEST(FunctionCatalogue, EverySelectorItemRoundTripsThroughItsCode) {
    for (FunctionGroup group : {FunctionGroup::mouse, FunctionGroup::dpi, FunctionGroup::profile, FunctionGroup::media,
                                FunctionGroup::system, FunctionGroup::shortcut}) {
        const int items = static_cast<int>(selectorItems(group).size());
        ASSERT_GT(items, 0);
        for (int item = 0; item < items; ++item) {
            const auto code = groupItemToCode(group, item);
            ASSERT_TRUE(code.has_value());
            EXPECT_EQ(codeToGroupItem(group, *code), item) << "group " << int(group) << " item " << item;
            EXPECT_FALSE(functionTextKey(*code).empty()) << "code " << int(*code);
        }
        EXPECT_FALSE(groupItemToCode(group, -1).has_value());
        EXPECT_FALSE(groupItemToCode(group, items).has_value());
    }
}

TEST(FunctionCatalogue, WorkedSelections) {
    EXPECT_EQ(selectorItems(FunctionGroup::media).size(), 18u);
    EXPECT_EQ(groupItemToCode(FunctionGroup::mouse, 10), 22);  // easy aim
    EXPECT_EQ(groupItemToCode(FunctionGroup::mouse, 13), 0);   // off
    // Tilt codes are offered nowhere: they open at item 0, which stores a left click.
    EXPECT_EQ(codeToGroupItem(FunctionGroup::mouse, 13), 0);
    // DPI up sits in two selectors.
    EXPECT_EQ(codeToGroupItem(FunctionGroup::mouse, 7), 6);
    EXPECT_EQ(codeToGroupItem(FunctionGroup::dpi, 7), 1);
    EXPECT_EQ(groupItemToCode(FunctionGroup::keyboard, 3), kKeyboardFunctionCode);
    EXPECT_EQ(groupItemToCode(FunctionGroup::macro, 0), kMacroFunctionCode);
    EXPECT_EQ(groupItemToCode(FunctionGroup::defaultFunction, 0, 6), 7);
    EXPECT_EQ(groupItemToCode(FunctionGroup::defaultFunction, 0, 17), 0);  // the upper twelve repeat
}

}  // namespace
}  // namespace qx4
