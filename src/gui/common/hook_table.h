// The input-hook library ("Hook.so"), bound by name at run time. A missing library or entry point leaves
// its pointer null; callers call only what is bound, so the program then simply captures nothing.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/abi/qx4_hook.h"
#include "core/device/plugin_library.h"

namespace qx4::gui {

inline constexpr const char* kHookLibraryFile = "Hook.so";

struct HookTable {
    void* module = nullptr;
    qx4_installmousehook_fn installmousehook = nullptr;
    qx4_removemousehook_fn removemousehook = nullptr;
    qx4_enablemousehook_fn enablemousehook = nullptr;
    qx4_installhook_fn installhook = nullptr;
    qx4_removehook_fn removehook = nullptr;
    qx4_enablehook_fn enablehook = nullptr;
    qx4_mousewheelenable_fn mousewheelenable = nullptr;
    qx4_installtimedhook_fn installtimedhook = nullptr;  // optional
    qx4_hookcapturescope_fn hookcapturescope = nullptr;  // optional

    // The binding table: each entry point by the name the library exports it under.
    std::array<EntryPointSlot, 9> entryPoints() {
        return {{{"installmousehook", installmousehook}, {"removemousehook", removemousehook},
                 {"enablemousehook", enablemousehook}, {"installhook", installhook}, {"removehook", removehook},
                 {"enablehook", enablehook}, {"mousewheelenable", mousewheelenable},
                 {"installtimedhook", installtimedhook}, {"hookcapturescope", hookcapturescope}}};
    }
};

// Loads the library found by the plug-in search (the program's folder first) and resolves the
// entry points of its table. False, with the table left empty, when the library cannot be loaded; the
// loader's reason is written to `error`.
bool bindHookLibrary(HookTable& table, const std::string& fileName, std::string* error = nullptr);

// Ends capture ("removemousehook", then "removehook", each only when bound) and unloads the library.
void releaseHookLibrary(HookTable& table);

}  // namespace qx4::gui
