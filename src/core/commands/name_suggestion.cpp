#include "core/commands/name_suggestion.h"

#include <algorithm>
#include <vector>

namespace qx4::commands {
namespace {

char folded(char c) {
    if (c == '-') return '_';
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Edits between the two, a swap of neighbours counting as one (optimal string alignment).
std::size_t editDistance(std::string_view a, std::string_view b) {
    const std::size_t width = b.size() + 1;
    std::vector<std::size_t> d((a.size() + 1) * width);
    const auto at = [&](std::size_t i, std::size_t j) -> std::size_t& { return d[i * width + j]; };
    for (std::size_t i = 0; i <= a.size(); ++i) at(i, 0) = i;
    for (std::size_t j = 0; j <= b.size(); ++j) at(0, j) = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const bool same = folded(a[i - 1]) == folded(b[j - 1]);
            at(i, j) = std::min({at(i - 1, j) + 1, at(i, j - 1) + 1, at(i - 1, j - 1) + (same ? 0 : 1)});
            if (i > 1 && j > 1 && folded(a[i - 1]) == folded(b[j - 2]) && folded(a[i - 2]) == folded(b[j - 1])) {
                at(i, j) = std::min(at(i, j), at(i - 2, j - 2) + 1);
            }
        }
    }
    return at(a.size(), b.size());
}

}  // namespace

std::optional<std::string_view> closestName(std::string_view typed, std::span<const std::string_view> candidates) {
    const std::size_t allowed = std::max<std::size_t>(1, typed.size() / 3);
    std::optional<std::string_view> closest;
    std::size_t closestDistance = allowed + 1;
    for (const std::string_view candidate : candidates) {
        // Far longer or shorter names cannot be near; this also bounds the table for long input.
        const std::size_t gap = std::max(candidate.size(), typed.size()) - std::min(candidate.size(), typed.size());
        if (gap > allowed) continue;
        const std::size_t distance = editDistance(typed, candidate);
        if (distance < closestDistance) {
            closest = candidate;
            closestDistance = distance;
        }
    }
    return closest;
}

std::string didYouMean(std::string_view typed, std::span<const std::string_view> candidates) {
    const auto closest = closestName(typed, candidates);
    return closest ? "; did you mean '" + std::string(*closest) + "'?" : std::string();
}

}  // namespace qx4::commands
