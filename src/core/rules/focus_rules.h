// The rules that make a profile follow the application in front, and their file.
//
// "rules.conf" is plain text a person may edit; blank lines and lines starting with '#' are
// skipped:
//   follow = on                 automatic switching on or off
//   default = keep              an application without a rule keeps the profile; or 1..5
//   app steam_app_730 = 2       this application selects profile 2 (the first matching line wins)
// An application is named by any of the names the desktop knows of it: a part of its X11 window
// class, its program's file name, or its Wayland application id; names match without regard to
// case.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qx4 {

struct FocusRule {
    std::string app;
    int profile = 0;  // 0-based

    bool operator==(const FocusRule&) const = default;
};

struct FocusRules {
    bool follow = true;
    std::optional<int> defaultProfile;  // 0-based; none: keep the profile
    std::vector<FocusRule> rules;

    bool operator==(const FocusRules&) const = default;

    // The profile for an application known by `names`; none when it keeps the profile.
    std::optional<int> profileFor(const std::vector<std::string>& names) const;
    // The rule naming `app` (regardless of case), or rules.end().
    std::vector<FocusRule>::iterator find(std::string_view app);
    // Adds the rule at the end, or gives an existing rule for `app` the new profile in its place.
    void set(std::string_view app, int profile);
    // False when no rule names `app`.
    bool remove(std::string_view app);
};

// An application name a rule can hold: not empty, one line, no '=' and no leading '#'.
bool isRuleAppName(std::string_view app);

// $QX4_DATA_DIR/rules.conf when that is set (beside the data files the tests and qx4ctl point at),
// else $XDG_CONFIG_HOME/qx4-config/rules.conf, else ~/.config/qx4-config/rules.conf.
std::filesystem::path rulesFilePath();

std::string formatRules(const FocusRules& rules);

struct RulesParse {
    FocusRules rules;
    int badLine = 0;  // 1-based number of the first line that is not a rule; 0: all of them are
};
RulesParse parseRules(std::string_view text);

struct RulesLoad {
    FocusRules rules;        // what the file holds; without a usable file: no rule, following on
    std::string problem;     // why the file could not be used, for the user; empty when it could
    std::filesystem::path keptCopy;  // where a damaged file was copied to before it may be replaced
    bool replaceable = true;  // false: nothing else holds what the file holds (unread, or no copy)
};
// A missing file is no rule and no problem. A damaged one is copied whole aside to
// "rules.conf.damaged" and reported; the program then runs without rules. A UTF-8 byte-order mark
// at the start is taken as an editor writes it.
RulesLoad loadRules(const std::filesystem::path& file = rulesFilePath());

// Written atomically; empty on success, else why it failed. A file that is there but could not be
// read whole, or whose damage could not be kept aside, is not replaced.
std::string saveRules(const FocusRules& rules, const std::filesystem::path& file = rulesFilePath());

}  // namespace qx4
