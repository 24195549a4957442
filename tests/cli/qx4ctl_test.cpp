#include <gtest/gtest.h>
#include <sys/stat.h>

#include <nlohmann/json.hpp>

#include <cstdio>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include "cli/command.h"
#include "core/commands/command_grammar.h"
#include "core/config/config_file.h"
#include "core/config/utf16_text.h"
#include "core/edit/profile_settings_edit.h"
#include "core/instance/instance_lock.h"
#include "core/macro/macro_store.h"
#include "tests/support/expected_defaults.h"
#include "tests/support/sample_record.h"
#include "tests/support/test_files.h"
#include "tests/support/virtual_mouse_process.h"

namespace qx4 {
namespace {

struct ToolRun {
    int code;
    std::string out;
    std::string err;
};

ToolRun qx4ctl(std::vector<std::string_view> arguments) {
    std::ostringstream out, err;
    const int code = cli::runQx4ctl(arguments, out, err);
    return {code, out.str(), err.str()};
}

class Qx4ctl : public ::testing::Test {
protected:
    test::ScopedDataDir data;
    // Where a running program would be found: nobody's but this test's.
    test::TempFolder runtime{"qx4-cli-runtime"};
    test::ScopedEnv runtimeEnv{"QX4_RUNTIME_DIR", runtime.path().string()};
    std::filesystem::path configFile() const { return data.folder() / "Config_1.data"; }
};

// What a command prints on standard output after running it in a shell, as a script would.
std::string shell(const std::string& command) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return output;
    char buffer[4096];
    while (const std::size_t count = fread(buffer, 1, sizeof(buffer), pipe)) output.append(buffer, count);
    pclose(pipe);
    return output;
}

TEST_F(Qx4ctl, ExitCodesHelpPathInitOneLineFailuresAndAWrongSizeKeptBeforeReplaced) {
    EXPECT_EQ(qx4ctl({}).code, 2);
    EXPECT_EQ(qx4ctl({"--help"}).code, 0);
    const ToolRun unknown = qx4ctl({"frobnicate"});
    EXPECT_NE(unknown.err.find("frobnicate"), std::string::npos);
    EXPECT_EQ(unknown.err.find("did you mean"), std::string::npos) << unknown.err;
    const ToolRun mistyped = qx4ctl({"shwo"});
    EXPECT_EQ(mistyped.code, 2);
    EXPECT_NE(mistyped.err.find("unknown command 'shwo'; did you mean 'show'?\n"), std::string::npos) << mistyped.err;
    EXPECT_NE(qx4ctl({"show", "--jsno"}).err.find("did you mean '--json'?"), std::string::npos);
    for (const cli::Command& command : cli::registeredCommands()) {
        const ToolRun help = qx4ctl({command.name, "--help"});
        EXPECT_EQ(help.code, 0) << command.name;
        EXPECT_NE(help.out.find("qx4ctl " + std::string(command.name)), std::string::npos) << command.name;
        EXPECT_EQ(qx4ctl({command.name, "--no-such-option"}).code, 2) << command.name;
    }
    const std::vector<std::vector<std::string_view>> badProfiles{
        {"show", "--profile"}, {"show", "--profile", "0"}, {"show", "--profile=6"}, {"show", "--profile", "2x"}};
    for (const auto& arguments : badProfiles) EXPECT_EQ(qx4ctl(arguments).code, 2) << arguments.back();
    EXPECT_FALSE(std::filesystem::exists(data.root() / "Data")) << "a usage error wrote something";

    // In an empty folder: show writes nothing, init the defaults.
    EXPECT_EQ(qx4ctl({"path"}).out, (data.root() / "Data").string() + "\n");
    const ToolRun show = qx4ctl({"show"});
    EXPECT_NE(show.err.find("defaults"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(configFile())) << "show wrote a file";
    const ToolRun init = qx4ctl({"init"});
    EXPECT_EQ(init.code, 0);
    EXPECT_EQ(init.out, configFile().string() + "\n");
    EXPECT_EQ(test::readBytes(configFile()), test::expectedDefaultImage());

    std::filesystem::remove(configFile());
    std::filesystem::create_directories(configFile());
    const ToolRun refused = qx4ctl({"init"});
    EXPECT_EQ(refused.code, 1);
    EXPECT_EQ(std::count(refused.err.begin(), refused.err.end(), '\n'), 1);
    EXPECT_NE(refused.err.find(configFile().string()), std::string::npos);

    // A file of the wrong size is replaced only after a copy of it is kept.
    auto overlong = test::expectedDefaultImage();
    overlong.resize(overlong.size() + 100, 0x5A);
    test::writeBytes(configFile(), overlong);
    const auto copy = data.folder() / "Config_1.data.damaged";
    std::filesystem::create_directories(copy);
    const std::vector<std::string_view> kReplacing[] = {{"init"}, {"profile", "2"}};
    for (const std::vector<std::string_view>& arguments : kReplacing) {
        const ToolRun uncopied = qx4ctl(arguments);
        EXPECT_EQ(uncopied.code, 1) << arguments[0];
        EXPECT_NE(uncopied.err.find("no copy of it could be kept"), std::string::npos) << uncopied.err;
        EXPECT_EQ(test::readBytes(configFile()), overlong) << arguments[0];
    }
    std::filesystem::remove(copy);
    const ToolRun replaced = qx4ctl({"init"});
    EXPECT_EQ(replaced.code, 0) << replaced.err;
    EXPECT_NE(replaced.err.find("was longer than a configuration; kept it as " + copy.string()), std::string::npos)
        << replaced.err;
    EXPECT_EQ(test::readBytes(copy), overlong);
    EXPECT_EQ(test::readBytes(configFile()), test::expectedDefaultImage());
}

// Files relative to whatever folder qx4ctl runs in would be lost and found at random.
TEST_F(Qx4ctl, WithoutAnAbsoluteDataFolderOnlyHelpRuns) {
    test::TempFolder workingFolder{"qx4-cli-cwd"};
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(workingFolder.path());
    const std::pair<std::optional<std::string>, std::optional<std::string>> environments[] = {
        {"Data", "/home/ann"}, {std::nullopt, std::nullopt}, {std::nullopt, "home/ann"}};
    const std::vector<std::string_view> kCommands[] = {{"init"}, {"path"}, {"dpi", "1", "800"}};
    for (const auto& [dataDir, home] : environments) {
        const test::ScopedEnv dataEnv("QX4_DATA_DIR", dataDir);
        const test::ScopedEnv dataHomeEnv("XDG_DATA_HOME", std::nullopt);
        const test::ScopedEnv homeEnv("HOME", home);
        for (const std::vector<std::string_view>& arguments : kCommands) {
            const ToolRun run = qx4ctl(arguments);
            EXPECT_EQ(run.code, 1) << arguments[0];
            EXPECT_NE(run.err.find(dataDir ? "QX4_DATA_DIR" : "HOME"), std::string::npos) << run.err;
            EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        }
        EXPECT_EQ(qx4ctl({"init", "--help"}).code, 0);
    }
    std::filesystem::current_path(before);
    EXPECT_TRUE(std::filesystem::is_empty(workingFolder.path()));
}

TEST_F(Qx4ctl, ShowSummarisesProfilesButtonsAndMacros) {
    auto config = test::newRecord();
    config->activeProfile = 1;
    ProfileSettings& second = config->profiles[1];
    second.dpiLevel = 0;
    second.pollingRateIndex = 1;
    second.dpiColors[0] = 0x00332211;
    second.buttons[2].functionCode = 16;
    second.buttons[2].modifierMask = 3;
    second.buttons[2].keyCode = 0x06;
    second.buttons[3].functionCode = 17;
    writeFixedText(second.buttons[3].macroName, u"Reload\x1B[2J");
    second.buttons[4].functionCode = 33;
    second.dpiValuesX[7] = -3;
    second.lightBreathSpeed = 10;
    ASSERT_TRUE(saveConfig(*config));

    const ToolRun show = qx4ctl({"show", "--profile", "2"});
    EXPECT_EQ(show.code, 0);
    EXPECT_EQ(show.out, "Configuration: " + configFile().string() + "\nActive profile: 2\n\n" +
                            test::readText(QX4_TEST_DATA_DIR "/qx4ctl/show_profile2.txt"));

    // Controls, line and paragraph separators, bidi overrides and isolates, zero-width and tag
    // characters could rearrange or hide what a terminal shows.
    MacroList list;
    createMacro(list, u"Kä\t\u2028\u2029\u202E\u2066\u200B\U000E0041x");
    list.at(0).actionCount = 1;
    ASSERT_TRUE(saveMacros(list));
    std::string replaced;
    for (int i = 0; i < 7; ++i) replaced += "\xEF\xBF\xBD";
    EXPECT_EQ(qx4ctl({"macros"}).out, "1  K\xC3\xA4" + replaced + "x1  (1 step)\n");
}

TEST_F(Qx4ctl, WhatCannotBeReadIsSaidAndNeverWaitedForAndShowNeverPrintsAnImpossibleValue) {
    const auto macroFile = data.folder() / "macro.data";
    test::makeUnreadable(macroFile);
    const ToolRun macros = qx4ctl({"macros"});
    EXPECT_EQ(macros.code, 1);
    EXPECT_EQ(macros.out, "");
    EXPECT_NE(macros.err.find("cannot read " + macroFile.string()), std::string::npos) << macros.err;
    const ToolRun show = qx4ctl({"show"});
    EXPECT_EQ(show.code, 0);
    EXPECT_NE(show.err.find("cannot read " + macroFile.string()), std::string::npos) << show.err;

    std::filesystem::remove(macroFile);
    test::writeBytes(macroFile, {});
    std::filesystem::resize_file(macroFile, 240 * 5000);
    const ToolRun huge = qx4ctl({"macros"});
    EXPECT_EQ(huge.code, 1);
    EXPECT_EQ(std::count(huge.out.begin(), huge.out.end(), '\n'), 4096);
    EXPECT_NE(huge.err.find("holds 5000 macros; only the first 4096"), std::string::npos) << huge.err;

    const auto pipe = data.root() / "held.data";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const ToolRun against = qx4ctl({"reports", "--against", pipe.string()});
    EXPECT_EQ(against.code, 1);
    EXPECT_NE(against.err.find(pipe.string() + ": not a regular file"), std::string::npos) << against.err;
    // A short file to compare against is read as far as it goes. It is not this program's own
    // file, so no copy of it takes the place of the one kept of the user's.
    const auto shortHeld = data.root() / "short.data";
    test::writeBytes(shortHeld, std::vector<std::uint8_t>(100, 0x11));
    const ToolRun shortAgainst = qx4ctl({"reports", "--against", shortHeld.string()});
    EXPECT_NE(shortAgainst.err.find("is shorter than a configuration"), std::string::npos) << shortAgainst.err;
    EXPECT_FALSE(std::filesystem::exists(data.folder() / "Config_1.data.damaged"));

    // Whatever the files hold, show prints only values that can exist.
    const std::regex active("Active profile: ([1-5])\n");
    const std::regex level("current: level ([1-8]), ");
    const std::regex rate("Report rate: (125|250|500|1000) Hz( \\(out of range\\))?\n");
    const std::regex control("[\\x00-\\x09\\x0B-\\x1F\\x7F]");
    std::mt19937 random(31337);
    for (int round = 0; round < 300; ++round) {
        test::writeBytes(configFile(), test::randomBytes(random, sizeof(DeviceConfig)));
        test::writeBytes(data.folder() / "macro.data", test::randomBytes(random, 480));
        const ToolRun shown = qx4ctl({"show"});
        ASSERT_EQ(shown.code, 0);
        ASSERT_TRUE(std::regex_search(shown.out, active));
        ASSERT_EQ(std::distance(std::sregex_iterator(shown.out.begin(), shown.out.end(), level), {}), 5);
        ASSERT_EQ(std::distance(std::sregex_iterator(shown.out.begin(), shown.out.end(), rate), {}), 5);
        ASSERT_FALSE(std::regex_search(shown.out, control)) << shown.out;
        ASSERT_EQ(qx4ctl({"macros"}).code, 0);
    }
}

// A document by its shape: s, n, b, null, {key:shape,...} in order, [the distinct item shapes|...].
std::string shapeOf(const nlohmann::ordered_json& json) {
    std::string text;
    if (json.is_object()) {
        for (const auto& [key, value] : json.items()) text += (text.empty() ? "" : ",") + key + ":" + shapeOf(value);
        return "{" + text + "}";
    }
    if (json.is_array()) {
        std::set<std::string> seen;
        for (const auto& item : json) {
            if (const std::string shape = shapeOf(item); seen.insert(shape).second) text += (text.empty() ? "" : "|") + shape;
        }
        return "[" + text + "]";
    }
    return json.is_string() ? "s" : json.is_number() ? "n" : json.is_boolean() ? "b" : "null";
}

TEST_F(Qx4ctl, JsonOutputIsValidAndKeepsTheShapeTheManualPageDocuments) {
    ASSERT_EQ(qx4ctl({"macro", "add", "Re\"load\\"}).code, 0);
    ASSERT_EQ(qx4ctl({"macro", "steps", "re\"LOAD\\", "Ctrl down 20, R down 20, R up 20, Ctrl up"}).code, 0);
    ASSERT_EQ(qx4ctl({"bind", "3", "macro:Re\"load\\", "--loops", "2"}).code, 0);
    ASSERT_EQ(qx4ctl({"bind", "4", "Ctrl+Shift+C"}).code, 0);
    ASSERT_EQ(qx4ctl({"light", "--profile", "2", "off"}).code, 0);
    std::map<std::string, std::string> shapes;
    const std::vector<std::vector<std::string_view>> commands{{"show", "--json"},      {"show", "--profile", "2", "--json"},
                                                              {"macros", "--json"},    {"functions", "--json"},
                                                              {"status", "--simulate", "--json"}};
    for (const auto& command : commands) {
        const ToolRun run = qx4ctl(command);
        ASSERT_EQ(run.code, 0) << command[0] << run.err;
        ASSERT_TRUE(nlohmann::ordered_json::accept(run.out)) << run.out;
        const auto json = nlohmann::ordered_json::parse(run.out);
        std::string name;
        for (const std::string_view word : command) name += (name.empty() ? "" : " ") + std::string(word);
        shapes[name] = shapeOf(json);
        if (command[0] == "macros") {
            EXPECT_EQ(json["macros"][0]["name"], "Re\"load\\");
        }
    }
    std::string written;
    for (const auto& [name, shape] : shapes) written += name + "\n  " + shape + "\n";
    EXPECT_EQ(written, test::readText(QX4_TEST_DATA_DIR "/qx4ctl/json_shapes.txt"));
}

TEST_F(Qx4ctl, WhileAProgramHoldsTheLockWithoutAnsweringNothingIsWrittenAndWritersQueueWithoutLoss) {
    ASSERT_EQ(qx4ctl({"init"}).code, 0);
    const auto before = test::readBytes(configFile());
    {
        InstanceLock program(runtime.path());
        ASSERT_EQ(program.acquire(), InstanceLock::Result::acquired);
        const ToolRun bind = qx4ctl({"dpi", "3", "1600"});
        EXPECT_EQ(bind.code, 1);
        EXPECT_NE(bind.err.find("does not answer"), std::string::npos) << bind.err;
        EXPECT_EQ(test::readBytes(configFile()), before);
    }

    // Each copy reads, changes and replaces both files: one that did not wait its turn would
    // replace a macro another copy had just added. A writer holding the data files now and then
    // makes the queue longer; no copy takes it for a program.
    std::jthread otherWriter([&](const std::stop_token& stop) {
        while (!stop.stop_requested()) const DataFilesLock writing(runtime.path(), DataFilesLock::Mode::exclusive);
    });
    const std::string failed = shell("seq 240 | xargs -P16 -I{} sh -c '" QX4_BIN_DIR
                                     "/qx4ctl macro add M{} 2>&1 >/dev/null || echo failed'");
    otherWriter.request_stop();
    EXPECT_EQ(failed, "");
    const std::string names = qx4ctl({"macros", "--names"}).out;
    EXPECT_EQ(std::count(names.begin(), names.end(), '\n'), 240) << names;
}

// A macro renamed in macro.data alone would reset the buttons that play it at the next refresh:
// a disk that fills between the two saves leaves both files as they were, and says why.
TEST_F(Qx4ctl, AFullDiskBetweenTheTwoSavesLeavesBothFilesAsTheyWere) {
    ASSERT_EQ(qx4ctl({"macro", "add", "Fire"}).code, 0);
    ASSERT_EQ(qx4ctl({"bind", "3", "macro:Fire"}).code, 0);
    const auto macroFile = data.folder() / "macro.data";
    const auto storeBefore = test::readBytes(macroFile);
    const auto configBefore = test::readBytes(configFile());
    const std::string why = std::make_error_code(std::errc::file_too_large).message();
    {
        // macro.data fits below the limit, Config_1.data does not.
        const test::ScopedFileSizeLimit fullDisk(64 * 1024);
        const ToolRun renamed = qx4ctl({"macro", "rename", "Fire", "Burst"});
        EXPECT_EQ(renamed.code, 1);
        EXPECT_EQ(renamed.err, "qx4ctl macro: cannot write " + configFile().string() + ": " + why +
                                   "; nothing was changed\n");
    }
    EXPECT_EQ(test::readBytes(macroFile), storeBefore);
    EXPECT_EQ(test::readBytes(configFile()), configBefore);
    EXPECT_TRUE(test::temporariesIn(data.folder()).empty());

    ASSERT_EQ(qx4ctl({"macro", "steps", "Fire", "A down 5, A up"}).code, 0);
    const std::string shown = qx4ctl({"show"}).out;
    EXPECT_NE(shown.find("\n     3  macro:Fire (once)\n"), std::string::npos) << shown;

    // A single file that cannot be written is named with the system's reason too.
    const std::string exported = (data.root() / "out.file").string();
    const std::string config = configFile().string();
    const std::vector<std::pair<std::vector<std::string_view>, std::string_view>> writes{
        {{"macro", "export", "Fire", exported}, exported}, {{"export", exported}, exported}, {{"init"}, config}};
    for (const auto& [arguments, file] : writes) {
        if (file == config) std::filesystem::remove(config);
        const test::ScopedFileSizeLimit fullDisk(100);
        const ToolRun run = qx4ctl(arguments);
        EXPECT_EQ(run.code, 1) << arguments[0];
        EXPECT_NE(run.err.find("cannot write " + std::string(file) + ": " + why + "\n"), std::string::npos) << run.err;
    }
}

// Options as "--name", or as roff writes them, "\-\-name".
std::set<std::string> optionsNamedIn(const std::string& text) {
    static const std::regex option(R"((?:--|\\-\\-)([a-z]+))");
    std::set<std::string> names;
    for (std::sregex_iterator found(text.begin(), text.end(), option), end; found != end; ++found) {
        names.insert("--" + (*found)[1].str());
    }
    return names;
}

// Without the program, rules change their file; what cannot be done changes nothing.
TEST_F(Qx4ctl, RulesChangeTheirFileAndWrongOnesChangeNothing) {
    ASSERT_EQ(qx4ctl({"rules", "add", "steam_app_730", "2"}).code, 0);
    ASSERT_EQ(qx4ctl({"rules", "add", "org.kde.dolphin", "5"}).code, 0);
    ASSERT_EQ(qx4ctl({"rules", "default", "4"}).code, 0);
    ASSERT_EQ(qx4ctl({"rules", "remove", "STEAM_APP_730"}).code, 0);
    ASSERT_EQ(qx4ctl({"rules", "add", "xterm", "1"}).code, 0);
    const std::string listed = "follow: on\ndefault: 4\norg.kde.dolphin -> 5\nxterm -> 1\n";
    EXPECT_EQ(qx4ctl({"rules", "list"}).out, listed);
    EXPECT_EQ(qx4ctl({"rules"}).out, listed) << "alone, it lists them";
    EXPECT_NE(qx4ctl({"rules", "lst"}).err.find("; did you mean 'list'?"), std::string::npos);
    const std::pair<std::vector<std::string_view>, int> wrong[] = {
        {{"rules", "lst"}, 2},    {{"rules", "add", "steam", "6"}, 2}, {{"rules", "add", "a=b", "1"}, 2},
        {{"rules", "default", "0"}, 2}, {{"rules", "remove", "steam"}, 1}, {{"rules", "list", "extra"}, 2},
    };
    for (const auto& [arguments, code] : wrong) {
        const ToolRun run = qx4ctl(arguments);
        EXPECT_EQ(run.code, code) << run.err;
        EXPECT_NE(run.err.find("qx4ctl rules: "), std::string::npos) << run.err;
    }
    EXPECT_EQ(qx4ctl({"rules", "list"}).out, listed);
}

// The manual page's COMMANDS part: every section by its command ("macro"), and by its heading's
// first two words ("macro add"), where a subcommand's section is found.
struct ManualSections {
    std::map<std::string, std::string> byCommand;
    std::map<std::string, std::string> byHeading;
};

ManualSections manualSections(const std::string& manual) {
    const std::size_t commandsBegin = manual.find(".SH COMMANDS");
    const std::string commandsPart = manual.substr(commandsBegin, manual.find("\n.SH ", commandsBegin + 1) - commandsBegin);
    ManualSections sections;
    static const std::regex heading(R"(^\.SS "([a-z]+)( [a-z]+)?)");
    for (std::size_t at = commandsPart.find("\n.SS \""); at != std::string::npos;) {
        const std::size_t next = commandsPart.find("\n.SS \"", at + 1);
        const std::string section = commandsPart.substr(at + 1, next - at - 1);
        std::smatch words;
        if (std::regex_search(section, words, heading)) {
            sections.byCommand[words[1]] += section;
            sections.byHeading[words[1].str() + words[2].str()] += section;
        }
        at = next;
    }
    return sections;
}

std::filesystem::path packagingFolder() {
    return std::filesystem::path(QX4_TEST_DATA_DIR).parent_path().parent_path() / "packaging";
}

// The lines of a usage that show how to call one subcommand.
std::string synopsisOf(std::string_view usage, const std::string& call) {
    std::string lines;
    for (std::string_view rest = usage; !rest.empty();) {
        const std::size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        if (const std::size_t at = line.find(call); at != std::string_view::npos &&
            (line.size() == at + call.size() || line[at + call.size()] == ' ')) {
            lines += std::string(line) + "\n";
        }
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
    return lines;
}

// Every (command, subcommand, option) the description holds, and every option of the command that
// a subcommand does not take, is run: the parser takes exactly the form's options, and the usage,
// the completion and the manual page name exactly those.
TEST_F(Qx4ctl, ParserHelpCompletionAndManualPageTakeTheOptionsOfEachFormAndNoOthers) {
    const ManualSections manual = manualSections(test::readText(packagingFolder() / "qx4ctl.1"));
    for (const commands::CommandSpec& command : commands::commandSpecs()) {
        const std::string name(command.name);
        for (const commands::CommandForm& form : command.forms) {
            const std::string call = form.subcommand.empty() ? name : name + " " + std::string(form.subcommand);
            SCOPED_TRACE(call);
            std::set<std::string> table, parsed;
            for (const commands::OptionSpec& option : form.options) table.emplace(option.name);
            for (const commands::OptionSpec& option : commands::allOptions(command)) {
                std::vector<std::string_view> arguments{command.name};
                if (!form.subcommand.empty()) arguments.push_back(form.subcommand);
                arguments.push_back(option.name);
                if (option.takesValue()) arguments.push_back("2");
                const ToolRun run = qx4ctl(arguments);
                if (run.err.find("unknown option") == std::string::npos) parsed.emplace(option.name);
            }
            EXPECT_EQ(parsed, table) << "the parser";

            std::vector<std::string_view> completing{"--complete", command.name};
            if (!form.subcommand.empty()) completing.push_back(form.subcommand);
            completing.push_back("-");
            std::set<std::string> completed;
            std::istringstream offered(qx4ctl(completing).out);
            for (std::string line; std::getline(offered, line);) {
                if (line != "words") completed.insert(line);
            }
            EXPECT_EQ(completed, table) << "the completion";

            const bool whole = form.subcommand.empty();
            const std::string help = qx4ctl({command.name, "--help"}).out;
            EXPECT_EQ(optionsNamedIn(whole ? std::string(command.usage) : synopsisOf(help, "qx4ctl " + call)), table)
                << "the usage";
            const auto section = (whole ? manual.byCommand : manual.byHeading).find(call);
            ASSERT_NE(section, (whole ? manual.byCommand : manual.byHeading).end()) << "the manual page has no section";
            EXPECT_EQ(optionsNamedIn(section->second), table) << "the manual page";
        }
    }
}

// The manual page and the completion are what a newcomer reads and uses: every command is there,
// the page renders without a warning, and the completion offers the functions and macros there are.
TEST_F(Qx4ctl, TheManualPageAndTheCompletionCoverEveryCommand) {
    const std::filesystem::path packaging = packagingFolder();
    const std::string manual = test::readText(packaging / "qx4ctl.1");
    const ManualSections sections = manualSections(manual);
    std::set<std::string> described;
    for (const commands::CommandSpec& command : commands::commandSpecs()) described.emplace(command.name);
    std::set<std::string> documented, registered;
    for (const auto& [name, text] : sections.byCommand) documented.insert(name);
    for (const cli::Command& command : cli::registeredCommands()) registered.emplace(command.name);
    EXPECT_EQ(documented, described) << "the manual page documents other commands";
    EXPECT_EQ(registered, described) << "a command without a handler, or a handler without a description";
    const std::string lightHelp = qx4ctl({"light", "--help"}).out;
    for (const LightEffectInfo& effect : kLightEffects) {
        EXPECT_NE(manual.find(std::string(effect.name)), std::string::npos) << effect.name;
        EXPECT_NE(lightHelp.find(std::string(effect.name)), std::string::npos) << effect.name;
    }
    if (shell("command -v man").empty()) GTEST_SKIP() << "man is not installed (scripts/setup installs it)";
    EXPECT_EQ(shell("MANWIDTH=80 man --warnings -l " + (packaging / "qx4ctl.1").string() + " 2>&1 >/dev/null"), "");

    ASSERT_EQ(qx4ctl({"macro", "add", "My Macro"}).code, 0);
    const auto complete = [&](const std::string& line, const std::string& words) {
        return shell("PATH='" QX4_BIN_DIR "':\"$PATH\" bash -c 'source " + (packaging / "qx4ctl.bash").string() +
                     "; COMP_LINE=\"" + line + "\"; COMP_POINT=${#COMP_LINE}; COMP_WORDS=(" + words +
                     "); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _qx4ctl; printf \"%s\\n\" \"${COMPREPLY[@]}\"'");
    };
    EXPECT_EQ(complete("qx4ctl dpi 2 --c", "qx4ctl dpi 2 --c"), "--current\n--color\n");
    EXPECT_EQ(complete("qx4ctl bind --profile 2 5 volume_", "qx4ctl bind --profile 2 5 volume_"), "volume_up\nvolume_down\n");
    EXPECT_EQ(complete("qx4ctl bind 5 macro:My", "qx4ctl bind 5 macro : My"), "My\\ Macro\n");
}

}  // namespace
}  // namespace qx4
