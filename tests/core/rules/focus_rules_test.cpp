// The rules file: what a person writes is read back as written, and a damaged file is set aside
// and reported without touching anything else in the folder.
#include "core/rules/focus_rules.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tests/support/test_files.h"

namespace qx4 {
namespace {

namespace fs = std::filesystem;

std::string readText(const fs::path& path) {
    std::ifstream file(path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

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
    const fs::path file = rulesFilePath();
    EXPECT_EQ(file, data.root() / "rules.conf");
    const fs::path record = data.folder() / "Config_1.data";
    test::writeBytes(record, {1, 2, 3});
    std::ofstream(file) << "app steam = 2\nthis is not a rule\n";

    const RulesLoad load = loadRules(file);
    EXPECT_EQ(load.rules, FocusRules{});
    EXPECT_NE(load.problem.find("line 2"), std::string::npos) << load.problem;
    EXPECT_EQ(readText(load.keptCopy), "app steam = 2\nthis is not a rule\n");
    EXPECT_EQ(test::readBytes(record), (std::vector<std::uint8_t>{1, 2, 3}));

    EXPECT_EQ(saveRules(FocusRules{true, std::nullopt, {{"steam", 1}}}, file), "");
    EXPECT_EQ(loadRules(file).rules.rules.size(), 1U);
    EXPECT_EQ(loadRules(file).problem, "");
    EXPECT_TRUE(fs::exists(load.keptCopy)) << "a save keeps the damaged copy";
}

}  // namespace
}  // namespace qx4
