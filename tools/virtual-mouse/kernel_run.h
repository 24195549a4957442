// qx4-virtual-mouse --kernel: a command run with the mouse as emulated kernel devices, so that the
// real driver libraries, as an owner of the mouse runs them, talk to the virtual mouse's model.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "mouse_model.h"

namespace qx4::vm {

struct KernelRunOptions {
    MouseModel::Start start;
    std::optional<std::filesystem::path> logFile;
    std::vector<std::string> command;  // the program and its arguments
};

// Whether this process still lacks umockdev's preload, which it needs before anything else runs.
bool needsPreload();
// Runs this program again with the preload in LD_PRELOAD; returns only when that fails.
int restartPreloaded(char** argv);
// Runs the command beside the emulated devices, with commands for the mouse from standard input;
// the command's exit status (128 + the signal that ended it).
int runWithKernelMouse(const KernelRunOptions& options);

}  // namespace qx4::vm
