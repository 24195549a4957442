// "Did you mean ..." for a mistyped name: a command, option, function or effect.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace qx4::commands {

// The candidate closest to what was typed, when it is near enough to be what was meant: within one
// edit (a letter added, dropped, changed, or two neighbours swapped) for every three characters,
// at least one. Case does not count, nor '-' against '_'. The first of equally close ones wins.
std::optional<std::string_view> closestName(std::string_view typed, std::span<const std::string_view> candidates);

// "; did you mean 'show'?" to end a message with, or nothing when no candidate is near.
std::string didYouMean(std::string_view typed, std::span<const std::string_view> candidates);

}  // namespace qx4::commands
