#include "core/rules/focus_rules.h"

#include <algorithm>
#include <cstdlib>
#include <span>

#include "core/config/atomic_file.h"
#include "core/config/device_config.h"

namespace qx4 {
namespace {

namespace fs = std::filesystem;

// Far more than anyone keeps, and more than qx4ctl lets the rules grow to (saveRules), so that
// whatever was written is read back.
constexpr std::size_t kMaxRulesFileBytes = 16 * 1024 * 1024;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool sameName(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

std::string_view trimmed(std::string_view text) {
    const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.empty() && space(text.front())) text.remove_prefix(1);
    while (!text.empty() && space(text.back())) text.remove_suffix(1);
    return text;
}

std::optional<int> profileNumber(std::string_view text) {
    if (text.size() != 1 || text[0] < '1' || text[0] > '0' + kProfileCount) return std::nullopt;
    return text[0] - '1';
}

fs::path environmentFolder(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value != '/') return {};
    return value;
}

// One line into `rules`; false when it is not a rule.
bool parseLine(std::string_view line, FocusRules& rules) {
    line = trimmed(line);
    if (line.empty() || line.front() == '#') return true;
    const std::size_t equals = line.rfind('=');
    if (equals == std::string_view::npos) return false;
    const std::string_view key = trimmed(line.substr(0, equals));
    const std::string_view value = trimmed(line.substr(equals + 1));
    if (key == "follow") {
        if (value != "on" && value != "off") return false;
        rules.follow = value == "on";
        return true;
    }
    if (key == "default") {
        if (value == "keep") {
            rules.defaultProfile.reset();
            return true;
        }
        rules.defaultProfile = profileNumber(value);
        return rules.defaultProfile.has_value();
    }
    if (!key.starts_with("app ") && !key.starts_with("app\t")) return false;
    const std::string_view app = trimmed(key.substr(4));
    const std::optional<int> profile = profileNumber(value);
    if (!isRuleAppName(app) || !profile) return false;
    rules.set(app, *profile);
    return true;
}

}  // namespace

std::optional<int> FocusRules::profileFor(const std::vector<std::string>& names) const {
    for (const FocusRule& rule : rules) {
        if (std::ranges::any_of(names, [&](const std::string& name) { return sameName(name, rule.app); })) {
            return rule.profile;
        }
    }
    return defaultProfile;
}

std::vector<FocusRule>::iterator FocusRules::find(std::string_view app) {
    return std::ranges::find_if(rules, [app](const FocusRule& rule) { return sameName(rule.app, app); });
}

void FocusRules::set(std::string_view app, int profile) {
    if (const auto rule = find(app); rule != rules.end()) {
        rule->profile = profile;
    } else {
        rules.push_back({std::string(app), profile});
    }
}

bool FocusRules::remove(std::string_view app) {
    const auto rule = find(app);
    if (rule == rules.end()) return false;
    rules.erase(rule);
    return true;
}

bool isRuleAppName(std::string_view app) {
    return !app.empty() && app == trimmed(app) && app.front() != '#' &&
           app.find_first_of("=\n") == std::string_view::npos;
}

fs::path rulesFilePath() {
    if (const fs::path data = environmentFolder("QX4_DATA_DIR"); !data.empty()) return data / "rules.conf";
    fs::path config = environmentFolder("XDG_CONFIG_HOME");
    if (config.empty()) {
        const fs::path home = environmentFolder("HOME");
        config = home.empty() ? fs::path("/tmp") : home / ".config";
    }
    return config / "qx4-config" / "rules.conf";
}

std::string formatRules(const FocusRules& rules) {
    std::string text =
        "# qx4-config: the profile follows the application in front.\n"
        "# follow = on|off, default = keep|1-5, and one \"app NAME = PROFILE\" line per application\n"
        "# (its window class, program file name or Wayland app id); the first matching line wins.\n";
    text += std::string("follow = ") + (rules.follow ? "on" : "off") + "\n";
    text += "default = " + (rules.defaultProfile ? std::to_string(*rules.defaultProfile + 1) : std::string("keep")) + "\n";
    for (const FocusRule& rule : rules.rules) text += "app " + rule.app + " = " + std::to_string(rule.profile + 1) + "\n";
    return text;
}

RulesParse parseRules(std::string_view text) {
    RulesParse parse;
    int number = 0;
    while (!text.empty()) {
        ++number;
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!parseLine(line, parse.rules)) {
            parse.badLine = number;
            parse.rules = {};
            return parse;
        }
    }
    return parse;
}

RulesLoad loadRules(const fs::path& file) {
    const FileRead read = readRegularFile(file, kMaxRulesFileBytes + 1);
    RulesLoad load;
    if (read.status == ReadStatus::missing) return load;
    if (read.status != ReadStatus::read) {
        load.problem = file.string() + " could not be read" +
                       (read.error ? ": " + read.error.message() : std::string(" (not a regular file)"));
        load.replaceable = false;
        return load;
    }
    if (read.size > kMaxRulesFileBytes) {
        load.problem = file.string() + " is larger than " + std::to_string(kMaxRulesFileBytes >> 20) +
                       " MiB, which no rules file is; it is left as it is";
        load.replaceable = false;
        return load;
    }
    std::string_view text(reinterpret_cast<const char*>(read.bytes.data()), read.bytes.size());
    if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
    const RulesParse parse = parseRules(text);
    if (parse.badLine == 0) {
        load.rules = parse.rules;
        return load;
    }
    fs::path copy = file;
    copy += ".damaged";
    std::error_code reason;
    load.problem = file.string() + " line " + std::to_string(parse.badLine) + " is not a rule";
    if (writeFileAtomically(copy, read.bytes, FileUse::dataFile, &reason)) {
        load.keptCopy = copy;
        load.problem += "; the file is kept as " + copy.string();
    } else {
        load.problem += ", and it could not be kept as " + copy.string() + " (" + reason.message() +
                        "), so it is not replaced";
        load.replaceable = false;
    }
    return load;
}

std::string saveRules(const FocusRules& rules, const fs::path& file) {
    const std::string text = formatRules(rules);
    if (text.size() > kMaxRulesFileBytes) {
        return "the rules would be longer than " + std::to_string(kMaxRulesFileBytes >> 20) + " MiB";
    }
    // What the file holds now is kept aside first when it is no rules file this could read back.
    if (const RulesLoad now = loadRules(file); !now.replaceable) return now.problem;
    const FileReplacement replacement{file, std::as_bytes(std::span(text))};
    const FilesWriteResult result = writeFilesAtomically(std::span(&replacement, 1));
    if (!result.error) return {};
    return file.string() + " could not be written: " + result.error.message();
}

}  // namespace qx4
