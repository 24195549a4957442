#include "core/edit/macro_recorder.h"

#include <algorithm>

#include "core/edit/macro_draft.h"

namespace qx4 {

std::uint16_t clickDelay(DelayMode mode, std::uint16_t defaultDelay) {
    return mode == DelayMode::defaultDelay ? defaultDelay : kNoDelayMs;
}

MacroRecorder::MacroRecorder(MacroDraft& draft, const KeyboardLayout& layout) : draft_(&draft), layout_(&layout) {}

void MacroRecorder::start(std::uint16_t defaultDelay, std::uint64_t startedAt) {
    if (!draft_->selected()) draft_->clear();
    defaultDelay_ = defaultDelay;
    lastInputAt_ = startedAt;
    // A filter left from the previous recording would drop this one's first input when it
    // repeats the last input recorded then.
    lastInput_.reset();
    recording_ = true;
}

void MacroRecorder::stop() { recording_ = false; }

bool MacroRecorder::record(const CapturedInput& input) {
    if (!recording_) return false;
    if (lastInput_ && lastInput_->sameAs(input)) return false;
    lastInput_ = input;
    if (draft_->full()) {
        stop();
        return false;
    }

    MacroAction step = capturedStep(input, *layout_);
    step.delay = delayBefore(input);
    if (const auto previous = draft_->selected()) draft_->setDelay(*previous, step.delay);
    draft_->insert(step);
    lastInputAt_ = input.milliseconds;
    if (draft_->full()) stop();
    return true;
}

std::uint16_t MacroRecorder::delayBefore(const CapturedInput& input) const {
    switch (mode_) {
        case DelayMode::recorded: {
            const std::uint64_t elapsed = input.milliseconds > lastInputAt_ ? input.milliseconds - lastInputAt_ : 0;
            return static_cast<std::uint16_t>(std::min<std::uint64_t>(elapsed, 65535));
        }
        case DelayMode::defaultDelay: return defaultDelay_;
        case DelayMode::noDelay: break;
    }
    return kNoDelayMs;
}

}  // namespace qx4
