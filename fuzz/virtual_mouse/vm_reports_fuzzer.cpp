// The virtual mouse's report decoder. Whatever reports come, over either link and between presses
// of its buttons, every report is counted once as taken or refused, what it takes leaves every
// profile, level, interval and macro slot in range, and what it prints stays printable.
#include <span>
#include <string>

#include "core/device/report_formats.h"
#include "mouse_model.h"
#include "require.h"

namespace {

using namespace qx4::vm;
using qx4::fuzz::require;

bool printable(const std::string& text) {
    for (const char c : text) {
        if (c != '\n' && (c < 0x20 || c > 0x7E)) return false;
    }
    return true;
}

void checkInRange(const MouseModel& mouse) {
    require(mouse.activeProfile() >= 1 && mouse.activeProfile() <= MouseModel::kProfiles, "active profile 1-5");
    for (int number = 1; number <= MouseModel::kProfiles; ++number) {
        const ProfileState& profile = mouse.profile(number);
        require(profile.dpi.currentLevel >= 1 && profile.dpi.currentLevel <= 8, "current DPI level 1-8");
        bool knownInterval = false;
        for (const auto interval : qx4::kPollingIntervalCodes) knownInterval |= profile.reportInterval == interval;
        require(knownInterval, "a report interval the mouse knows");
    }
    for (const auto& [slot, macro] : mouse.macros()) {
        require(slot >= 1 && slot <= qx4::macro_report::kMaxSlot, "macro slot 1-120");
        require(macro.pairs.size() <= qx4::macro_report::kMaxPairs, "50 pairs at most");
    }
}

}  // namespace

// The input is a run of records: length, flags (bit 0 the cable rather than the receiver, bit 1
// a DPI press, bit 2 a profile press afterwards), then that many report bytes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MouseModel mouse(MouseModel::Start{.receiver = true, .cable = true});
    const std::span input{data, size};
    int sent = 0;
    for (std::size_t at = 0; at + 2 <= input.size();) {
        const std::size_t length = std::min<std::size_t>(input[at], input.size() - at - 2);
        const std::uint8_t flags = input[at + 1];
        const auto report = input.subspan(at + 2, length);
        at += 2 + length;

        const ReportOutcome outcome = mouse.receiveReport(flags & 1 ? qx4::Link::cable : qx4::Link::receiver, report);
        ++sent;
        require(outcome.verdict != Verdict::unreachable, "both links are plugged and the mouse is awake");
        require(printable(outcome.text), "the verdict's text is printable");
        if (outcome.verdict == Verdict::accepted) {
            const auto format = qx4::reportFormatForCommand(report[0]);
            require(format && format->length == report.size(), "only whole reports of a known format are taken");
        }
        if (flags & 2) mouse.pressDpiButton();
        if (flags & 4) mouse.pressProfileButton();
        checkInRange(mouse);
    }
    require(mouse.accepted() + mouse.rejected() == sent, "every report counted once");
    require(printable(mouse.describe()), "the state text is printable");
    return 0;
}
