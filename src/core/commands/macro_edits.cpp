// The commands on the macro library, by the macro page's rules: names unique regardless of case and
// at most 23 characters, at most 46 steps, and the bindings that hold a macro refreshed after each
// change, as the page's Save does.
#include "core/commands/edit_steps.h"
#include "core/commands/macro_step_text.h"
#include "core/commands/printable_text.h"
#include "core/config/atomic_file.h"
#include "core/config/config_file.h"
#include "core/config/utf16_text.h"
#include "core/edit/macro_bindings.h"
#include "core/edit/macro_rename.h"
#include "core/macro/macro_store.h"

namespace qx4::commands::detail {
namespace {

std::string shown(std::u16string_view name) { return "'" + printable(name) + "'"; }

std::optional<StepResult> refusalToChange(const MacroList& macros) {
    if (macros.storeProblem() == MacroStoreProblem::none) return std::nullopt;
    return refused(macroFilePath().string() + " could not be read whole, so the macro library is left as it is");
}

std::optional<StepResult> refusalToAdd(const MacroList& macros) {
    if (const auto refusal = refusalToChange(macros)) return refusal;
    if (refusalToAddMacro(macros) == MacroRefusal::storeFull) {
        return refused("the macro library holds " + std::to_string(kMacroStoreCapacity) + " macros, its most");
    }
    return std::nullopt;
}

StepResult noSuchMacro(std::u16string_view name) {
    return refused("no macro is named " + shown(name) + " (qx4ctl macro list)");
}

// What the page's Save does after the library changed: bindings take their macro's new copy, or
// fall back to their default function when it is gone. Sending them means every profile.
// A macro no button plays changes no binding and sends nothing; a rename has moved the bindings
// along already (`changedBefore`).
StepResult refreshBindings(Workspace workspace, std::string out, bool changedBefore = false) {
    const bool changed = reconcileMacroBindings(workspace.config, workspace.macros) || changedBefore;
    return {0, std::move(out), {}, changed};
}

}  // namespace

StepResult run(const AddMacro& action, Workspace workspace) {
    if (const auto refusal = refusalToAdd(workspace.macros)) return *refusal;
    if (macroNameExists(action.name, workspace.macros)) return refused("a macro is named " + shown(action.name) + " already");
    MacroRecord record{};
    record.name = toMacroName(action.name);
    workspace.macros.append(record);
    return {0, printable(action.name) + "\n", {}, false};
}

StepResult run(const RenameMacro& action, Workspace workspace) {
    if (const auto refusal = refusalToChange(workspace.macros)) return *refusal;
    const auto position = findMacro(action.from, workspace.macros);
    if (!position) return noSuchMacro(action.from);
    const MacroRenameResult result = renameMacro(workspace.macros, *position, action.to, workspace.config);
    switch (result.outcome) {
    case MacroRenameOutcome::renamed:
        return refreshBindings(workspace, printable(action.to) + "\n", result.bindingsFollowed > 0);
    case MacroRenameOutcome::unchanged:
        return {0, printable(macroNameText(workspace.macros.at(*position).name)) + "\n", {}, false};
    case MacroRenameOutcome::nameTaken:
        return refused("a macro is named " + shown(action.to) + " already");
    case MacroRenameOutcome::invalidName:
    case MacroRenameOutcome::noMacro:
        break;
    }
    return refused(shown(action.to) + " cannot be a macro's name");
}

StepResult run(const DeleteMacro& action, Workspace workspace) {
    if (const auto refusal = refusalToChange(workspace.macros)) return *refusal;
    const auto position = findMacro(action.name, workspace.macros);
    if (!position) return noSuchMacro(action.name);
    const std::string name = printable(macroNameText(workspace.macros.at(*position).name));
    workspace.macros.remove(*position);
    return refreshBindings(workspace, "Deleted '" + name + "'.\n");
}

StepResult run(const ImportMacro& action, Workspace workspace) {
    if (const auto refusal = refusalToAdd(workspace.macros)) return *refusal;
    const FileRead file = readRegularFile(action.file, kMacroRecordSize);
    if (file.status == ReadStatus::notRegularFile) return refused("cannot read " + action.file.string() + ": not a regular file");
    if (file.status != ReadStatus::read) return refused("cannot read " + action.file.string());
    const auto record = file.size == kMacroRecordSize ? decodeMacroFile(file.bytes) : std::nullopt;
    if (!record) {
        return refused(action.file.string() + " is not a macro file: it holds " + std::to_string(file.size) +
                       " bytes, not " + std::to_string(kMacroRecordSize));
    }
    const MacroRecord& added = appendImportedMacro(*record, utf8ToUtf16(action.file.stem().string()), workspace.macros);
    return {0, printable(macroNameText(added.name)) + "\n", {}, false};
}

StepResult run(const ExportMacro& action, Workspace workspace) {
    const auto position = findMacro(action.name, workspace.macros);
    if (!position) return noSuchMacro(action.name);
    std::error_code reason;
    if (!exportMacroFile(workspace.macros.at(*position), action.file, &reason)) {
        return refused(cannotWrite(action.file, reason));
    }
    return {0, {}, {}, false};
}

StepResult run(const SetMacroSteps& action, Workspace workspace) {
    if (const auto refusal = refusalToChange(workspace.macros)) return *refusal;
    const auto position = findMacro(action.name, workspace.macros);
    if (!position) return noSuchMacro(action.name);
    MacroRecord& macro = workspace.macros.at(*position);
    macro.actions = {};
    std::ranges::copy(action.steps, macro.actions.begin());
    macro.actionCount = static_cast<std::int32_t>(action.steps.size());
    return refreshBindings(workspace, shown(macroNameText(macro.name)) + ": " + stepsText(action.steps) + "\n");
}

}  // namespace qx4::commands::detail
