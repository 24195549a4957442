// Which profile the application in front selects: the rules file, read back as written, and set
// aside and reported when damaged without touching anything else in the folder; and the engine,
// one step after another with a clock the test moves.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/rules/focus_rules.h"
#include "core/rules/follow_engine.h"
#include "tests/support/test_files.h"

namespace qx4 {
namespace {

TEST(FocusRules, ReadsWhatAPersonWritesAndWritesWhatItReads) {
    const FocusRules rules = parseRules(
                                 "# mine\n"
                                 "\n"
                                 "  follow = off\r\n"
                                 "default=3\n"
                                 "app steam_app_730 = 2\n"
                                 "app\tMy Game (x64) = 5\n"
                                 "app STEAM_APP_730 = 4\n")
                                 .rules;
    EXPECT_EQ(rules, (FocusRules{false, 2, {{"steam_app_730", 3}, {"My Game (x64)", 4}}}))
        << "a later line for the same application, in any case, changes the first";
    EXPECT_EQ(parseRules(formatRules(rules)).rules, rules);
}

TEST(FocusRules, NamesTheFirstLineThatIsNotARule) {
    const struct {
        const char* text;
        int badLine;
    } cases[] = {
        {"follow = yes\n", 1},
        {"default = 6\n", 1},
        {"default = 0\n", 1},
        {"app = 2\n", 1},
        {"follow = on\napp steam 2\n", 2},
        {"follow = on\nsteam = 2\n", 2},
        {"app steam = 12\n", 1},
        {"\x7f" "ELF\x02\x01\n", 1},
    };
    for (const auto& c : cases) {
        const RulesParse parse = parseRules(c.text);
        EXPECT_EQ(parse.badLine, c.badLine) << c.text;
        EXPECT_EQ(parse.rules, FocusRules{}) << "a damaged file holds no rule: " << c.text;
    }
}

TEST(FocusRules, ADamagedFileIsKeptAsideAndTheRecordLeftAlone) {
    test::ScopedDataDir data;
    const std::filesystem::path file = rulesFilePath();
    EXPECT_EQ(file, data.root() / "rules.conf");
    const std::filesystem::path record = data.folder() / "Config_1.data";
    test::writeBytes(record, {1, 2, 3});
    test::writeText(file, "app steam = 2\nthis is not a rule\n");

    const RulesLoad load = loadRules(file);
    EXPECT_EQ(load.rules, FocusRules{});
    EXPECT_NE(load.problem.find("line 2"), std::string::npos) << load.problem;
    EXPECT_EQ(test::readText(load.keptCopy), "app steam = 2\nthis is not a rule\n");
    EXPECT_EQ(test::readBytes(record), (std::vector<std::uint8_t>{1, 2, 3}));

    EXPECT_EQ(saveRules(FocusRules{true, std::nullopt, {{"steam", 1}}}, file), "");
    EXPECT_EQ(loadRules(file).rules.rules.size(), 1U);
    EXPECT_EQ(loadRules(file).problem, "");
    EXPECT_TRUE(std::filesystem::exists(load.keptCopy)) << "a save keeps the damaged copy";
}

using Kind = FollowEngine::Decision::Kind;
using std::chrono::milliseconds;

struct Step {
    enum class What { focus, hand, settle } what;
    int ms = 0;                // when, from the start
    std::vector<std::string> app{};  // focus: the application's names
    int active = 0;            // settle: the active profile (0-based)
    bool applying = false;     // settle: an apply runs
    Kind expected = Kind::nothing;
    int profile = 0;           // expected select, 1-based as the user counts
};

Step focus(int ms, std::vector<std::string> app) { return {Step::What::focus, ms, std::move(app)}; }
Step hand() { return {Step::What::hand}; }
Step settle(int ms, int active, Kind expected, int profile = 0, bool applying = false) {
    return {Step::What::settle, ms, {}, active - 1, applying, expected, profile};
}

const std::vector<std::string> game{"steam_app_730", "steam_app_730", "cs2"};
const std::vector<std::string> browser{"Navigator", "firefox", "firefox-bin"};
const std::vector<std::string> terminal{"xterm", "XTerm", "xterm"};

struct Case {
    const char* name;
    FocusRules rules;
    std::vector<Step> steps;
};

FocusRules gameAndBrowser(std::optional<int> defaultProfile = std::nullopt, bool follow = true) {
    return {follow, defaultProfile, {{"steam_app_730", 1}, {"FIREFOX-BIN", 2}}};
}

TEST(FollowEngine, SelectsOnceForTheApplicationThatStaysInFront) {
    const std::vector<Case> cases{
        {"a focus change switches, once it has rested",
         gameAndBrowser(),
         {focus(0, game), settle(100, 1, Kind::askAgainAt), settle(300, 1, Kind::select, 2)}},
        {"the program file name matches, whatever the case",
         gameAndBrowser(),
         {focus(0, browser), settle(300, 1, Kind::select, 3)}},
        {"nothing for the profile already active",
         gameAndBrowser(),
         {focus(0, game), settle(300, 2, Kind::nothing)}},
        {"a flurry selects for the last application only",
         gameAndBrowser(),
         {focus(0, game), focus(100, browser), focus(200, terminal), focus(250, game),
          settle(300, 1, Kind::askAgainAt), settle(550, 1, Kind::select, 2), settle(900, 2, Kind::nothing)}},
        {"a select due during an apply is made after it",
         gameAndBrowser(),
         {focus(0, game), settle(300, 1, Kind::askAgainAfterApply, 0, true), settle(800, 1, Kind::select, 2)}},
        {"a choice by hand holds while the application stays in front",
         gameAndBrowser(),
         {focus(0, game), settle(300, 1, Kind::select, 2), hand(), focus(1000, game), settle(1300, 4, Kind::nothing),
          focus(2000, browser), settle(2300, 4, Kind::select, 3), focus(3000, game), settle(3300, 3, Kind::select, 2)}},
        {"a choice by hand while the focus rests is made for the application in front",
         gameAndBrowser(),
         {focus(0, game), hand(), settle(300, 4, Kind::nothing), focus(400, game), settle(700, 4, Kind::nothing)}},
        {"an application without a rule keeps the profile",
         gameAndBrowser(),
         {focus(0, terminal), settle(300, 2, Kind::nothing)}},
        {"or takes the default",
         gameAndBrowser(4),
         {focus(0, terminal), settle(300, 2, Kind::select, 5)}},
        {"switched off, nothing follows",
         gameAndBrowser(4, false),
         {focus(0, game), settle(300, 1, Kind::nothing)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FollowEngine engine;
        engine.setRules(c.rules);
        const FollowEngine::Clock::time_point start{};
        for (std::size_t i = 0; i < c.steps.size(); ++i) {
            SCOPED_TRACE("step " + std::to_string(i));
            const Step& step = c.steps[i];
            const auto when = start + milliseconds(step.ms);
            if (step.what == Step::What::focus) {
                EXPECT_EQ(engine.focusReported(step.app, when), when + FollowEngine::kRest);
            } else if (step.what == Step::What::hand) {
                engine.choseByHand();
            } else {
                const FollowEngine::Decision decision = engine.settle(when, {step.active, step.applying});
                EXPECT_EQ(decision.kind, step.expected);
                if (step.expected == Kind::select) {
                    EXPECT_EQ(decision.profile + 1, step.profile);
                }
            }
        }
    }
}

TEST(FollowEngine, RemembersTheApplicationsSeenLatestFirstEachOnce) {
    FollowEngine engine;
    const FollowEngine::Clock::time_point now{};
    for (const auto& app : {game, browser, game, terminal}) engine.focusReported(app, now);
    EXPECT_EQ(engine.recentApps(), (std::vector<std::string>{"xterm", "steam_app_730", "Navigator"}));
}

}  // namespace
}  // namespace qx4
