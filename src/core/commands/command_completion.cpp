// What the bash completion offers at a place on the command line, read off the command description.
#include <algorithm>

#include "core/commands/command_grammar.h"
#include "core/edit/profile_settings_edit.h"

namespace qx4::commands {
namespace {

Completion listOf(std::vector<std::string_view> words) { return {ValueKind::words, std::move(words)}; }

Completion ofValue(const ValueSpec& value) {
    std::vector<std::string_view> words;
    if (value.kind == ValueKind::effects) {
        for (const LightEffectInfo& effect : kLightEffects) words.push_back(effect.name);
        return listOf(std::move(words));
    }
    if (value.kind != ValueKind::words) return {value.kind, {}};
    for (std::string_view rest = value.words; !rest.empty();) {
        const std::size_t space = rest.find(' ');
        words.push_back(rest.substr(0, space));
        rest = space == std::string_view::npos ? std::string_view() : rest.substr(space + 1);
    }
    return listOf(std::move(words));
}

}  // namespace

Completion completionFor(std::span<const std::string_view> words) {
    if (words.size() == 1) {
        std::vector<std::string_view> names;
        for (const CommandSpec& command : commandSpecs()) names.push_back(command.name);
        return listOf(std::move(names));
    }
    const CommandSpec* command = words.empty() ? nullptr : findCommandSpec(words.front());
    if (!command) return {};
    const std::vector<OptionSpec> options = allOptions(*command);
    std::vector<std::string_view> positionals;
    bool optionsEnded = false;
    for (std::size_t i = 1; i + 1 < words.size(); ++i) {
        const std::string_view word = words[i];
        if (optionsEnded || !word.starts_with("--")) {
            positionals.push_back(word);
        } else if (word == "--") {
            optionsEnded = true;
        } else if (const auto option = std::ranges::find(options, word, &OptionSpec::name);
                   option != options.end() && option->takesValue()) {
            if (i + 2 == words.size()) return ofValue(option->value);
            ++i;
        }
    }

    const CommandForm* form = nullptr;
    if (!command->hasSubcommands()) form = &command->forms.front();
    else if (!positionals.empty()) form = findForm(*command, positionals.front());
    if (!optionsEnded && words.back().starts_with("-")) {
        std::vector<std::string_view> names;
        for (const OptionSpec& option : form ? std::vector(form->options.begin(), form->options.end()) : options) {
            names.push_back(option.name);
        }
        return listOf(std::move(names));
    }
    if (command->hasSubcommands()) {
        if (positionals.empty()) {
            std::vector<std::string_view> names;
            for (const CommandForm& each : command->forms) names.push_back(each.subcommand);
            return listOf(std::move(names));
        }
        positionals.erase(positionals.begin());
    }
    if (!form || positionals.size() >= form->arguments.size()) return {};
    return ofValue(form->arguments[positionals.size()]);
}

}  // namespace qx4::commands
