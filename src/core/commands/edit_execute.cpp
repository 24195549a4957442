#include <memory>

#include "core/commands/edit_command.h"
#include "core/commands/edit_steps.h"
#include "core/config/record_bytes.h"
#include "core/device/reports.h"
#include "core/macro/macro_store.h"

namespace qx4::commands {
namespace detail {

StepResult refused(std::string why) { return {1, {}, std::move(why), false}; }

std::string profileLabel(int profile) { return "Profile " + std::to_string(profile + 1); }

}  // namespace detail

namespace {

template <typename... Handlers>
struct Overloaded : Handlers... {
    using Handlers::operator()...;
};
// Spelled out for compilers that do not yet deduce an aggregate's bases.
template <typename... Handlers>
Overloaded(Handlers...) -> Overloaded<Handlers...>;

detail::StepResult runAction(const EditCommand& command, Workspace workspace) {
    const int index = command.profile.value_or(activeProfileIndex(workspace.config));
    ProfileSettings& profile = workspace.config.profiles[static_cast<std::size_t>(index)];
    return std::visit(
        Overloaded{
            [&](const ChooseProfile& action) { return detail::run(action, workspace.config); },
            [&](const ResetConfiguration& action) { return detail::run(action, workspace.config); },
            [&](const Bind& action) { return detail::run(action, profile, index, workspace.macros); },
            [&](const ImportProfile& action) { return detail::run(action, workspace, index); },
            [&](const ExportProfile& action) { return detail::run(action, profile, index); },
            [&](const AddMacro& action) { return detail::run(action, workspace); },
            [&](const RenameMacro& action) { return detail::run(action, workspace); },
            [&](const DeleteMacro& action) { return detail::run(action, workspace); },
            [&](const ImportMacro& action) { return detail::run(action, workspace); },
            [&](const ExportMacro& action) { return detail::run(action, workspace); },
            [&](const SetMacroSteps& action) { return detail::run(action, workspace); },
            [&](const SetReportRate& action) {
                return detail::run(action, profile, index, activeProfileIndex(workspace.config));
            },
            [&](const auto& profileAction) { return detail::run(profileAction, profile, index); },
        },
        command.action);
}

}  // namespace

EditOutcome executeEdit(const EditCommand& command, Workspace workspace) {
    const auto recordBefore = std::make_unique<DeviceConfig>(workspace.config);
    const std::vector<std::byte> macrosBefore = encodeMacroStore(workspace.macros);

    detail::StepResult step = runAction(command, workspace);
    EditOutcome outcome{step.exitCode, std::move(step.out), std::move(step.error), {}};
    if (outcome.exitCode != 0) return outcome;

    Effects& effects = outcome.effects;
    effects.recordChanged = !std::ranges::equal(recordBytes(*recordBefore), recordBytes(workspace.config));
    effects.macrosChanged = encodeMacroStore(workspace.macros) != macrosBefore;
    effects.reset = std::holds_alternative<ResetConfiguration>(command.action);
    effects.profileChosen = std::holds_alternative<ChooseProfile>(command.action);
    effects.applyAsked = command.applyNow;
    // The profile bar sends a chosen profile at once; everything else goes with --apply, as much
    // of it as the page would send.
    if (command.applyNow || effects.profileChosen) {
        effects.apply = step.fullDownload ? ApplyKind::full : ApplyKind::incremental;
    }
    return outcome;
}

std::string cannotWrite(const std::filesystem::path& file, std::error_code reason) {
    return "cannot write " + file.string() + (reason ? ": " + reason.message() : std::string());
}

std::string saveFailureText(const DataFilesSave& save) {
    const std::string failed = cannotWrite(save.failed, save.error);
    if (save.saved.empty()) return failed + "; nothing was changed";
    return "saved " + save.saved.string() + ", but " + failed;
}

void addSendResult(EditOutcome& outcome, const SendResult& result) {
    std::string problem;
    switch (result.kind) {
    case SendResult::Kind::sent:
        if (result.failed == 0) {
            outcome.out += "Sent to the mouse: " + std::to_string(result.sent) + " reports.\n";
            return;
        }
        problem = "the mouse did not take " + std::to_string(result.failed) + " of " +
                  std::to_string(result.sent + result.failed) + " reports";
        break;
    case SendResult::Kind::noMouse:
        problem = "no mouse found on the receiver or the cable";
        break;
    case SendResult::Kind::asleep:
        problem = "the mouse is asleep: move it or press one of its buttons to wake it";
        break;
    case SendResult::Kind::unavailable:
        problem = "the program is ending";
        break;
    }
    outcome.error = "saved, but not sent: " + problem + "; 'qx4ctl apply' sends it";
    if (outcome.effects.applyAsked) outcome.exitCode = 1;
}

}  // namespace qx4::commands
