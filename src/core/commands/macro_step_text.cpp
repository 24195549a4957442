#include "core/commands/macro_step_text.h"

#include <charconv>

#include "core/commands/script_names.h"

namespace qx4::commands {
namespace {

constexpr std::string_view kBlanks = " \t";

std::string_view trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// Splits off the last word of `text`, which keeps the rest.
std::string_view lastWord(std::string_view& text) {
    const std::size_t blank = text.find_last_of(kBlanks);
    const std::string_view word = blank == std::string_view::npos ? text : text.substr(blank + 1);
    text = trimmed(blank == std::string_view::npos ? std::string_view() : text.substr(0, blank));
    return word;
}

std::optional<std::uint16_t> readDelay(std::string_view word) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc{} || end != word.data() + word.size() || value > 0xFFFF) return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

bool startsWithDigit(std::string_view word) { return !word.empty() && word.front() >= '0' && word.front() <= '9'; }

// One step; the reason in `problem` when it is not one.
std::optional<MacroAction> parseStep(std::string_view text, bool last, std::string& problem) {
    std::string_view rest = text;
    std::string_view word = lastWord(rest);
    MacroAction step{0, 0, 0};
    // A key named by digits only stands before "down" or "up", so a final number is a pause.
    if (startsWithDigit(word) && !rest.empty()) {
        const auto delay = readDelay(word);
        if (!delay) {
            problem = "'" + std::string(text) + "': the pause must be 0-65535 milliseconds";
            return std::nullopt;
        }
        step.delay = *delay;
        word = lastWord(rest);
    } else if (!last) {
        problem = "'" + std::string(text) + "' needs the pause after it in milliseconds, as in 'C down 20'";
        return std::nullopt;
    }
    if (sameWord(word, "down")) {
        step.kind = kMacroActionPress;
    } else if (sameWord(word, "up")) {
        step.kind = kMacroActionRelease;
    } else {
        problem = "'" + std::string(text) + "' must say 'down' or 'up' after the key";
        return std::nullopt;
    }
    const auto code = keyCodeByName(rest);
    if (!code) {
        problem = "'" + std::string(text) + "': no key is named '" + std::string(rest) + "'";
        return std::nullopt;
    }
    step.code = *code;
    return step;
}

}  // namespace

std::string stepsText(std::span<const MacroAction> steps) {
    std::string text;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        if (i > 0) text += ", ";
        text += keyName(steps[i].code);
        text += steps[i].kind == kMacroActionPress ? " down" : " up";
        if (i + 1 < steps.size()) text += " " + std::to_string(steps[i].delay);
    }
    return text;
}

std::optional<std::vector<MacroAction>> parseStepsText(std::string_view text, std::string& problem) {
    std::vector<MacroAction> steps;
    if (trimmed(text).empty()) return steps;
    for (std::size_t start = 0;;) {
        const std::size_t comma = text.find(',', start);
        const bool last = comma == std::string_view::npos;
        const std::string_view piece = trimmed(text.substr(start, last ? std::string_view::npos : comma - start));
        if (piece.empty()) {
            problem = "step " + std::to_string(steps.size() + 1) + " is empty";
            return std::nullopt;
        }
        if (steps.size() == kMacroActionCapacity) {
            problem = "a macro holds at most " + std::to_string(kMacroActionCapacity) + " steps";
            return std::nullopt;
        }
        const auto step = parseStep(piece, last, problem);
        if (!step) return std::nullopt;
        steps.push_back(*step);
        if (last) return steps;
        start = comma + 1;
    }
}

}  // namespace qx4::commands
