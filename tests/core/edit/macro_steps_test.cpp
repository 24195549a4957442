#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "tests/core/macro/macro_test_support.h"
#include "core/config/utf16_text.h"
#include "core/edit/macro_draft.h"
#include "core/edit/macro_recorder.h"
#include "core/window_messages.h"

namespace qx4 {
namespace {

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

TEST(MacroDraft, ClicksGoAfterTheSelectedStepAndNeedTwoFreeSteps) {
    MacroDraft draft = draftOf(44);
    draft.select(1);
    ASSERT_TRUE(draft.insertClick(4, 30));
    EXPECT_EQ(draft.size(), 46u);
    EXPECT_EQ(draft.selected(), 3u);
    const MacroAction& press = draft.steps()[2];
    const MacroAction& release = draft.steps()[3];
    EXPECT_EQ(press.code, 245);
    EXPECT_EQ(press.kind, kMacroActionPress);
    EXPECT_EQ(release.kind, kMacroActionRelease);
    EXPECT_EQ(release.delay, 30);
    EXPECT_EQ(draft.steps()[4].code, 6);

    MacroDraft almostFull = draftOf(45);
    EXPECT_FALSE(almostFull.insertClick(1, 30));
    EXPECT_EQ(almostFull.size(), 45u);

    MacroDraft none = draftOf(2);
    none.select(std::nullopt);
    ASSERT_TRUE(none.insertClick(5, 2));
    EXPECT_EQ(codes(none), (std::vector<std::uint8_t>{244, 244, 4, 5}));
}

TEST(MacroDraft, MovesStopAtTheEndsAndCarryTheDelay) {
    MacroDraft draft = draftOf(3);
    EXPECT_FALSE(draft.moveSelectedDown());
    ASSERT_TRUE(draft.moveSelectedUp());
    EXPECT_EQ(draft.selected(), 1u);
    EXPECT_EQ(draft.steps()[1].code, 6);
    EXPECT_EQ(draft.steps()[1].delay, 21);
    draft.select(0);
    EXPECT_FALSE(draft.moveSelectedUp());
    EXPECT_EQ(codes(draft), (std::vector<std::uint8_t>{4, 6, 5}));

    ASSERT_TRUE(draft.removeSelected());
    EXPECT_EQ(draft.selected(), 0u);
    draft.removeSelected();
    ASSERT_TRUE(draft.removeSelected());  // the only step
    EXPECT_EQ(draft.size(), 0u);
    EXPECT_FALSE(draft.selected());
    EXPECT_FALSE(draft.removeSelected());
}

TEST(MacroDraft, StepEditsKeepTheirLimits) {
    // A delay outside 1-65,535 is refused, not turned into another one.
    const std::pair<std::u16string_view, std::optional<std::uint16_t>> delays[] = {
        {u"250", 250}, {u"0", std::nullopt}, {u"abc", std::nullopt}, {u"-40", std::nullopt},
        {u"70000", std::nullopt}, {u"", std::nullopt}, {u"65535", 65535}, {u"250", 250}};
    MacroDraft draft = draftOf(3);
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
    EXPECT_EQ(draft.steps()[2].code, 0x3E);
    EXPECT_EQ(draft.steps()[2].delay, 21);
    ASSERT_TRUE(draft.setSelectedMouseButton(4));
    EXPECT_EQ(draft.steps()[2].code, 244);
    EXPECT_FALSE(draft.setSelectedMouseButton(5));
}

class Recording : public ::testing::Test {
protected:
    // Presses and releases key A at the given times.
    void key(bool press, std::uint64_t at) { recorder.record({0x41, press ? 0 : 1, at}); }

    MacroDraft draft;
    MacroRecorder recorder{draft};
};

TEST_F(Recording, HeldKeysGiveOnePressAndRepeatedKeysAreKept) {
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
}

TEST_F(Recording, DelayModes) {
    const struct {
        DelayMode mode;
        std::uint16_t defaultDelay;
        std::uint64_t pause;
        std::uint16_t stored;
    } cases[] = {
        {DelayMode::recorded, 10, 100'000, 65535},
        {DelayMode::recorded, 10, 340, 340},
        {DelayMode::noDelay, 10, 340, 2},
        {DelayMode::defaultDelay, 50, 340, 50},
    };
    for (const auto& c : cases) {
        draft.clear();
        recorder.setDelayMode(c.mode);
        recorder.start(c.defaultDelay, 1000);
        key(true, 1000 + c.pause);
        key(false, 1000 + 2 * c.pause);
        EXPECT_EQ(draft.steps()[0].delay, c.stored) << static_cast<int>(c.mode) << " " << c.pause;
        EXPECT_EQ(draft.steps()[1].delay, c.stored);
    }
}

TEST_F(Recording, InsertsAfterTheSelectedStepAndStopsWhenFull) {
    draft = draftOf(10);
    draft.select(3);
    recorder.setDelayMode(DelayMode::defaultDelay);
    recorder.start(77, 0);
    recorder.record({WM_XBUTTONDOWN, 2, 5});
    recorder.record({WM_LBUTTONUP, 0, 9});
    ASSERT_EQ(draft.size(), 12u);
    EXPECT_EQ(draft.steps()[3].delay, 77);
    EXPECT_EQ(draft.steps()[4].code, 244);
    EXPECT_EQ(draft.steps()[4].kind, kMacroActionPress);
    EXPECT_EQ(draft.steps()[5].code, 241);
    EXPECT_EQ(draft.steps()[5].kind, kMacroActionRelease);
    EXPECT_EQ(draft.steps()[6].code, 4 + 4);
    EXPECT_EQ(draft.selected(), 5u);

    draft = draftOf(44);
    recorder.start(77, 0);
    key(true, 1);
    key(false, 2);
    EXPECT_FALSE(recorder.recording());
    key(true, 3);
    EXPECT_EQ(draft.size(), 46u);
}

}  // namespace
}  // namespace qx4
