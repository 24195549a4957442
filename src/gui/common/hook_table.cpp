#include "gui/common/hook_table.h"

namespace qx4::gui {

bool bindHookLibrary(HookTable& table, const std::string& fileName, std::string* error) {
    table = HookTable{};
    table.module = bindPlugin(fileName, table.entryPoints(), error);
    return table.module != nullptr;
}

void releaseHookLibrary(HookTable& table) {
    if (table.removemousehook) table.removemousehook();
    if (table.removehook) table.removehook();
    closePlugin(table.module);
    table = HookTable{};
}

}  // namespace qx4::gui
