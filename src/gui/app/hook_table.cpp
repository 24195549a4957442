#include "gui/app/hook_table.h"

#include <dlfcn.h>

#include "core/device/driver_library.h"

namespace qx4::gui {

namespace {
template <typename Function>
void resolve(void* module, const char* name, Function& entry) {
    entry = reinterpret_cast<Function>(dlsym(module, name));
}
}  // namespace

bool bindHookLibrary(HookTable& table, const std::string& fileName, std::string* error) {
    table = HookTable{};
    const auto path = findPlugin(fileName);
    if (!path) {
        if (error) *error = fileName + " not found";
        return false;
    }
    void* module = dlopen(path->c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        if (error) *error = dlerror();
        return false;
    }
    table.module = module;
    resolve(module, "installmousehook", table.installmousehook);
    resolve(module, "removemousehook", table.removemousehook);
    resolve(module, "enablemousehook", table.enablemousehook);
    resolve(module, "installhook", table.installhook);
    resolve(module, "removehook", table.removehook);
    resolve(module, "enablehook", table.enablehook);
    resolve(module, "mousewheelenable", table.mousewheelenable);
    return true;
}

void releaseHookLibrary(HookTable& table) {
    if (table.removemousehook) table.removemousehook();
    if (table.removehook) table.removehook();
    if (table.module) dlclose(table.module);
    table = HookTable{};
}

}  // namespace qx4::gui
