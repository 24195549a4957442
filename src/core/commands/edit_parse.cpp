// From the arguments as typed to an EditCommand: options, counts and every value are checked here,
// before anything is read or changed, so a usage error never touches the data.
#include <algorithm>
#include <array>
#include <charconv>
#include <initializer_list>
#include <iterator>

#include "core/commands/edit_command.h"
#include "core/commands/macro_step_text.h"
#include "core/commands/name_suggestion.h"
#include "core/config/utf16_text.h"
#include "core/device/dpi_steps.h"
#include "core/edit/profile_settings_edit.h"
#include "core/instance/instance_messages.h"
#include "core/macro/macro_record.h"

namespace qx4::commands {
namespace {

namespace opt = options;

using Parsed = std::variant<EditCommand, UsageError>;
using Scanned = ScannedArguments;

UsageError usage(std::string message) { return {std::move(message)}; }

// The arguments split by the options the command's description gives it.
std::variant<Scanned, UsageError> scan(std::span<const std::string_view> arguments, std::string_view command) {
    return scanArguments(arguments, formOptions(command));
}

std::optional<int> number(std::string_view text, int lowest, int highest) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value < lowest || value > highest) {
        return std::nullopt;
    }
    return value;
}

std::string quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

// "; the nearest are 1600 and 1700", or the one end of the range beyond it.
std::string nearestDpis(int dpi) {
    const auto steps = dpiSteps();
    const auto above = std::ranges::find_if(steps, [dpi](std::int32_t value) { return effectiveDpi(value) > dpi; });
    if (above == steps.begin()) return "; the nearest is " + std::to_string(effectiveDpi(*above));
    const int below = effectiveDpi(*std::prev(above));
    if (above == steps.end()) return "; the nearest is " + std::to_string(below);
    return "; the nearest are " + std::to_string(below) + " and " + std::to_string(effectiveDpi(*above));
}

// A 1-based number typed by the user, as a 0-based index.
std::optional<int> ordinal(std::string_view text, int count) {
    const auto value = number(text, 1, count);
    if (!value) return std::nullopt;
    return *value - 1;
}

UsageError notOrdinal(std::string_view what, std::string_view text, int count) {
    return usage(std::string(what) + " must be 1-" + std::to_string(count) + ", not " + quoted(text));
}

// Why a name cannot be a new macro's; nullopt when it can.
std::optional<UsageError> badMacroName(std::u16string_view name) {
    if (name.empty() || name.size() > kMacroNameMaxUnits) {
        return usage("a macro name has 1-" + std::to_string(kMacroNameMaxUnits) + " characters, not " +
                     std::to_string(name.size()));
    }
    if (std::ranges::any_of(name, [](char16_t unit) { return unit < 0x20 || unit == 0x7F; })) {
        return usage("a macro name cannot hold control characters");
    }
    return std::nullopt;
}

std::filesystem::path filePath(std::string_view text, const std::filesystem::path& workingFolder) {
    const std::filesystem::path path(text);
    return path.is_absolute() ? path : workingFolder / path;
}

// The options every command that changes something shares; --profile only where it is taken.
std::variant<EditCommand, UsageError> common(const Scanned& scanned, EditAction action) {
    EditCommand command{std::move(action), std::nullopt, scanned.has(opt::kApply), scanned.has(opt::kSimulate)};
    if (const auto profile = scanned.value(opt::kProfile)) {
        command.profile = ordinal(*profile, kProfileCount);
        if (!command.profile) return notOrdinal(opt::kProfile, *profile, kProfileCount);
    }
    return command;
}

Parsed parseProfile(std::span<const std::string_view> arguments) {
    auto scanned = scan(arguments, "profile");
    if (const auto* problem = std::get_if<UsageError>(&scanned)) return *problem;
    const Scanned& s = std::get<Scanned>(scanned);
    if (s.positionals.size() != 1) return usage("expected the profile to make active, 1-5");
    const auto profile = ordinal(s.positionals[0], kProfileCount);
    if (!profile) return notOrdinal("the profile", s.positionals[0], kProfileCount);
    return common(s, ChooseProfile{*profile});
}

// dpi --enable LEVEL and dpi --disable LEVEL; nullopt when neither is given.
std::optional<Parsed> parseDpiLevelSwitch(const Scanned& s) {
    const bool enable = s.has(opt::kEnable);
    if (!enable && !s.has(opt::kDisable)) return std::nullopt;
    if (enable + s.has(opt::kDisable) + s.has(opt::kCurrent) + s.has(opt::kColor) > 1) {
        return usage("--enable, --disable, --current and --color go in separate commands");
    }
    if (s.positionals.size() != 1) return usage(enable ? "expected --enable LEVEL" : "expected --disable LEVEL");
    const auto level = ordinal(s.positionals[0], kDpiLevelCount);
    if (!level) return notOrdinal("the DPI level", s.positionals[0], kDpiLevelCount);
    return common(s, SetDpiLevelOn{*level, enable});
}

Parsed parseDpi(std::span<const std::string_view> arguments) {
    auto scanned = scan(arguments, "dpi");
    if (const auto* problem = std::get_if<UsageError>(&scanned)) return *problem;
    const Scanned& s = std::get<Scanned>(scanned);
    if (auto switched = parseDpiLevelSwitch(s)) return std::move(*switched);
    const bool current = s.has(opt::kCurrent);
    const bool color = s.has(opt::kColor);
    if (current && color) return usage("--current and --color go in separate commands");
    const std::size_t expected = current ? 1 : 2;
    if (s.positionals.size() != expected) {
        return usage(current ? "expected --current LEVEL" : color ? "expected --color LEVEL #RRGGBB" : "expected LEVEL DPI");
    }
    const auto level = ordinal(s.positionals[0], kDpiLevelCount);
    if (!level) return notOrdinal("the DPI level", s.positionals[0], kDpiLevelCount);
    const int index = *level;
    if (current) return common(s, SetCurrentDpiLevel{index});
    if (color) {
        const auto stored = colorByText(s.positionals[1]);
        if (!stored) return usage("a colour is written #RRGGBB, not " + quoted(s.positionals[1]));
        return common(s, SetDpiColor{index, *stored});
    }
    const auto dpi = number(s.positionals[1], 0, 1'000'000);
    const auto value = dpi ? storedValueForDpi(*dpi) : std::nullopt;
    if (!value) {
        return usage(quoted(s.positionals[1]) +
                     " is not a DPI the mouse can hold: 100-4900 in steps of 100, or 5000-9800 in steps of 200" +
                     (dpi ? nearestDpis(*dpi) : std::string()));
    }
    return common(s, SetDpiValue{index, *value});
}

Parsed parseRate(std::span<const std::string_view> arguments) {
    auto scanned = scan(arguments, "rate");
    if (const auto* problem = std::get_if<UsageError>(&scanned)) return *problem;
    const Scanned& s = std::get<Scanned>(scanned);
    if (s.positionals.size() != 1) return usage("expected the report rate in Hz: 125, 250, 500 or 1000");
    const auto hz = number(s.positionals[0], 1, 1000);
    const auto index = hz ? pollingRateIndexForHz(*hz) : std::nullopt;
    if (!index) return usage("the report rate is 125, 250, 500 or 1000 Hz, not " + quoted(s.positionals[0]));
    return common(s, SetReportRate{*index});
}

std::string settingsOf(const LightEffectInfo& effect) {
    std::string list;
    for (const auto& [used, option] : {std::pair{effect.color, opt::kColor}, std::pair{effect.brightness, opt::kBrightness},
                                       std::pair{effect.speed, opt::kSpeed}, std::pair{effect.direction, opt::kDirection}}) {
        if (used) list += std::string(list.empty() ? "" : ", ") + std::string(option);
    }
    return list.empty() ? "no settings" : list;
}

Parsed parseLight(std::span<const std::string_view> arguments) {
    auto scanned = scan(arguments, "light");
    if (const auto* problem = std::get_if<UsageError>(&scanned)) return *problem;
    const Scanned& s = std::get<Scanned>(scanned);
    if (s.positionals.size() != 1) return usage("expected the effect (qx4ctl light --help lists them)");
    const auto effect = std::ranges::find_if(kLightEffects, [&s](const LightEffectInfo& info) {
        return sameWord(info.name, s.positionals[0]);
    });
    if (effect == kLightEffects.end()) {
        std::vector<std::string_view> names;
        for (const LightEffectInfo& info : kLightEffects) names.push_back(info.name);
        return usage("no lighting effect is named " + quoted(s.positionals[0]) + didYouMean(s.positionals[0], names));
    }

    SetLighting lighting{static_cast<int>(effect - kLightEffects.begin()), {}, {}, {}, {}};
    const auto refuse = [&](std::string_view option) {
        return usage(std::string(effect->name) + " takes no " + std::string(option) + " (it takes " +
                     settingsOf(*effect) + ")");
    };
    if (const auto text = s.value(opt::kColor)) {
        if (!effect->color) return refuse(opt::kColor);
        lighting.color = colorByText(*text);
        if (!lighting.color) return usage("a colour is written #RRGGBB, not " + quoted(*text));
    }
    for (auto [option, used, target] : {std::tuple{opt::kBrightness, effect->brightness, &lighting.brightness},
                                        std::tuple{opt::kSpeed, effect->speed, &lighting.speed}}) {
        const auto text = s.value(option);
        if (!text) continue;
        if (!used) return refuse(option);
        *target = number(*text, kLightLevelMin, kLightLevelMax);
        if (!*target) return usage(std::string(option) + " is 1-8, not " + quoted(*text));
    }
    if (const auto text = s.value(opt::kDirection)) {
        if (!effect->direction) return refuse(opt::kDirection);
        if (sameWord(*text, "forward")) lighting.direction = kLightDirectionForward;
        else if (sameWord(*text, "backward")) lighting.direction = kLightDirectionBackward;
        else return usage("--direction is forward or backward, not " + quoted(*text));
    }
    return common(s, lighting);
}

// What bind takes by name: "default" and every function a selector offers.
std::vector<std::string_view> functionNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> all{"default"};
        for (const std::uint8_t code : offeredFunctionCodes()) all.push_back(functionName(code));
        return all;
    }();
    return {names.begin(), names.end()};
}

Parsed parseBind(std::span<const std::string_view> arguments) {
    auto scanned = scan(arguments, "bind");
    if (const auto* problem = std::get_if<UsageError>(&scanned)) return *problem;
    const Scanned& s = std::get<Scanned>(scanned);
    if (s.positionals.size() != 2) return usage("expected BUTTON FUNCTION");
    const auto button = ordinal(s.positionals[0], kShownButtonCount);
    if (!button) return notOrdinal("the button", s.positionals[0], kShownButtonCount);
    const std::string_view function = s.positionals[1];
    Bind bind;
    bind.button = *button;
    bind.kind = Bind::Kind::function;

    constexpr std::string_view kMacroPrefix = "macro:";
    const bool macro = function.size() > kMacroPrefix.size() && sameWord(function.substr(0, kMacroPrefix.size()), kMacroPrefix);
    if (!macro && (s.has(opt::kRepeat) || s.has(opt::kLoops))) return usage("--repeat and --loops go with macro:NAME");
    if (macro) {
        bind.kind = Bind::Kind::macro;
        bind.macroName = utf8ToUtf16(function.substr(kMacroPrefix.size()));
        if (const auto mode = s.value(opt::kRepeat)) {
            bind.repeatMode = repeatModeByName(*mode);
            if (!bind.repeatMode) return usage("--repeat is times, hold or toggle, not " + quoted(*mode));
        }
        if (const auto loops = s.value(opt::kLoops)) {
            // Only "times" plays a count: the page shows the count for it alone.
            if (bind.repeatMode.value_or(0) != 0) return usage("--loops goes with --repeat times");
            bind.repeatMode = 0;
            bind.loopCount = number(*loops, 1, 255);
            if (!bind.loopCount) return usage("--loops is 1-255, not " + quoted(*loops));
        }
    } else if (sameWord(function, "default")) {
        bind.kind = Bind::Kind::defaultFunction;
    } else if (const auto code = offeredFunctionByName(function)) {
        bind.functionCode = *code;
    } else if (const auto keys = keyCombinationByName(function)) {
        bind.kind = Bind::Kind::keys;
        bind.keys = *keys;
    } else {
        const auto meant = closestKeyCombination(function);
        return usage(quoted(function) + " is no function, key combination or macro:NAME (qx4ctl functions lists them)" +
                     (meant ? "; did you mean '" + *meant + "'?" : didYouMean(function, functionNames())));
    }
    return common(s, bind);
}

Parsed parseMacro(std::span<const std::string_view> arguments, const std::filesystem::path& workingFolder) {
    auto scanned = scanForm(*findCommandSpec("macro"), arguments);
    if (const auto* problem = std::get_if<UsageError>(&scanned)) return *problem;
    const ScannedForm& scannedForm = std::get<ScannedForm>(scanned);
    const Scanned& s = scannedForm.arguments;
    const std::string_view sub = scannedForm.form->subcommand;
    const auto& p = s.positionals;
    if (sub == "add") {
        if (p.size() != 1) return usage("expected macro add NAME");
        std::u16string name = utf8ToUtf16(p[0]);
        if (auto error = badMacroName(name)) return *error;
        return common(s, AddMacro{std::move(name)});
    }
    if (sub == "rename") {
        if (p.size() != 2) return usage("expected macro rename OLD NEW");
        std::u16string name = utf8ToUtf16(p[1]);
        if (auto error = badMacroName(name)) return *error;
        return common(s, RenameMacro{utf8ToUtf16(p[0]), std::move(name)});
    }
    if (sub == "delete") {
        if (p.size() != 1) return usage("expected macro delete NAME");
        return common(s, DeleteMacro{utf8ToUtf16(p[0])});
    }
    if (sub == "import") {
        if (p.size() != 1) return usage("expected macro import FILE");
        return common(s, ImportMacro{filePath(p[0], workingFolder)});
    }
    if (sub == "export") {
        if (p.size() != 2) return usage("expected macro export NAME FILE");
        return common(s, ExportMacro{utf8ToUtf16(p[0]), filePath(p[1], workingFolder)});
    }
    if (sub == "steps") {
        if (p.size() != 2) return usage("expected macro steps NAME \"STEPS\"");
        std::string problem;
        auto steps = parseStepsText(p[1], problem);
        if (!steps) return usage(problem);
        return common(s, SetMacroSteps{utf8ToUtf16(p[0]), std::move(*steps)});
    }
    // list and show are qx4ctl's own, answered before a command is parsed.
    return usage("macro " + std::string(sub) + " changes nothing");
}

Parsed parseProfileFile(std::span<const std::string_view> arguments, const std::filesystem::path& workingFolder,
                        bool importing) {
    auto scanned = scan(arguments, importing ? "import" : "export");
    if (const auto* problem = std::get_if<UsageError>(&scanned)) return *problem;
    const Scanned& s = std::get<Scanned>(scanned);
    if (s.positionals.size() != 1) return usage("expected the profile file");
    const std::filesystem::path file = filePath(s.positionals[0], workingFolder);
    return importing ? common(s, ImportProfile{file}) : common(s, ExportProfile{file});
}

Parsed parseReset(std::span<const std::string_view> arguments) {
    auto scanned = scan(arguments, "reset");
    if (const auto* problem = std::get_if<UsageError>(&scanned)) return *problem;
    const Scanned& s = std::get<Scanned>(scanned);
    if (!s.positionals.empty()) return usage("unexpected argument " + quoted(s.positionals[0]));
    return common(s, ResetConfiguration{});
}

using Parser = Parsed (*)(std::span<const std::string_view> arguments, const std::filesystem::path& workingFolder);

// The commands that edit, each with its parser; their names are rows of the command description.
constexpr std::pair<std::string_view, Parser> kParsers[] = {
    {"bind", [](auto arguments, const auto&) { return parseBind(arguments); }},
    {"dpi", [](auto arguments, const auto&) { return parseDpi(arguments); }},
    {"export", [](auto arguments, const auto& folder) { return parseProfileFile(arguments, folder, false); }},
    {"import", [](auto arguments, const auto& folder) { return parseProfileFile(arguments, folder, true); }},
    {"light", [](auto arguments, const auto&) { return parseLight(arguments); }},
    {"macro", parseMacro},
    {"profile", [](auto arguments, const auto&) { return parseProfile(arguments); }},
    {"rate", [](auto arguments, const auto&) { return parseRate(arguments); }},
    {"reset", [](auto arguments, const auto&) { return parseReset(arguments); }},
};

const Parser* parserOf(std::string_view name) {
    const auto found = std::ranges::find(kParsers, name, &std::pair<std::string_view, Parser>::first);
    return found == std::end(kParsers) ? nullptr : &found->second;
}

}  // namespace

bool isEditCommand(std::string_view name) { return parserOf(name) != nullptr; }

std::variant<EditCommand, UsageError> parseEditCommand(std::span<const std::string_view> arguments,
                                                       const std::filesystem::path& workingFolder) {
    const Parser* parser = arguments.empty() ? nullptr : parserOf(arguments.front());
    if (!parser) return usage("no such command");
    if (const auto beyond = argumentsBeyondRequest(arguments)) return usage("the command line holds " + *beyond);
    return (*parser)(arguments.subspan(1), workingFolder);
}

bool changesBindingsOrMacros(const EditCommand& command) {
    return std::holds_alternative<Bind>(command.action) || std::holds_alternative<AddMacro>(command.action) ||
           std::holds_alternative<RenameMacro>(command.action) || std::holds_alternative<DeleteMacro>(command.action) ||
           std::holds_alternative<ImportMacro>(command.action) || std::holds_alternative<SetMacroSteps>(command.action) ||
           std::holds_alternative<ImportProfile>(command.action) ||
           std::holds_alternative<ResetConfiguration>(command.action);
}

}  // namespace qx4::commands
