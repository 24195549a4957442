// What travels as text: macro steps, key combinations, function names, JSON, and the frames on
// the instance socket. Each must read back as what was written, and take nothing malformed. And
// the tables the names come from: the selectors' functions and the key codes.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <random>
#include <set>
#include <sstream>
#include <tuple>

#include "core/commands/json_writer.h"
#include "core/commands/macro_step_text.h"
#include "core/commands/printable_text.h"
#include "core/commands/script_names.h"
#include "core/commands/status_text.h"
#include "core/config/utf16_text.h"
#include "core/edit/captured_input.h"
#include "core/instance/instance_messages.h"
#include "core/macro/macro_record.h"
#include "core/vocab/function_catalogue.h"
#include "core/vocab/function_wire_table.h"
#include "core/vocab/key_codes.h"

namespace qx4 {

// Found by argument lookup, so it lives in the namespace of MacroAction.
bool operator==(const MacroAction& a, const MacroAction& b) {
    return a.code == b.code && a.kind == b.kind && a.delay == b.delay;
}

namespace {

TEST(StepAndKeyText, ShownStepsAndKeyCombinationsReadBackAsThemselvesAndTheDocumentedFormRoundTrips) {
    const std::string example = "Ctrl down 20, C down 20, C up 20, Ctrl up";
    std::string problem;
    const auto parsed = commands::parseStepsText(example, problem);
    ASSERT_TRUE(parsed) << problem;
    EXPECT_EQ(*parsed, (std::vector<MacroAction>{{0xE0, 1, 20}, {0x06, 1, 20}, {0x06, 2, 20}, {0xE0, 2, 0}}));
    EXPECT_EQ(commands::stepsText(*parsed), example);
    EXPECT_EQ(commands::parseStepsText("  page up DOWN 7 ,Comma up  ", problem),
              (std::vector<MacroAction>{{0x4B, 1, 7}, {0x36, 2, 0}}));

    // Any code, either direction, any pause the store holds (the window stores 0 in its
    // default-delay mode): the last step's pause is never shown or played.
    std::mt19937 random(4711);
    for (int round = 0; round < 500; ++round) {
        std::vector<MacroAction> steps(random() % (kMacroActionCapacity + 1));
        for (MacroAction& step : steps) {
            const std::uint16_t pause = random() % 4 == 0 ? 0 : static_cast<std::uint16_t>(random());
            step = {static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(1 + random() % 2), pause};
        }
        if (!steps.empty()) steps.back().delay = 0;
        const std::string text = commands::stepsText(steps);
        const auto back = commands::parseStepsText(text, problem);
        ASSERT_TRUE(back) << text << ": " << problem;
        ASSERT_EQ(*back, steps) << text;
    }

    // Every key combination named reads back as itself.
    for (int code = 1; code <= 0xFF; ++code) {
        for (std::uint8_t mask = 0; mask <= 0x0F; ++mask) {
            const commands::KeyCombination keys{mask, static_cast<std::uint8_t>(code)};
            const std::string name = commands::keyCombinationName(keys);
            const auto back = commands::keyCombinationByName(name);
            ASSERT_TRUE(back) << name;
            ASSERT_EQ(back->modifierMask, mask) << name;
            ASSERT_EQ(back->keyCode, code) << name;
        }
    }
    // Key names scripts type keep their meaning, whatever the window's words; the first name of a
    // code in the file is the one printed.
    std::ifstream names(QX4_TEST_DATA_DIR "/qx4ctl/key_names.txt");
    ASSERT_TRUE(names);
    std::set<int> printed;
    for (std::string line; std::getline(names, line);) {
        if (line.empty() || line.starts_with('#')) continue;
        const std::size_t tab = line.find('\t');
        const std::string name = line.substr(0, tab);
        const int code = std::stoi(line.substr(tab + 1));
        EXPECT_EQ(commands::keyCodeByName(name), code) << name;
        if (printed.insert(code).second) {
            EXPECT_EQ(commands::keyName(static_cast<std::uint8_t>(code)), name);
        }
    }
    EXPECT_EQ(commands::namedKeyCodes().size(), printed.size()) << "a key name was added: add it to the file";
    EXPECT_EQ(commands::keyName(0x64), "0x64") << "its page name belongs to 0x31";
    EXPECT_EQ(commands::keyCombinationName({8, 0}), "Win+");
    EXPECT_FALSE(commands::keyCombinationByName("Ctrl+Nokey"));
    EXPECT_FALSE(commands::keyCombinationByName(""));
}

// Scripts type the names qx4ctl functions prints: tests/data/qx4ctl/function_names.txt holds
// every one bind has ever taken, and each must go on meaning the same function.
TEST(FunctionNames, EveryNameScriptsTypeStaysAndEverySelectorItemRoundTripsThroughItsCode) {
    std::ifstream in(QX4_TEST_DATA_DIR "/qx4ctl/function_names.txt");
    ASSERT_TRUE(in);
    std::set<std::pair<std::string, int>> kept;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line.starts_with('#')) continue;
        std::istringstream row(line);
        std::string name;
        int code = -1;
        row >> name >> code;
        kept.emplace(name, code);
        EXPECT_EQ(commands::offeredFunctionByName(name), code) << name;
    }
    std::set<std::pair<std::string, int>> taken;
    for (const std::uint8_t code : commands::offeredFunctionCodes()) {
        const CatalogueFunction& function = *catalogueFunction(code);
        taken.emplace(function.scriptName, code);
        if (!function.scriptAlias.empty()) taken.emplace(function.scriptAlias, code);
    }
    EXPECT_EQ(taken, kept) << "a name scripts type was added or changed: add it to the file, or keep the old one";

    // Every selector item round-trips through its code; worked selections.
    std::vector<int> sizes;
    for (FunctionGroup group : {FunctionGroup::mouse, FunctionGroup::dpi, FunctionGroup::profile, FunctionGroup::media,
                                FunctionGroup::system, FunctionGroup::shortcut}) {
        const int items = static_cast<int>(selectorItems(group).size());
        sizes.push_back(items);
        for (int item = 0; item < items; ++item) {
            const auto code = groupItemToCode(group, item);
            ASSERT_TRUE(code.has_value());
            EXPECT_EQ(codeToGroupItem(group, *code), item) << "group " << int(group) << " item " << item;
            EXPECT_FALSE(functionTextKey(*code).empty()) << "code " << int(*code);
        }
        EXPECT_FALSE(groupItemToCode(group, -1).has_value());
        EXPECT_FALSE(groupItemToCode(group, items).has_value());
    }
    EXPECT_EQ(sizes, (std::vector<int>{14, 3, 3, 18, 3, 15}));
    std::vector<std::string> dpiItems;
    for (int item = 0; item < 3; ++item) dpiItems.push_back(commands::functionName(*groupItemToCode(FunctionGroup::dpi, item)));
    EXPECT_EQ(dpiItems, (std::vector<std::string>{"dpi_cycle", "dpi_up", "dpi_down"}));
    // A repeat mode or a group no name is known for is told by its number.
    std::vector<std::string> modes;
    for (const int mode : {-1, 0, 2, 3}) modes.push_back(commands::repeatModeName(mode));
    EXPECT_EQ(modes, (std::vector<std::string>{"mode -1", "times", "toggle", "mode 3"}));
    EXPECT_EQ(commands::functionGroupName(8) + ", " + commands::functionGroupName(9), "shortcut, group 9");
    EXPECT_EQ(groupItemToCode(FunctionGroup::mouse, 10), 22);  // easy aim
    EXPECT_EQ(groupItemToCode(FunctionGroup::mouse, 13), 0);   // off
    EXPECT_EQ(codeToGroupItem(FunctionGroup::mouse, 13), 0);   // tilt is offered nowhere: item 0
    EXPECT_EQ(codeToGroupItem(FunctionGroup::mouse, 7), 6);    // DPI up sits in two selectors
    EXPECT_EQ(codeToGroupItem(FunctionGroup::dpi, 7), 1);
    EXPECT_EQ(groupItemToCode(FunctionGroup::keyboard, 3), kKeyboardFunctionCode);
    EXPECT_EQ(groupItemToCode(FunctionGroup::macro, 0), kMacroFunctionCode);
    EXPECT_EQ(groupItemToCode(FunctionGroup::defaultFunction, 0, 6), 7);
    EXPECT_EQ(groupItemToCode(FunctionGroup::defaultFunction, 0, 0), 1) << "the first button's own: left click";
    EXPECT_EQ(groupItemToCode(FunctionGroup::defaultFunction, 0, 17), 0);  // the upper twelve repeat

    ButtonBinding macro{};
    macro.functionCode = kMacroFunctionCode;
    macro.macroName = toMacroName(u"Fire");
    const LanguageLookup asKey = [](std::u16string_view key) { return std::u16string(key); };
    EXPECT_EQ(bindingLabel(macro, asKey), (DisplayText{u"Fire", false})) << "a macro is shown by its own name";
    ButtonBinding combination{};
    combination.functionCode = kKeyboardFunctionCode;
    combination.modifierMask = kModifierWin | kModifierCtrl;
    combination.keyCode = 0x06;
    EXPECT_EQ(bindingLabel(combination, asKey), (DisplayText{u"keyboard_ctrl_text+keyboard_win_text+C", false}))
        << "the modifiers held, in their order, then the key";
}

TEST(TextEncoding, AnyTextComesOutAsValidJsonThatReadsBackAsThatTextAndUtf16AsUtf8) {
    // Each reads back as written but the last, whose every byte that is no character becomes U+FFFD.
    const std::vector<std::string> texts{"plain", "quote \" backslash \\ slash /", "controls \x01\x1F\x7F\n\r\t end",
                                         "separators \xE2\x80\xA8\xE2\x80\xA9", "K\xC3\xA4se \xF0\x9F\x90\x81",
                                         std::string("nul \0 in", 8), "broken \xFF \xC0\x80 \xED\xA0\x80"};
    commands::JsonWriter writer;
    writer.beginObject().key("texts").beginArray();
    for (const std::string& text : texts) writer.value(text);
    writer.endArray().key("empty").beginObject().endObject().key("n").value(-12).key("b").value(false).key("z").null();
    const std::string document = writer.endObject().finish();
    EXPECT_EQ(document.find_first_of(std::string("\x01\x7F\n\r\t", 5)), document.size() - 1) << "raw controls";
    EXPECT_EQ(document.find("\xE2\x80\xA8"), std::string::npos) << "U+2028 ends a line in JavaScript";
    EXPECT_NE(document.find(R"("quote \" backslash \\ slash /")"), std::string::npos) << "escaped beyond need";

    auto expected = nlohmann::ordered_json::parse(R"({"texts": [], "empty": {}, "n": -12, "b": false, "z": null})");
    expected["texts"] = texts;
    expected["texts"].back() = "broken \xEF\xBF\xBD \xEF\xBF\xBD\xEF\xBF\xBD \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD";
    EXPECT_EQ(nlohmann::ordered_json::parse(document), expected) << document;

    // Names and texts cross between the stored UTF-16 and UTF-8: surrogate pairs become one
    // character, what is not a character becomes U+FFFD.
    const std::pair<std::u16string_view, std::string_view> utf16[] = {
        {u"\U0010FFFF", "\xF4\x8F\xBF\xBF"}, {u"\U00010000", "\xF0\x90\x80\x80"},
        {u"a\xDC00", "a\xEF\xBF\xBD"},       {u"\xD800", "\xEF\xBF\xBD"}};
    for (const auto& [text, utf8] : utf16) EXPECT_EQ(utf16ToUtf8(text), utf8);
}

// Each form of text changes at the right character, written out by hand: UTF-8 at every length
// step and surrogate pairs at both ends of their ranges, in stored names, JSON and printed text.
TEST(TextEncoding, EachFormChangesAtTheRightCharacter) {
    const std::pair<std::u16string_view, std::string_view> valid[] = {
        {u"\x7F", "\x7F"},                        {u"\x80", "\xC2\x80"},
        {u"\x7FF", "\xDF\xBF"},                   {u"\x800", "\xE0\xA0\x80"},
        {u"\xD7FF", "\xED\x9F\xBF"},              {u"\xE000", "\xEE\x80\x80"},
        {u"\xFFFD", "\xEF\xBF\xBD"},              {u"\xD800\xDC00", "\xF0\x90\x80\x80"},
        {u"\xDBFF\xDFFF", "\xF4\x8F\xBF\xBF"},   {u"\xD83D\xDE00", "\xF0\x9F\x98\x80"}};
    for (const auto& [text, utf8] : valid) {
        SCOPED_TRACE(testing::PrintToString(utf8));
        EXPECT_EQ(utf16ToUtf8(text), utf8);
        EXPECT_EQ(utf8ToUtf16(utf8), text);
        // Followed by what JSON must escape, which no character may swallow.
        const std::string followed = std::string(utf8) + "\"\n";
        const std::string json = commands::JsonWriter().value(followed).finish();
        EXPECT_EQ(nlohmann::json::parse(json).get<std::string>(), followed) << json;
    }
    // Halves of a pair without the other, or in the wrong order, are no characters.
    const std::pair<std::u16string_view, std::string_view> broken[] = {
        {u"\xDBFF\xE000", "\xEF\xBF\xBD\xEE\x80\x80"}, {u"\xDFFF\xD800", "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {u"\xD7FF\xDC00", "\xED\x9F\xBF\xEF\xBF\xBD"}};
    for (const auto& [text, utf8] : broken) EXPECT_EQ(utf16ToUtf8(text), utf8);
    // Bytes that decode past U+10FFFF, to a surrogate, or longer than needed are no character.
    for (const std::string_view bytes : {"\xF4\x90\x80\x80", "\xED\xA0\x80", "\xED\xBF\xBF", "\xC1\xBF",
                                         "\xE0\x9F\xBF", "\xF0\x8F\xBF\xBF"}) {
        const std::u16string replaced = utf8ToUtf16(bytes);
        EXPECT_TRUE(!replaced.empty() && replaced.find_first_not_of(u'\xFFFD') == std::u16string::npos)
            << testing::PrintToString(bytes);
    }

    // Printed names keep what shows and replace what does not, a character of two units too.
    const std::pair<std::u16string_view, std::string_view> printed[] = {
        {u"\x7E\x7F\xDC00", "~\xEF\xBF\xBD\xEF\xBF\xBD"},   {u"\x9F\xA0", "\xEF\xBF\xBD\xC2\xA0"},
        {u"a\xDC00", "a\xEF\xBF\xBD"}, {u"\xD800\x07", "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {u"\xD800\xDC00", "\xF0\x90\x80\x80"}, {u"\xDB40\xDC01", "\xEF\xBF\xBD"},  // U+E0001, a tag
        {u"\xDB40\xDC80", "\xF3\xA0\x82\x80"}, {u"\xD83D\xDE00", "\xF0\x9F\x98\x80"}};
    for (const auto& [text, utf8] : printed) EXPECT_EQ(commands::printable(text), utf8) << testing::PrintToString(utf8);

    // Macro names compare as a user reads them, capitals and small letters alike, at each end of
    // every alphabet that has them; other characters only as themselves.
    const std::pair<std::u16string_view, std::u16string_view> same[] = {
        {u"A", u"a"}, {u"Z", u"z"}, {u"\xC0", u"\xE0"}, {u"\xDE", u"\xFE"}, {u"\x391", u"\x3B1"},
        {u"\x3AB", u"\x3CB"}, {u"\x400", u"\x450"}, {u"\x40F", u"\x45F"}, {u"\x410", u"\x430"}, {u"\x42F", u"\x44F"}};
    for (const auto& [capital, small] : same) EXPECT_TRUE(sameMacroName(capital, small)) << int(capital[0]);
    const std::pair<std::u16string_view, std::u16string_view> different[] = {
        {u"@", u"`"}, {u"[", u"{"}, {u"\xD7", u"\xF7"}, {u"\xDF", u"\xFF"}, {u"\x3A2", u"\x3C2"},
        {u"\x430", u"\x450"}, {u"\x3FF", u"\x44F"}, {u"\x460", u"\x480"}, {u"ab", u"a"}};
    for (const auto& [one, other] : different) EXPECT_FALSE(sameMacroName(one, other)) << int(one[0]);
}

// qx4ctl status tells the battery in per cent, from the mouse's tenths.
TEST(StatusText, TheBatteryIsToldInPerCentOnlyWhileAMouseIsLinked) {
    PresenceState presence;
    presence.batteryLevel = 7;
    EXPECT_EQ(commands::statusText(presence, false, ""), "Receiver: not found\nCable: not plugged in\n"
                                                         "No mouse found on the receiver or the cable.\n");
    EXPECT_TRUE(nlohmann::json::parse(commands::statusText(presence, true, ""))["battery_percent"].is_null());
    presence.receiverState = kLinkPresent;
    presence.mouseAsleep = 0;
    EXPECT_EQ(commands::statusText(presence, false, ""), "Receiver: present\nCable: not plugged in\nMouse: awake\n"
                                                         "Battery: 70%\n");
    EXPECT_EQ(nlohmann::json::parse(commands::statusText(presence, true, ""))["battery_percent"], 70);
    presence.batteryLevel = 10;
    EXPECT_EQ(nlohmann::json::parse(commands::statusText(presence, true, ""))["battery_percent"], 100);
}

// qx4ctl apply says how many reports the mouse took, and succeeds only when it took them all.
TEST(StatusText, AnApplySucceedsOnlyWhenTheMouseTookEveryReport) {
    using commands::SendResult;
    const auto told = [](SendResult result) {
        const commands::ApplyReport report = commands::applyReport(result, 2.513, false);
        return std::make_tuple(report.exitCode, report.out, report.error.substr(0, report.error.find(':')));
    };
    EXPECT_EQ(told({SendResult::Kind::sent, 25, 0}), std::make_tuple(0, "Sent 25 of 25 reports in 2.51 s.\n", ""));
    EXPECT_EQ(told({SendResult::Kind::sent, 23, 2}),
              std::make_tuple(1, "Sent 23 of 25 reports in 2.51 s.\n", "the mouse did not take 2 of 25 reports"));
    EXPECT_EQ(told({SendResult::Kind::asleep, 0, 0}), std::make_tuple(1, "", "the mouse is asleep"));
}

TEST(InstanceMessages, ARequestReadsBackInAnyPiecesAndEveryMalformedOneIsRefused) {
    // Names need not be UTF-8, and a command line as long as the commands take fits.
    const InstanceRequest request{"/data", "/work dir \xE4",
                                  {"macro", "steps", "K\xC3\xA4se", "", "A down 5, A up", "K\xE4se"}};
    constexpr std::size_t kPathMax = 4096;  // Linux's PATH_MAX: a folder this long must get through
    const std::string longest(kPathMax, 'x');
    InstanceRequest widest{longest, longest, std::vector<std::string>(kMaxArgumentsBytes / kPathMax, longest)};
    widest.arguments.resize(kMaxRequestArguments);
    std::vector<std::string_view> widestArguments(widest.arguments.begin(), widest.arguments.end());
    ASSERT_FALSE(argumentsBeyondRequest(widestArguments));
    widestArguments.emplace_back();
    EXPECT_TRUE(argumentsBeyondRequest(widestArguments));
    for (const InstanceRequest& sent : {request, widest}) {
        const std::string frame = encodeRequest(sent);
        for (const std::size_t piece : {std::size_t{1}, std::size_t{7}, frame.size()}) {
            RequestDecoder decoder;
            for (std::size_t at = 0; at < frame.size(); at += piece) {
                const auto state = decoder.feed(std::string_view(frame).substr(at, piece));
                const bool last = at + piece >= frame.size();
                ASSERT_EQ(state, last ? RequestDecoder::State::complete : RequestDecoder::State::incomplete);
            }
            EXPECT_EQ(decoder.request(), sent);
        }
    }

    const std::string longField(kPathMax + 1, 'x');
    std::string manyFields = "QX4CTL/1 67\n";
    for (int i = 0; i < 67; ++i) manyFields += "1:x\n";
    const std::vector<std::string> malformed{
        "GET / HTTP/1.1\r\n",
        "QX4CTL/1 2\n1:a\n1:b\n",                     // no arguments
        "QX4CTL/1 3\n1:a\n1:b\n01:c\n",               // a leading zero
        "QX4CTL/1 3\n1:a\n1:b\n1:cd\n",              // a field longer than it says
        "QX4CTL/1 3\n1:a\n1:b\n-1:c\n",
        "QX4CTL/1 3x\n1:a\n1:b\n1:c\n",              // a count with more after it
        std::string("QX4CTL/1 3\n1:a\n1:b\n1:\0\n", 23),  // a NUL is never an argument
        "QX4CTL/1 3\n1:a\n1:b\n1:c\nmore",            // bytes after the request
        "QX4CTL/1 3\n1:a\n1:b\n" + std::to_string(longField.size()) + ":" + longField + "\n",
        manyFields,
        "QX4CTL/1 3\n" + std::string(kMaxRequestBytes, '9'),
        std::string(33, 'Q'),  // refused before the header ends
    };
    for (const std::string& bad : malformed) {
        RequestDecoder decoder;
        EXPECT_EQ(decoder.feed(bad), RequestDecoder::State::malformed) << bad.substr(0, 40);
        EXPECT_FALSE(decoder.problem().empty());
        EXPECT_EQ(decoder.feed("QX4CTL/1 3\n1:a\n1:b\n1:c\n"), RequestDecoder::State::malformed) << "stays refused";
    }

    const InstanceReply reply{1, "out\n", "qx4ctl dpi: no\n"};
    EXPECT_EQ(decodeReply(encodeReply(reply)), reply);
    EXPECT_FALSE(decodeReply(encodeReply(reply) + "x"));
    EXPECT_FALSE(decodeReply("QX4CTL/1 1 4\nout\n"));
    EXPECT_TRUE(decodeReply("QX4CTL/1 255 0 0\n"));
    EXPECT_FALSE(decodeReply("QX4CTL/1 256 0 0\n")) << "an exit code is a byte";
}

// tests/data/vocab/key_codes.txt holds the table as written down for the mouse, row by row.
TEST(KeyCodes, UsLayoutFollowsTheTableAndNamesComeByLayoutCharacterOrLanguageKey) {
    std::ifstream in(QX4_TEST_DATA_DIR "/vocab/key_codes.txt");
    std::size_t row = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with('#')) continue;
        KeyCodeRow expected{};
        std::istringstream(line) >> std::hex >> expected.virtualKey >> expected.keyCode >> expected.scanCode;
        ASSERT_LT(row, KeyCodeTable.size());
        const KeyCodeRow& actual = KeyCodeTable[row++];
        EXPECT_EQ(std::tie(actual.virtualKey, actual.keyCode, actual.scanCode),
                  std::tie(expected.virtualKey, expected.keyCode, expected.scanCode))
            << "row " << row - 1;
        std::int32_t code = -1, virtualKey = -1;
        EXPECT_TRUE(virtualKeyToKeyCode(expected.virtualKey, code) && keyCodeToVirtualKey(expected.keyCode, virtualKey));
        EXPECT_EQ(code, expected.keyCode) << "virtual key " << expected.virtualKey;
        EXPECT_EQ(virtualKey, expected.virtualKey) << "code " << expected.keyCode;
    }
    EXPECT_EQ(row, KeyCodeTable.size());
    std::int32_t code = -1, virtualKey = -1;
    EXPECT_FALSE(virtualKeyToKeyCode(0xAD, code));
    EXPECT_FALSE(keyCodeToVirtualKey(0x32, virtualKey));
    EXPECT_EQ(code, 0);
    EXPECT_EQ(virtualKey, 0);

    const auto key = [](std::u16string text) { return DisplayText{std::move(text), true}; };
    const auto literal = [](std::u16string text) { return DisplayText{std::move(text), false}; };
    const std::pair<std::int32_t, DisplayText> byCode[] = {
        {0x04, literal(u"A")},     {0x33, literal(u";")}, {0x28, key(u"key_Enter")}, {0x39, key(u"key_Caplk")},
        {0x63, key(u"key_Num_.")}, {0x64, key(u"key_\\")}, {0xDD, key(u"`")},        {0xF5, key(u"Forward_Button")},
        {0, literal(u"")},         {3, literal(u"")},      {0x32, literal(u"")},     {0x66, literal(u"")},
        {0x69, literal(u"")},      {0xE8, literal(u"")},   {0xF6, literal(u"")},     {-1, literal(u"")},
        {300, literal(u"")}};
    for (const auto& [keyCode, name] : byCode) EXPECT_EQ(keyCodeName(keyCode), name) << "code " << keyCode;
    const std::pair<std::uint32_t, DisplayText> byVirtualKey[] = {
        {0x10, key(u"key_LShift")},    {0xA0, key(u"key_LShift")}, {0x2A, key(u"key_Print Scr")},
        {0x2C, key(u"key_Print Scr")}, {0x6E, key(u"key_Num_.")},  {0xDE, literal(u"'")},
        {0xAD, literal(u"")}};
    for (const auto& [vk, name] : byVirtualKey) EXPECT_EQ(virtualKeyName(vk), name) << "vk " << vk;
    // What a key without a name types is shown in upper case as the C locale knows it.
    struct Typing final : KeyboardLayout {
        std::uint32_t scanCodeForVirtualKey(std::uint32_t) const override { return 0; }
        std::uint32_t virtualKeyForScanCode(std::uint32_t) const override { return 0xDE; }
        std::u16string typedText(std::uint32_t vk) const override { return vk == 0xDE ? u"`az{\u00E4" : u""; }
    } typing;
    EXPECT_EQ(virtualKeyName(0xDE, typing), literal(u"`AZ{\u00E4"));
    EXPECT_EQ(keyCodeName(kLayoutKeyCodeFirst, typing), literal(u"`AZ{\u00E4")) << "named as the layout types it";
    // A key that follows the layout is stored by its place: on a German layout Z sits where a US Y does.
    struct German final : KeyboardLayout {
        std::uint32_t scanCodeForVirtualKey(std::uint32_t vk) const override { return vk == 0x5A ? 0x15 : 0; }
        std::uint32_t virtualKeyForScanCode(std::uint32_t scan) const override { return scan == 0x15 ? 0x5A : 0; }
        std::u16string typedText(std::uint32_t) const override { return u""; }
    } german;
    std::int32_t zCode = 0, yPlace = 0;
    EXPECT_TRUE(virtualKeyToKeyCode(0x5A, zCode, german) && keyCodeToVirtualKey(0x1C, yPlace, german));
    EXPECT_EQ(std::pair(zCode, yPlace), std::pair(0x1C, 0x5A));
    // A key pressed that no binding can hold is still named, for the words that say so.
    for (const auto& [vk, name] : {std::pair(0xADu, key(u"mute_text")), {0x7Cu, literal(u"F13")}, {0x41u, literal(u"A")}}) {
        EXPECT_EQ(capturedKeyName(vk), name) << "vk " << vk;
    }
}

}  // namespace
}  // namespace qx4
