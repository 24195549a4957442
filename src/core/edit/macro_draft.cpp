#include "core/edit/macro_draft.h"

#include <algorithm>
#include <numeric>

#include "core/edit/captured_input.h"
#include "core/edit/decimal_text.h"
#include "core/macro/macro_record.h"

namespace qx4 {
bool isMouseButtonCode(std::uint8_t code) { return mouseButtonItem(code) >= 0; }

int mouseButtonItem(std::uint8_t code) {
    const auto found = std::ranges::find(kMouseButtonStepCodes, code);
    return found == kMouseButtonStepCodes.end() ? -1 : static_cast<int>(found - kMouseButtonStepCodes.begin());
}

void MacroDraft::load(const MacroRecord& record) {
    steps_ = record.actions;
    count_ = static_cast<std::size_t>(std::clamp<std::int32_t>(record.actionCount, 0, kCapacity));
    selected_.reset();
    if (count_ > 0) selected_ = count_ - 1;
}

void MacroDraft::storeInto(MacroRecord& record) const {
    record.actions = steps_;
    record.actionCount = static_cast<std::int32_t>(count_);
}

std::uint16_t MacroDraft::shownDelay(std::size_t index) const {
    return index + 1 < count_ ? steps_[index].delay : 0;
}

std::uint32_t MacroDraft::totalDuration() const {
    if (count_ == 0) return 0;
    return std::accumulate(steps_.begin(), steps_.begin() + static_cast<std::ptrdiff_t>(count_ - 1), std::uint32_t{0},
                           [](std::uint32_t sum, const MacroAction& step) { return sum + step.delay; });
}

void MacroDraft::select(std::optional<std::size_t> index) {
    selected_ = index && *index < count_ ? index : std::nullopt;
}

bool MacroDraft::insert(const MacroAction& step) {
    if (full()) return false;
    const std::size_t position = selected_ ? *selected_ + 1 : 0;
    const auto begin = steps_.begin() + static_cast<std::ptrdiff_t>(position);
    std::copy_backward(begin, steps_.begin() + static_cast<std::ptrdiff_t>(count_),
                       steps_.begin() + static_cast<std::ptrdiff_t>(count_ + 1));
    *begin = step;
    ++count_;
    selected_ = position;
    return true;
}

bool MacroDraft::insertClick(int mouseButton, std::uint16_t delay) {
    if (mouseButton < 1 || mouseButton > static_cast<int>(kMouseButtonStepCodes.size())) return false;
    if (kCapacity - count_ < 2) return false;
    const std::uint8_t code = kMouseButtonStepCodes[static_cast<std::size_t>(mouseButton - 1)];
    insert({code, kMacroActionPress, delay});
    insert({code, kMacroActionRelease, delay});
    return true;
}

bool MacroDraft::removeSelected() {
    if (!selected_) return false;
    const auto at = steps_.begin() + static_cast<std::ptrdiff_t>(*selected_);
    std::copy(at + 1, steps_.begin() + static_cast<std::ptrdiff_t>(count_), at);
    steps_[--count_] = {};
    if (count_ == 0) {
        selected_.reset();
    } else {
        selected_ = std::min(*selected_, count_ - 1);
    }
    return true;
}

bool MacroDraft::moveSelectedUp() {
    if (!selected_ || *selected_ == 0) return false;
    std::swap(steps_[*selected_], steps_[*selected_ - 1]);
    --*selected_;
    return true;
}

bool MacroDraft::moveSelectedDown() {
    if (!selected_ || *selected_ + 1 >= count_) return false;
    std::swap(steps_[*selected_], steps_[*selected_ + 1]);
    ++*selected_;
    return true;
}

void MacroDraft::clear() {
    steps_.fill({});
    count_ = 0;
    selected_.reset();
}

bool MacroDraft::setDelay(std::size_t index, std::uint16_t delay) {
    if (index >= count_) return false;
    steps_[index].delay = delay;
    return true;
}

std::optional<std::uint16_t> MacroDraft::setSelectedDelayFromText(std::u16string_view text) {
    // The last step's delay is never played, so it stays as it is.
    if (!selected_ || *selected_ + 1 >= count_) return std::nullopt;
    const auto delay = numberWithin(text, kShortestTypedDelay, kLongestTypedDelay);
    if (!delay) return std::nullopt;
    steps_[*selected_].delay = static_cast<std::uint16_t>(*delay);
    return steps_[*selected_].delay;
}

std::uint8_t MacroDraft::setSelectedKey(std::uintptr_t virtualKey, const KeyboardLayout& layout) {
    const std::uint8_t code = capturedKeyCode(virtualKey, layout);
    if (selected_) steps_[*selected_].code = code;
    return code;
}

bool MacroDraft::setSelectedMouseButton(int item) {
    if (!selected_ || item < 0 || item >= static_cast<int>(kMouseButtonStepCodes.size())) return false;
    steps_[*selected_].code = kMouseButtonStepCodes[static_cast<std::size_t>(item)];
    return true;
}

}  // namespace qx4
