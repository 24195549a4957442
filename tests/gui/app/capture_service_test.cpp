// The capture service against a hook table of recording stubs: the calls each kind of capture
// makes, in order, and where captured input goes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/common/capture_service.h"

namespace qx4::gui::test {
namespace {

using Calls = std::vector<std::string>;
using Kind = CaptureService::Kind;
Calls calls;
void note(const std::string& call) { calls.push_back(call); }

HookTable recordingHooks() {
    HookTable hooks;
    hooks.installhook = [](const qx4_message_sink*) { note("installhook"); return 1; };
    hooks.removehook = [] { note("removehook"); };
    hooks.enablehook = [](int on) { note("enablehook(" + std::to_string(on) + ")"); };
    hooks.removemousehook = [] { note("removemousehook"); };
    hooks.enablemousehook = [](int on) { note("enablemousehook(" + std::to_string(on) + ")"); };
    hooks.mousewheelenable = [](int on) { note("mousewheelenable(" + std::to_string(on) + ")"); };
    return hooks;
}

struct Target final : CaptureTarget {
    void capturedInput(const CapturedInput& input) override { keys.push_back(input.wParam); }
    std::vector<std::uintptr_t> keys;
};

TEST(CaptureService, EachKindCallsTheHookLibraryInItsOrderPreferringTheTimedEntryPoint) {
    HookTable hooks = recordingHooks();
    CaptureService service(hooks, {}, {});
    Target target;
    struct Case {
        Kind kind;
        Calls begin, end;
    };
    for (const Case& c : {Case{Kind::buttonKey, {"installhook", "enablehook(1)"}, {"enablehook(0)", "removehook"}},
                          {Kind::macroRecording, {"installhook", "enablehook(1)", "mousewheelenable(0)"},
                           {"removehook", "removemousehook", "enablemousehook(0)", "enablehook(0)", "mousewheelenable(0)"}},
                          {Kind::macroStepKey, {"installhook", "enablehook(1)"}, {"removehook", "enablehook(0)"}}}) {
        calls.clear();
        CaptureService::Capture capture = service.begin(c.kind, target);
        EXPECT_EQ(calls, c.begin);
        EXPECT_TRUE(service.flag(c.kind));
        calls.clear();
        capture.end();
        EXPECT_EQ(calls, c.end);
        EXPECT_FALSE(service.flag(c.kind)) << "an ended capture leaves no flag behind";
    }
    CaptureService::Capture recording = service.begin(Kind::macroRecording, target);
    calls.clear();
    recording.pauseMouse(false);
    recording.pauseMouse(true);
    EXPECT_EQ(calls, (Calls{"enablemousehook(1)", "enablemousehook(0)"}));

    hooks.installtimedhook = [](const qx4_timed_message_sink*) { note("installtimedhook"); return 1; };
    CaptureService timed(hooks, {}, {});
    calls.clear();
    const CaptureService::Capture stepKey = timed.begin(Kind::macroStepKey, target);
    EXPECT_EQ(calls, (Calls{"installtimedhook", "enablehook(1)"}));
}

TEST(CaptureService, InputGoesToTheCurrentCaptureOnlyAndWithoutALibraryTheStateStillChanges) {
    const HookTable hooks = recordingHooks();
    CaptureService service(hooks, {}, {});
    Target first;
    Target second;
    service.deliver({0x41, 0, 1});
    CaptureService::Capture older = service.begin(Kind::buttonKey, first);
    service.deliver({0x42, 0, 2});
    CaptureService::Capture newer = service.begin(Kind::macroStepKey, second);
    EXPECT_FALSE(service.flag(Kind::buttonKey)) << "beginning a capture clears the others' flags";
    older.end();  // late: it must not end the capture that replaced it
    service.deliver({0x43, 0, 3});
    { const CaptureService::Capture moved = std::move(newer); }
    service.deliver({0x44, 0, 4});
    EXPECT_EQ(first.keys, std::vector<std::uintptr_t>{0x42});
    EXPECT_EQ(second.keys, std::vector<std::uintptr_t>{0x43});

    const HookTable none;
    CaptureService without(none, {}, {});
    EXPECT_FALSE(without.available());
    const CaptureService::Capture nothing = without.begin(Kind::macroRecording, first);
    EXPECT_TRUE(without.flag(Kind::macroRecording)) << "the page's state still changes";
}

}  // namespace
}  // namespace qx4::gui::test
