// The commands on a profile of the record: the profile bar, the DPI and lighting pages, a binding
// of the button page, and the profile files and reset of the wireless page.
#include <algorithm>
#include <memory>

#include "core/commands/edit_steps.h"
#include "core/commands/printable_text.h"
#include "core/config/atomic_file.h"
#include "core/config/config_file.h"
#include "core/config/record_bytes.h"
#include "core/config/utf16_text.h"
#include "core/device/dpi_steps.h"
#include "core/device/report_formats.h"
#include "core/edit/binding_edit.h"
#include "core/edit/profile_file.h"
#include "core/edit/profile_settings_edit.h"
#include "core/macro/macro_store.h"
#include "core/vocab/function_catalogue.h"
#include "core/vocab/function_wire_table.h"

namespace qx4::commands::detail {
namespace {

constexpr std::uint8_t kLeftClickCode = 1;

std::string dpiText(std::int32_t storedValue) { return std::to_string(effectiveDpi(storedValue)) + " DPI"; }

std::string lightingText(const ProfileSettings& profile) {
    const LightEffectInfo* effect = lightEffect(profile.lightMode);
    std::string text(effect->name);
    if (effect->color) text += ", colour " + colorText(profile.lightColor);
    if (effect->brightness) text += ", brightness " + std::to_string(profile.lightBrightness);
    if (effect->speed) text += ", speed " + std::to_string(profile.lightBreathSpeed);
    if (effect->direction) text += profile.lightDirection == kLightDirectionForward ? ", forward" : ", backward";
    return text;
}

std::string readProblem(const FileRead& file, const std::filesystem::path& path) {
    if (file.status == ReadStatus::notRegularFile) return "cannot read " + path.string() + ": not a regular file";
    if (file.status == ReadStatus::missing) return "cannot read " + path.string() + ": no such file";
    return "cannot read " + path.string() + (file.error ? ": " + file.error.message() : "");
}

// The pages' setters refuse only what the parser refuses already; should one refuse all the
// same, the command says so instead of printing a change it did not make.
StepResult notStored(int index) {
    return refused(profileLabel(index) + " did not take the value; it is left as it was");
}

}  // namespace

StepResult run(const ChooseProfile& action, DeviceConfig& config) {
    config.activeProfile = action.profile;
    return {0, profileLabel(action.profile) + " is active.\n", {}, false};
}

StepResult run(const SetDpiValue& action, ProfileSettings& profile, int index) {
    if (!setDpiValue(profile, action.level, action.storedValue)) return notStored(index);
    return {0,
            profileLabel(index) + ", DPI level " + std::to_string(action.level + 1) + ": " +
                dpiText(action.storedValue) + "\n",
            {},
            false};
}

StepResult run(const SetCurrentDpiLevel& action, ProfileSettings& profile, int index) {
    if (!setCurrentDpiLevel(profile, action.level)) {
        const std::string level = std::to_string(action.level + 1);
        return refused("DPI level " + level + " of profile " + std::to_string(index + 1) +
                       " is off, and the mouse never uses a level that is off; 'qx4ctl dpi --enable " + level +
                       "' switches it on");
    }
    return {0,
            profileLabel(index) + ": DPI level " + std::to_string(action.level + 1) + " is current (" +
                dpiText(profile.dpiValuesX[static_cast<std::size_t>(action.level)]) + ")\n",
            {},
            false};
}

StepResult run(const SetDpiColor& action, ProfileSettings& profile, int index) {
    if (!setDpiColor(profile, action.level, action.color)) return notStored(index);
    return {0,
            profileLabel(index) + ", DPI level " + std::to_string(action.level + 1) + ": colour " +
                colorText(action.color) + "\n",
            {},
            false};
}

StepResult run(const SetDpiLevelOn& action, ProfileSettings& profile, int index) {
    const std::string level = "DPI level " + std::to_string(action.level + 1);
    const std::string ofProfile = " of profile " + std::to_string(index + 1);
    if (!setDpiLevelOn(profile, action.level, action.on)) {
        if (dpiLevelOffLock(profile, action.level) == DpiLevelLock::current) {
            return refused(level + " is the current level" + ofProfile +
                           "; make another level current first (qx4ctl dpi --current LEVEL)");
        }
        return refused(level + " is the only level" + ofProfile +
                       " that is on; switch another on first (qx4ctl dpi --enable LEVEL)");
    }
    const std::string state =
        action.on ? "on, " + dpiText(profile.dpiValuesX[static_cast<std::size_t>(action.level)]) : "off";
    return {0, profileLabel(index) + ", " + level + ": " + state + "\n", {}, false};
}

StepResult run(const SetReportRate& action, ProfileSettings& profile, int index, int activeProfile) {
    if (!setPollingRateIndex(profile, action.index)) return notStored(index);
    // An apply sends the active profile's rate only; another profile's goes with all five.
    return {0,
            profileLabel(index) + ": report rate " +
                std::to_string(kPollingRatesHz[static_cast<std::size_t>(action.index)]) + " Hz\n",
            {},
            index != activeProfile};
}

StepResult run(const SetLighting& action, ProfileSettings& profile, int index) {
    // All of it or nothing: the settings go to a copy first.
    auto lit = std::make_unique<ProfileSettings>(profile);
    const bool taken = setLightEffect(*lit, action.mode) &&
                       (!action.brightness || setLightBrightness(*lit, *action.brightness)) &&
                       (!action.speed || setLightSpeed(*lit, *action.speed)) &&
                       (!action.direction || setLightDirection(*lit, *action.direction));
    if (!taken) return notStored(index);
    if (action.color) setLightColor(*lit, *action.color);
    profile = *lit;
    return {0, profileLabel(index) + ", lighting: " + lightingText(profile) + "\n", {}, false};
}

StepResult run(const Bind& action, ProfileSettings& profile, int index, const MacroList& macros) {
    ButtonBinding binding = profile.buttons[static_cast<std::size_t>(action.button)];
    bool assigned = true;
    switch (action.kind) {
    case Bind::Kind::function:
        assigned = assignCatalogueFunction(binding, action.functionCode);
        break;
    case Bind::Kind::keys:
        assigned = assignKeyCombination(binding, action.keys.modifierMask, action.keys.keyCode);
        break;
    case Bind::Kind::defaultFunction:
        assignDefaultFunction(binding, action.button);
        break;
    case Bind::Kind::macro: {
        const auto position = findMacro(action.macroName, macros);
        if (!position) return refused("no macro is named '" + utf16ToUtf8(action.macroName) + "' (qx4ctl macro list)");
        // The editor restores the repeat mode and count of a binding that plays a macro already.
        const bool playsMacro = binding.functionGroup == static_cast<std::uint8_t>(FunctionGroup::macro);
        const std::int32_t loops = action.loopCount.value_or(playsMacro ? binding.macroLoopCount : 1);
        // A kept mode the mouse cannot take (a damaged or foreign file) becomes "times", the mode
        // a binding starts with.
        assigned = assignMacro(binding, macros, *position,
                               action.repeatMode.value_or(playsMacro ? binding.macroRepeatMode : 0), loops) ||
                   (!action.repeatMode && assignMacro(binding, macros, *position, 0, loops));
        break;
    }
    }
    if (!assigned) return notStored(index);
    if (binding.functionCode != kLeftClickCode && !mayStopBeingLeftClick(profile, action.button)) {
        return refused("button " + std::to_string(action.button + 1) + " is the only left click of profile " +
                       std::to_string(index + 1) + "; bind another button to left_click first");
    }
    profile.buttons[static_cast<std::size_t>(action.button)] = binding;
    return {0,
            profileLabel(index) + ", button " + std::to_string(action.button + 1) + ": " + bindingText(binding) + "\n",
            {},
            true};
}

StepResult run(const ImportProfile& action, Workspace workspace, int index) {
    const FileRead file = readRegularFile(action.file, kProfileFileSize);
    if (file.status != ReadStatus::read) return refused(readProblem(file, action.file));
    if (file.size != kProfileFileSize) {
        return refused(action.file.string() + " is not a profile file: it holds " + std::to_string(file.size) +
                       " bytes, not " + std::to_string(kProfileFileSize));
    }
    ProfileSettings incoming{};
    overlayRecord(incoming, file.bytes);
    const bool carriesMacros = std::ranges::any_of(
        incoming.buttons, [](const ButtonBinding& binding) { return binding.functionCode == kMacroFunctionCode; });
    if (const auto refusal = refusalToAddMacro(workspace.macros); refusal && carriesMacros) {
        return refused(*refusal == MacroRefusal::storeFull ? "the macro library is full"
                                                           : macroFilePath().string() + " could not be read whole");
    }

    const std::size_t macrosBefore = workspace.macros.size();
    const std::int32_t active = workspace.config.activeProfile;
    workspace.config.activeProfile = index;
    importProfileImage(workspace.config, workspace.macros, file.bytes, utf8ToUtf16(action.file.stem().string()));
    workspace.config.activeProfile = active;

    std::string out = profileLabel(index) + " read from " + action.file.string() + "\n";
    for (std::size_t position = macrosBefore; position < workspace.macros.size(); ++position) {
        out += "Macro added: " + printable(macroNameText(workspace.macros.at(position).name)) + "\n";
    }
    return {0, out, {}, true};
}

StepResult run(const ExportProfile& action, const ProfileSettings& profile, int index) {
    std::error_code reason;
    if (!exportProfile(profile, action.file, &reason)) return refused(cannotWrite(action.file, reason));
    return {0, profileLabel(index) + " written to " + action.file.string() + "\n", {}, false};
}

StepResult run(const ResetConfiguration&, DeviceConfig& config) {
    applyDefaults(config);
    return {0, "Every profile holds its defaults again; profile 1 is active.\n", {}, true};
}

}  // namespace qx4::commands::detail
