#include "gui/app/hook_table.h"

#include "core/device/plugin_library.h"

namespace qx4::gui {

bool bindHookLibrary(HookTable& table, const std::string& fileName, std::string* error) {
    table = HookTable{};
    void* module = openPlugin(fileName, error);
    if (!module) return false;
    table.module = module;
    resolveEntryPoint(module, "installmousehook", table.installmousehook);
    resolveEntryPoint(module, "removemousehook", table.removemousehook);
    resolveEntryPoint(module, "enablemousehook", table.enablemousehook);
    resolveEntryPoint(module, "installhook", table.installhook);
    resolveEntryPoint(module, "removehook", table.removehook);
    resolveEntryPoint(module, "enablehook", table.enablehook);
    resolveEntryPoint(module, "mousewheelenable", table.mousewheelenable);
    resolveEntryPoint(module, "installtimedhook", table.installtimedhook);
    return true;
}

void releaseHookLibrary(HookTable& table) {
    if (table.removemousehook) table.removemousehook();
    if (table.removehook) table.removehook();
    closePlugin(table.module);
    table = HookTable{};
}

}  // namespace qx4::gui
