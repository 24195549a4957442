#include "core/rules/rules_command.h"

#include "core/config/device_config.h"

namespace qx4 {
namespace {

RulesCommandOutcome wrongUse(std::string why) { return {2, {}, std::move(why), false}; }

std::optional<int> profileArgument(std::string_view text) {
    if (text.size() != 1 || text[0] < '1' || text[0] > '0' + kProfileCount) return std::nullopt;
    return text[0] - '1';
}

std::string listing(const FocusRules& rules) {
    std::string out = std::string("follow: ") + (rules.follow ? "on" : "off") + "\ndefault: " +
                      (rules.defaultProfile ? std::to_string(*rules.defaultProfile + 1) : std::string("keep")) + "\n";
    for (const FocusRule& rule : rules.rules) out += rule.app + " -> " + std::to_string(rule.profile + 1) + "\n";
    return out;
}

}  // namespace

RulesCommandOutcome runRulesCommand(const std::vector<std::string_view>& arguments, FocusRules& rules) {
    if (arguments.size() < 2) return wrongUse("say list, add APP PROFILE, remove APP, default keep|N, on or off");
    const std::string_view action = arguments[1];
    const std::size_t count = arguments.size() - 2;
    if (action == "list" && count == 0) return {0, listing(rules), {}, false};
    if ((action == "on" || action == "off") && count == 0) {
        rules.follow = action == "on";
        return {0, {}, {}, true};
    }
    if (action == "default" && count == 1) {
        if (arguments[2] == "keep") {
            rules.defaultProfile.reset();
        } else if (const auto profile = profileArgument(arguments[2])) {
            rules.defaultProfile = *profile;
        } else {
            return wrongUse("the default is keep or a profile 1-5, not '" + std::string(arguments[2]) + "'");
        }
        return {0, {}, {}, true};
    }
    if (action == "add" && count == 2) {
        if (!isRuleAppName(arguments[2])) {
            return wrongUse("'" + std::string(arguments[2]) + "' cannot name an application (one line, no '=' or leading '#')");
        }
        const auto profile = profileArgument(arguments[3]);
        if (!profile) return wrongUse("the profile is 1-5, not '" + std::string(arguments[3]) + "'");
        rules.set(arguments[2], *profile);
        return {0, {}, {}, true};
    }
    if (action == "remove" && count == 1) {
        if (!rules.remove(arguments[2])) return {1, {}, "no rule for '" + std::string(arguments[2]) + "'", false};
        return {0, {}, {}, true};
    }
    return wrongUse("say list, add APP PROFILE, remove APP, default keep|N, on or off");
}

}  // namespace qx4
