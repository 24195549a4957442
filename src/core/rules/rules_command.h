// qx4ctl rules: list, add APP PROFILE, remove APP, default keep|N, on, off. The same words change
// the rules in the running program (handed over like every other change) and, without it, the
// file directly.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/rules/focus_rules.h"

namespace qx4 {

struct RulesCommandOutcome {
    int exitCode = 0;     // 0 done, 1 refused, 2 wrong use
    std::string out;      // what list prints
    std::string error;    // why not, without the program's name
    bool changed = false; // the rules are to be saved
};

// `arguments` start with "rules".
RulesCommandOutcome runRulesCommand(const std::vector<std::string_view>& arguments, FocusRules& rules);

}  // namespace qx4
