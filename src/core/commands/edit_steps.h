// Inside the command module: one function per action, each checking everything before it changes
// anything, so a refused command leaves the data as it was.
#pragma once

#include <string>

#include "core/commands/edit_command.h"

namespace qx4::commands::detail {

struct StepResult {
    int exitCode = 0;
    std::string out;
    std::string error;
    bool fullDownload = false;  // the page would send every profile with this change
};

StepResult refused(std::string why);
// "Profile 2"
std::string profileLabel(int profile);

StepResult run(const ChooseProfile& action, DeviceConfig& config);
StepResult run(const SetDpiValue& action, ProfileSettings& profile, int index);
StepResult run(const SetCurrentDpiLevel& action, ProfileSettings& profile, int index);
StepResult run(const SetDpiColor& action, ProfileSettings& profile, int index);
StepResult run(const SetDpiLevelOn& action, ProfileSettings& profile, int index);
StepResult run(const SetReportRate& action, ProfileSettings& profile, int index, int activeProfile);
StepResult run(const SetLighting& action, ProfileSettings& profile, int index);
StepResult run(const Bind& action, ProfileSettings& profile, int index, const MacroList& macros);
StepResult run(const ImportProfile& action, Workspace workspace, int index);
StepResult run(const ExportProfile& action, const ProfileSettings& profile, int index);
StepResult run(const ResetConfiguration& action, DeviceConfig& config);

StepResult run(const AddMacro& action, Workspace workspace);
StepResult run(const RenameMacro& action, Workspace workspace);
StepResult run(const DeleteMacro& action, Workspace workspace);
StepResult run(const ImportMacro& action, Workspace workspace);
StepResult run(const ExportMacro& action, Workspace workspace);
StepResult run(const SetMacroSteps& action, Workspace workspace);

}  // namespace qx4::commands::detail
