// Whole-file reads and writes. A write goes to a fresh temporary file in the target's folder and
// is renamed over the target only once every byte is out, so a crash mid-save leaves either the
// old file or the new one, never a torn mix.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

namespace qx4 {

// Creates the parent folders as needed. False when any step fails; the target is then unchanged
// and no temporary file is left behind.
bool writeFileAtomically(const std::filesystem::path& target, std::span<const std::byte> bytes);

// Up to maxBytes from the start of the file; nullopt when it cannot be opened or read.
std::optional<std::vector<std::byte>> readFilePrefix(const std::filesystem::path& source,
                                                     std::size_t maxBytes);

}  // namespace qx4
