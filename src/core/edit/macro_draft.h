// The steps of the macro being edited, apart from the stored record until storeInto(). Steps
// are inserted right after the selected step (at the start when none is selected) and the new
// step becomes the selected one, so a run of insertions keeps its order and a recording into an
// empty draft appends.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "core/config/device_config.h"
#include "core/vocab/keyboard_layout.h"

namespace qx4 {

struct MacroRecord;

// Buttons 1-5 of the click panel and items 0-4 of the step editor's button selector stand for
// these codes, in this order: button 4 is forward, button 5 backward.
inline constexpr std::array<std::uint8_t, 5> kMouseButtonStepCodes{241, 242, 243, 245, 244};

bool isMouseButtonCode(std::uint8_t code);
// The selector item of a mouse-button code; -1 for other codes.
int mouseButtonItem(std::uint8_t code);

// A delay typed for a step or for all steps, in milliseconds.
inline constexpr std::int32_t kShortestTypedDelay = 1;
inline constexpr std::int32_t kLongestTypedDelay = 65535;

class MacroDraft {
public:
    static constexpr std::size_t kCapacity = kMacroActionCapacity;

    // Takes the record's steps (its count limited to 46) and selects the last one.
    void load(const MacroRecord& record);
    // Writes the steps and their count into the record; nothing else of it changes.
    void storeInto(MacroRecord& record) const;

    std::span<const MacroAction> steps() const { return std::span(steps_).first(count_); }
    std::size_t size() const { return count_; }
    bool full() const { return count_ == kCapacity; }
    // The delay a step list shows: the last step's is never played, so it shows 0.
    std::uint16_t shownDelay(std::size_t index) const;
    // Milliseconds the steps take to play: every delay but the last step's.
    std::uint32_t totalDuration() const;

    std::optional<std::size_t> selected() const { return selected_; }
    // An index past the last step selects none.
    void select(std::optional<std::size_t> index);

    // False when the draft is full.
    bool insert(const MacroAction& step);
    // A press and a release of mouse button 1-5, each with the delay. False without two free
    // steps or for another button.
    bool insertClick(int mouseButton, std::uint16_t delay);
    // The selected step; the one after it, or the new last one, is selected next.
    bool removeSelected();
    // Swap the selected step, delay included, with its neighbour; the selection follows it.
    // False at the ends.
    bool moveSelectedUp();
    bool moveSelectedDown();
    void clear();

    // Sets a step's delay as recorded. False for an index past the last step.
    bool setDelay(std::size_t index, std::uint16_t delay);
    // The step editor's delay: stored in the selected step when the text is a number of the typed
    // range and nothing else, and the step is not the last one. Returns the stored delay, or
    // nullopt when nothing was stored.
    std::optional<std::uint16_t> setSelectedDelayFromText(std::u16string_view text);
    // A key captured by the step editor: its code (0 when the key has none), also stored in the
    // selected step when there is one. The step's direction and delay stay.
    std::uint8_t setSelectedKey(std::uintptr_t virtualKey, const KeyboardLayout& layout = usKeyboardLayout());
    // The step editor's button selector (items 0-4). False without a selected step or item.
    bool setSelectedMouseButton(int item);

private:
    std::array<MacroAction, kCapacity> steps_{};
    std::size_t count_ = 0;
    std::optional<std::size_t> selected_;
};

}  // namespace qx4
