// Entries for a whole number from a lowest to a highest value. A key that would leave in the entry
// what no number of the range begins with is refused, and the range is shown under the entry at
// once. An entry left without a number of the range gets back the last one it showed, so it never
// shows what nothing stores.
#pragma once

#include <cstdint>
#include <optional>

class QLineEdit;

namespace qx4::gui {

void limitToRange(QLineEdit& entry, std::int32_t lowest, std::int32_t highest);

// The last number of its range the entry showed; none when it never showed one or has no range.
std::optional<std::int32_t> lastNumberShown(const QLineEdit& entry);

}  // namespace qx4::gui
