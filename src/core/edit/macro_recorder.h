// Recording: captured inputs become steps of a draft, each carrying the pause until the next
// input. A held key's repeated presses are dropped, and the recording stops by itself when the
// draft is full.
#pragma once

#include <cstdint>
#include <optional>

#include "core/edit/captured_input.h"
#include "core/vocab/keyboard_layout.h"

namespace qx4 {

class MacroDraft;

// The macro page's delay buttons, in their order.
enum class DelayMode : std::int32_t {
    recorded = 0,      // the pause that really passed, at most 65,535 ms
    defaultDelay = 1,  // the default-delay entry
    noDelay = 2,       // kNoDelayMs
};

inline constexpr std::uint16_t kNoDelayMs = 2;

// The delay of an inserted click: the default delay in that mode, else kNoDelayMs.
std::uint16_t clickDelay(DelayMode mode, std::uint16_t defaultDelay);

class MacroRecorder {
public:
    // The draft and the layout must outlive the recorder.
    explicit MacroRecorder(MacroDraft& draft, const KeyboardLayout& layout = usKeyboardLayout());

    DelayMode delayMode() const { return mode_; }
    // Takes effect from the next input, also during a recording.
    void setDelayMode(DelayMode mode) { mode_ = mode; }

    // Records after the draft's selected step; without a selection the draft is cleared first.
    // The first input's pause is the time since startedAt (milliseconds on the capture clock).
    void start(std::uint16_t defaultDelay, std::uint64_t startedAt);
    void stop();
    bool recording() const { return recording_; }

    // True when the input became a step. The selected step gets the pause before this input as
    // its delay, the new step the same one until the next input replaces it. Inputs outside a
    // recording and repeats of the previous input change nothing; a full draft stops it.
    bool record(const CapturedInput& input);

private:
    std::uint16_t delayBefore(const CapturedInput& input) const;

    MacroDraft* draft_;
    const KeyboardLayout* layout_;
    DelayMode mode_ = DelayMode::defaultDelay;
    std::uint16_t defaultDelay_ = 0;
    bool recording_ = false;
    std::uint64_t lastInputAt_ = 0;
    std::optional<CapturedInput> lastInput_;
};

}  // namespace qx4
