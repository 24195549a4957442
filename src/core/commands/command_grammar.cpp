// The description of qx4ctl's commands: first the options and arguments their forms share, then
// one row per command in kCommands. See command_grammar.h for adding a command.
#include "core/commands/command_grammar.h"

#include <algorithm>
#include <iterator>

#include "core/commands/name_suggestion.h"

namespace qx4::commands {
namespace {

constexpr ValueSpec kText{ValueKind::text};
constexpr ValueSpec kFile{ValueKind::file};
constexpr ValueSpec kMacroName{ValueKind::macros};

constexpr ValueSpec kProfileNumber{ValueKind::words, "1 2 3 4 5"};

constexpr OptionSpec kProfile{options::kProfile, kProfileNumber};
constexpr OptionSpec kApply{options::kApply};
constexpr OptionSpec kSimulate{options::kSimulate};
constexpr OptionSpec kJson{options::kJson};
constexpr OptionSpec kNames{options::kNames};
constexpr OptionSpec kFull{options::kFull};
constexpr OptionSpec kAgainst{options::kAgainst, kFile};

// Option lists shared by several commands.
constexpr OptionSpec kSend[] = {kApply, kSimulate};
constexpr OptionSpec kProfileSend[] = {kProfile, kApply, kSimulate};
constexpr OptionSpec kList[] = {kJson, kNames};

constexpr ValueSpec kOneText[] = {kText};
constexpr ValueSpec kOneFile[] = {kFile};
constexpr ValueSpec kOneMacro[] = {kMacroName};

constexpr OptionSpec kApplyOptions[] = {kFull, kAgainst, kSimulate};
constexpr CommandForm kApplyForms[] = {{{}, kApplyOptions, {}}};

constexpr ValueSpec kAutostartArguments[] = {{ValueKind::words, "on off status"}};
constexpr CommandForm kAutostartForms[] = {{{}, {}, kAutostartArguments}};

constexpr OptionSpec kBindOptions[] = {kProfile, kApply, kSimulate,
                                       {options::kRepeat, {ValueKind::words, "times hold toggle"}},
                                       {options::kLoops, kText}};
constexpr ValueSpec kBindArguments[] = {kText, {ValueKind::functions}};
constexpr CommandForm kBindForms[] = {{{}, kBindOptions, kBindArguments}};

// "dpi --color LEVEL #RRGGBB": the colour is an argument, so --color here takes no value.
constexpr OptionSpec kDpiOptions[] = {kProfile,           kApply,           kSimulate,         {options::kCurrent},
                                      {options::kColor}, {options::kEnable}, {options::kDisable}};
constexpr CommandForm kDpiForms[] = {{{}, kDpiOptions, {}}};

constexpr OptionSpec kExportOptions[] = {kProfile};
constexpr CommandForm kExportForms[] = {{{}, kExportOptions, kOneFile}};

constexpr CommandForm kFunctionsForms[] = {{{}, kList, {}}};
constexpr CommandForm kImportForms[] = {{{}, kProfileSend, kOneFile}};
constexpr CommandForm kInitForms[] = {{{}, {}, {}}};

constexpr OptionSpec kLightOptions[] = {kProfile,
                                        kApply,
                                        kSimulate,
                                        {options::kColor, kText},
                                        {options::kBrightness, kText},
                                        {options::kSpeed, kText},
                                        {options::kDirection, {ValueKind::words, "forward backward"}}};
constexpr ValueSpec kLightArguments[] = {{ValueKind::effects}};
constexpr CommandForm kLightForms[] = {{{}, kLightOptions, kLightArguments}};

constexpr ValueSpec kMacroAndText[] = {kMacroName, kText};
constexpr ValueSpec kMacroAndFile[] = {kMacroName, kFile};
constexpr CommandForm kMacroForms[] = {
    {"list", kList, {}},
    {"show", {}, kOneMacro},
    {"add", kSend, kOneText},
    {"rename", kSend, kMacroAndText},
    {"delete", kSend, kOneMacro},
    {"import", kSend, kOneFile},
    {"export", {}, kMacroAndFile},
    {"steps", kSend, kMacroAndText},
};

constexpr CommandForm kMacrosForms[] = {{{}, kList, {}}};
constexpr CommandForm kPathForms[] = {{{}, {}, {}}};
constexpr ValueSpec kProfileArguments[] = {kProfileNumber};
constexpr CommandForm kProfileForms[] = {{{}, kSend, kProfileArguments}};
constexpr ValueSpec kRulesAddArguments[] = {kText, kProfileNumber};
constexpr ValueSpec kRulesDefaultArguments[] = {{ValueKind::words, "keep 1 2 3 4 5"}};
constexpr CommandForm kRulesForms[] = {
    {"list", {}, {}},     {"add", {}, kRulesAddArguments}, {"remove", {}, kOneText},
    {"default", {}, kRulesDefaultArguments}, {"on", {}, {}}, {"off", {}, {}},
};
constexpr ValueSpec kRateArguments[] = {{ValueKind::words, "125 250 500 1000"}};
constexpr CommandForm kRateForms[] = {{{}, kProfileSend, kRateArguments}};
constexpr OptionSpec kReportsOptions[] = {kFull, kAgainst};
constexpr CommandForm kReportsForms[] = {{{}, kReportsOptions, {}}};
constexpr CommandForm kResetForms[] = {{{}, kSend, {}}};
constexpr OptionSpec kShowOptions[] = {kProfile, kJson};
constexpr CommandForm kShowForms[] = {{{}, kShowOptions, {}}};
constexpr OptionSpec kStatusOptions[] = {kSimulate, kJson};
constexpr CommandForm kStatusForms[] = {{{}, kStatusOptions, {}}};

// By name.
constexpr CommandSpec kCommands[] = {
    {"apply",
     "send the stored configuration to the mouse",
     "Usage: qx4ctl apply [--full] [--against FILE] [--simulate]\n"
     "Sends the stored configuration to the mouse, over its cable when it is plugged in, else\n"
     "over the receiver, and prints each report with its result. Everything is sent, as after a\n"
     "start of the program, unless --against names a configuration the mouse already holds; then\n"
     "only what differs from it (--full sends everything anyway). --simulate talks to\n"
     "qx4-virtual-mouse instead of a mouse. Exits with 1 when no mouse is found, the mouse\n"
     "sleeps, or it did not take a report. While qx4-config runs, it sends instead, what the mouse\n"
     "lacks (everything with --full), and --against and --simulate do not apply.\n",
     kApplyForms},
    {"autostart",
     "start qx4-config at login, in the tray, or not",
     "Usage: qx4ctl autostart on|off|status\n"
     "Switches the start of qx4-config at login, hidden in the tray, as the tray menu's\n"
     "\"Start at login\" does, or prints whether it is on. It writes or removes\n"
     "$XDG_CONFIG_HOME/autostart/qx4-config.desktop (~/.config/autostart); where a system-wide entry\n"
     "is installed ($XDG_CONFIG_DIRS/autostart, /etc/xdg/autostart), off writes an entry with\n"
     "Hidden=true that overrules it for this user.\n",
     kAutostartForms},
    {"bind",
     "bind a button to a function, a key combination or a macro",
     "Usage: qx4ctl bind [--profile N] BUTTON FUNCTION [--apply] [--simulate]\n"
     "       qx4ctl bind [--profile N] BUTTON macro:NAME [--repeat times|hold|toggle] [--loops N]\n"
     "Binds button BUTTON (1-12) of profile N (1-5; the active profile when not given) and prints\n"
     "the new binding. FUNCTION is\n"
     "  a function as qx4ctl show prints it: left_click, volume_up, dpi_cycle, ...\n"
     "  a key combination: Ctrl+, Shift+, Alt+ and Win+ in front of a key, as in Ctrl+Shift+C,\n"
     "    or a key alone, as in F5 (a function of the same name wins)\n"
     "  macro:NAME, a stored macro, played --loops times (1-255), while the button is held\n"
     "    (--repeat hold), or on one press and off the next (--repeat toggle). A button that\n"
     "    plays a macro already keeps its mode and count where they are not given (a mode the\n"
     "    mouse cannot take, from a damaged file, becomes times); any other plays it once\n"
     "  default, the button's own function\n"
     "qx4ctl functions lists them. A profile keeps a left click: binding its only left click to\n"
     "something else is refused. --apply sends all five profiles, as the button page does.\n",
     kBindForms},
    {"dpi",
     "set a DPI level, the current level, a level's colour, or switch a level on or off",
     "Usage: qx4ctl dpi [--profile N] LEVEL DPI [--apply] [--simulate]\n"
     "       qx4ctl dpi [--profile N] --current LEVEL [--apply] [--simulate]\n"
     "       qx4ctl dpi [--profile N] --color LEVEL #RRGGBB [--apply] [--simulate]\n"
     "       qx4ctl dpi [--profile N] --enable|--disable LEVEL [--apply] [--simulate]\n"
     "Sets the DPI of level LEVEL (1-8), makes it the current level, sets its indicator colour, or\n"
     "switches it on or off, in profile N (1-5; the active profile when not given). DPI is written\n"
     "as the window shows it, e.g. 1600; the mouse holds 100-4900 in steps of 100 and 5000-9800 in\n"
     "steps of 200; another value is refused, naming the nearest the mouse holds. The mouse skips\n"
     "a level that is off, so such a level cannot be current; the current level and the last level\n"
     "that is on cannot be switched off.\n",
     kDpiForms},
    {"export",
     "write a profile to a profile file (*.pro)",
     "Usage: qx4ctl export [--profile N] FILE\n"
     "Writes profile N (1-5; the active profile when not given) to FILE, 32,872 bytes with the\n"
     "macros its buttons play, replacing FILE whole. The window's import reads it.\n",
     kExportForms},
    {"functions",
     "list what a button can be bound to",
     "Usage: qx4ctl functions [--json | --names]\n"
     "Lists what qx4ctl bind takes: the functions of each group of the button page, default, the\n"
     "modifiers and keys of a key combination, and the stored macros as macro:NAME. --names prints\n"
     "the function names, default and macro:NAME for each macro, one a line. --json prints\n"
     "  {\"groups\": [{\"group\": \"mouse\", \"functions\": [\"left_click\", ...]}, ...],\n"
     "   \"default\": \"default\", \"modifiers\": [\"Ctrl\", ...], \"keys\": [\"A\", ...],\n"
     "   \"repeat_modes\": [\"times\", \"hold\", \"toggle\"], \"macros\": [\"macro:NAME\", ...]}\n",
     kFunctionsForms},
    {"import",
     "read a profile file (*.pro) over a profile",
     "Usage: qx4ctl import [--profile N] FILE [--apply] [--simulate]\n"
     "Reads FILE over profile N (1-5; the active profile when not given), as the window's import\n"
     "does: the macros its buttons play join the macro library, under a free name when theirs is\n"
     "taken, and are printed. A file that is not exactly one profile is refused. --apply sends all\n"
     "five profiles.\n",
     kImportForms},
    {"init",
     "load or create Config_1.data and print its path",
     "Usage: qx4ctl init\n"
     "Loads the configuration file, or creates it with the defaults when there is none, and\n"
     "prints its path. A file shorter than a configuration is kept as Config_1.data.damaged and\n"
     "completed with the defaults; a longer one is kept so and cut to its first configuration.\n"
     "While qx4-config runs, it has loaded the file already: it saves what it holds and init only\n"
     "prints the path.\n",
     kInitForms},
    {"light",
     "set the lighting effect and its settings",
     "Usage: qx4ctl light [--profile N] EFFECT [--color #RRGGBB] [--brightness B] [--speed S]\n"
     "                    [--direction forward|backward] [--apply] [--simulate]\n"
     "Sets the lighting of profile N (1-5; the active profile when not given). Each effect takes\n"
     "only the settings it uses; a setting not given keeps its stored value. Brightness and speed\n"
     "are 1-8.\n"
     "  off                                  no settings\n"
     "  steady                               --color, --brightness\n"
     "  breathing                            --color, --speed\n"
     "  color_cycle, spectrum_breathing      --speed\n"
     "  rainbow                              --brightness\n"
     "  wave                                 --speed, --direction\n"
     "  neon, flicker, ripple, reactive      --speed\n"
     "  rainbow_wave                         --brightness, --speed, --direction\n",
     kLightForms},
    {"macro",
     "show, add, rename, delete, import, export or edit a macro",
     "Usage: qx4ctl macro list [--json | --names]\n"
     "       qx4ctl macro show NAME\n"
     "       qx4ctl macro add NAME [--apply] [--simulate]\n"
     "       qx4ctl macro rename OLD NEW [--apply] [--simulate]\n"
     "       qx4ctl macro delete NAME [--apply] [--simulate]\n"
     "       qx4ctl macro import FILE [--apply] [--simulate]\n"
     "       qx4ctl macro export NAME FILE\n"
     "       qx4ctl macro steps NAME \"STEPS\" [--apply] [--simulate]\n"
     "Works on the macro library as the macro page does. Names are 1-23 characters and unique\n"
     "regardless of case; add and import print the name the macro got. Buttons that play a macro\n"
     "follow a rename, take new steps, and fall back to their own function when it is deleted.\n"
     "STEPS lists at most 46 steps, separated by commas: a key, 'down' or 'up', and the pause after\n"
     "it in milliseconds (0-65535), which the last step may leave out:\n"
     "  qx4ctl macro steps Copy \"Ctrl down 20, C down 20, C up 20, Ctrl up\"\n"
     "Keys are named as the window names them: A-Z, 0-9, F1-F12, Enter, Esc, Space, Tab, Page Up,\n"
     "Ctrl, Shift, Alt, Win (the right-hand ones RCtrl, RShift, RAlt, RWin), Comma, ..., the mouse\n"
     "buttons L_Button, R_Button, M_Button, Backward_Button, Forward_Button, or any code as 0xNN.\n"
     "macro show prints the steps the same way, so its output can be given to macro steps.\n",
     kMacroForms},
    {"macros",
     "list the macro library",
     "Usage: qx4ctl macros [--json | --names]\n"
     "Lists the macros of macro.data: position, name and number of steps; with --names only the\n"
     "names, one a line; with --json\n"
     "  {\"macros\": [{\"position\": 1, \"name\": \"...\", \"step_count\": 4, \"steps\": \"...\"}]}\n"
     "where steps is written as qx4ctl macro steps takes it. Exits with 1 when macro.data cannot be\n"
     "read whole. 'qx4ctl macro list' is the same.\n",
     kMacrosForms},
    {"path",
     "print the data folder",
     "Usage: qx4ctl path\n"
     "Prints the folder that holds ms_1/Config_1.data and ms_1/macro.data: $QX4_DATA_DIR/Data\n"
     "when QX4_DATA_DIR is set, else $XDG_DATA_HOME/qx4-config/Data\n"
     "(~/.local/share/qx4-config/Data). A relative folder is refused, as is an unset or relative\n"
     "HOME where it is needed.\n",
     kPathForms},
    {"profile",
     "make a profile the active one and send it",
     "Usage: qx4ctl profile N [--apply] [--simulate]\n"
     "Makes profile N (1-5) the active one and sends it to the mouse at once, as the profile bar\n"
     "does. Without a mouse the choice is saved and a note says it goes with the next apply; with\n"
     "--apply that is a failure.\n",
     kProfileForms},
    {"rate",
     "set the report rate",
     "Usage: qx4ctl rate [--profile N] HZ [--apply] [--simulate]\n"
     "Sets the report rate of profile N (1-5; the active profile when not given): 125, 250, 500 or\n"
     "1000 reports a second.\n",
     kRateForms},
    {"reports",
     "print the reports an apply would send",
     "Usage: qx4ctl reports [--full] [--against FILE]\n"
     "Prints the feature reports an apply of the stored configuration sends, one line of hex\n"
     "bytes each, in the order they are sent: everything, as the first apply after a start does,\n"
     "or with --against only what differs from FILE, a configuration the mouse already holds\n"
     "(--full sends everything even then). Nothing is sent and nothing is written.\n",
     kReportsForms},
    {"reset",
     "set every profile back to its defaults",
     "Usage: qx4ctl reset [--apply] [--simulate]\n"
     "Sets all five profiles back to their defaults and makes profile 1 active, as the window's\n"
     "reset does. The macro library stays; buttons bound to macros lose them. --apply sends all\n"
     "five profiles.\n",
     kResetForms},
    {"rules",
     "list or change which profile each application selects when it comes to the front",
     "Usage: qx4ctl rules [list]\n"
     "       qx4ctl rules add APP PROFILE\n"
     "       qx4ctl rules remove APP\n"
     "       qx4ctl rules default keep|N\n"
     "       qx4ctl rules on|off\n"
     "While an application with a rule is in front, its profile (1-5) is the active one. APP is a\n"
     "part of its X11 window class, its program's file name or its Wayland app id, in any case; the\n"
     "first rule that matches wins. default says what every other application does: keep the\n"
     "profile or select N. on and off switch the following as a whole. A running qx4-config takes\n"
     "the change at once; the rules are kept in $XDG_CONFIG_HOME/qx4-config/rules.conf\n"
     "(~/.config/qx4-config; $QX4_DATA_DIR/rules.conf when that is set).\n",
     kRulesForms},
    {"show",
     "summarise the stored configuration",
     "Usage: qx4ctl show [--profile N] [--json]\n"
     "Summarises Config_1.data: the active profile and, for every profile (or profile N, 1-5),\n"
     "the DPI levels (each DPI as the window shows it: the DPI the mouse uses), report rate,\n"
     "lighting and the function of the 12 buttons, named as qx4ctl dpi, light and bind take them.\n"
     "While qx4-config runs, it first saves what its window shows.\n"
     "Nothing else is written; without a file the defaults are shown. --json prints\n"
     "  {\"configuration\": PATH, \"active_profile\": 1-5, \"profiles\": [{\"profile\": 1-5,\n"
     "   \"active\": BOOL, \"dpi\": {\"current_level\": 1-8, \"levels\": [{\"level\": 1-8,\n"
     "   \"enabled\": BOOL, \"dpi\": DPI THE MOUSE USES, \"stored_value\": N, \"color\": \"#RRGGBB\"}]},\n"
     "   \"report_rate_hz\": HZ, \"lighting\": {\"effect\": NAME|null, \"mode\": N, \"brightness\": N,\n"
     "   \"speed\": N, \"direction\": \"forward\"|\"backward\", \"color\": \"#RRGGBB\"}, \"buttons\":\n"
     "   [{\"button\": 1-12, \"binding\": TEXT, \"group\": NAME, \"code\": N, \"function\": NAME|null,\n"
     "   \"keys\": TEXT|null, \"macro\": {\"name\": NAME, \"repeat\": \"times\"|\"hold\"|\"toggle\",\n"
     "   \"loops\": N}|null}]}]}\n",
     kShowForms},
    {"status",
     "show the links to the mouse, its sleep state and battery",
     "Usage: qx4ctl status [--simulate] [--json]\n"
     "Opens the receiver and the cable links and prints which are present, whether the mouse is\n"
     "awake and its battery level; while qx4-config runs, it answers from its own links instead.\n"
     "--simulate asks qx4-virtual-mouse instead of a mouse. --json prints\n"
     "  {\"receiver\": \"present\"|\"removed\"|\"not found\", \"cable\": \"plugged in\"|\"unplugged\"|\n"
     "   \"not plugged in\", \"mouse\": \"awake\"|\"asleep\"|null, \"battery_percent\": 10-100|null}\n",
     kStatusForms},

};

static_assert(std::ranges::is_sorted(kCommands, {}, &CommandSpec::name));

UsageError usage(std::string message) { return {std::move(message)}; }

}  // namespace

std::span<const CommandSpec> commandSpecs() { return kCommands; }

const CommandSpec* findCommandSpec(std::string_view name) {
    const auto found = std::ranges::find(kCommands, name, &CommandSpec::name);
    return found == std::end(kCommands) ? nullptr : &*found;
}

const CommandForm* findForm(const CommandSpec& command, std::string_view subcommand) {
    const auto found = std::ranges::find(command.forms, subcommand, &CommandForm::subcommand);
    return found == command.forms.end() ? nullptr : &*found;
}

std::vector<OptionSpec> allOptions(const CommandSpec& command) {
    std::vector<OptionSpec> options;
    for (const CommandForm& form : command.forms) {
        for (const OptionSpec& option : form.options) {
            if (std::ranges::find(options, option.name, &OptionSpec::name) == options.end()) options.push_back(option);
        }
    }
    return options;
}

bool takesOption(const CommandSpec& command, std::string_view option) {
    return std::ranges::any_of(command.forms, [option](const CommandForm& form) {
        return std::ranges::find(form.options, option, &OptionSpec::name) != form.options.end();
    });
}

std::vector<std::string_view> subcommandNames(const CommandSpec& command) {
    std::vector<std::string_view> names;
    if (command.hasSubcommands()) {
        for (const CommandForm& form : command.forms) names.push_back(form.subcommand);
    }
    return names;
}

std::span<const OptionSpec> formOptions(std::string_view command) {
    const CommandSpec* described = findCommandSpec(command);
    const CommandForm* form = described ? findForm(*described, {}) : nullptr;
    return form ? form->options : std::span<const OptionSpec>{};
}

bool ScannedArguments::has(std::string_view name) const {
    return std::ranges::any_of(options, [name](const auto& option) { return option.first == name; });
}

std::optional<std::string_view> ScannedArguments::value(std::string_view name) const {
    const auto found = std::ranges::find_if(options, [name](const auto& option) { return option.first == name; });
    if (found == options.end()) return std::nullopt;
    return found->second;
}

std::variant<ScannedArguments, UsageError> scanArguments(std::span<const std::string_view> arguments,
                                                         std::span<const OptionSpec> options) {
    ScannedArguments scanned;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (optionsEnded || !argument.starts_with("--")) {
            scanned.positionals.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        const std::size_t equals = argument.find('=');
        const std::string_view name = argument.substr(0, equals);
        const auto option = std::ranges::find(options, name, &OptionSpec::name);
        if (option == options.end()) {
            std::vector<std::string_view> names;
            for (const OptionSpec& known : options) names.push_back(known.name);
            return usage("unknown option '" + std::string(name) + "'" + didYouMean(name, names));
        }
        if (scanned.has(name)) return usage(std::string(name) + " is given twice");
        std::string_view value;
        if (option->takesValue() && equals != std::string_view::npos) {
            value = argument.substr(equals + 1);
        } else if (option->takesValue()) {
            if (i + 1 == arguments.size()) return usage(std::string(name) + " needs a value");
            value = arguments[++i];
        } else if (equals != std::string_view::npos) {
            return usage(std::string(name) + " takes no value");
        }
        scanned.options.emplace_back(name, value);
    }
    return scanned;
}

std::variant<ScannedForm, UsageError> scanForm(const CommandSpec& command, std::span<const std::string_view> arguments) {
    if (!command.hasSubcommands()) {
        auto scanned = scanArguments(arguments, command.forms.front().options);
        if (auto* error = std::get_if<UsageError>(&scanned)) return std::move(*error);
        return ScannedForm{&command.forms.front(), std::get<ScannedArguments>(std::move(scanned))};
    }
    // The subcommand is found before its options are known: any form's option, with its value,
    // is skipped on the way.
    const std::vector<OptionSpec> anyForm = allOptions(command);
    std::size_t at = 0;
    for (; at < arguments.size(); ++at) {
        const std::string_view word = arguments[at];
        if (word == "--" || !word.starts_with("--")) break;
        const auto option = std::ranges::find(anyForm, word, &OptionSpec::name);
        if (option != anyForm.end() && option->takesValue()) ++at;
    }
    if (at < arguments.size() && arguments[at] == "--") ++at;
    const std::string_view given = at < arguments.size() ? arguments[at] : std::string_view();
    const CommandForm* form = given.empty() ? nullptr : findForm(command, given);
    if (!form) {
        const std::vector<std::string_view> names = subcommandNames(command);
        std::string list;
        for (std::size_t i = 0; i < names.size(); ++i) {
            list += std::string(i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + std::string(names[i]);
        }
        return usage("expected " + list + " after " + std::string(command.name) + didYouMean(given, names));
    }
    std::vector<std::string_view> rest(arguments.begin(), arguments.end());
    rest.erase(rest.begin() + static_cast<std::ptrdiff_t>(at));
    auto scanned = scanArguments(rest, form->options);
    if (auto* error = std::get_if<UsageError>(&scanned)) return std::move(*error);
    return ScannedForm{form, std::get<ScannedArguments>(std::move(scanned))};
}

}  // namespace qx4::commands
