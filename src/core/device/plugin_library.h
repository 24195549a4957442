// Plug-ins (the HID driver libraries and the input-hook library) are module libraries loaded by
// bare file name from the plug-in folders, their C entry points looked up by name.
#pragma once

#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qx4 {

// Where plug-ins are looked for, in order: the running program's folder, the installed plug-in
// folder, then $QX4_PLUGIN_DIR when set. Never the current directory: a relative or empty entry is
// dropped.
std::vector<std::filesystem::path> pluginSearchFolders();
std::optional<std::filesystem::path> findPlugin(std::string_view fileName);

// The module handle, or nullptr with the reason in `error` when it cannot be found or loaded.
void* openPlugin(std::string_view fileName, std::string* error = nullptr);
void closePlugin(void* module);

void* pluginSymbol(void* module, const char* name);

// Fills `entry` with the named entry point, or nullptr when the module lacks it.
template <typename Function>
void resolveEntryPoint(void* module, const char* name, Function& entry) {
    void* symbol = pluginSymbol(module, name);
    // The loader hands back an object pointer; copying its bits is the portable way to a function pointer.
    static_assert(sizeof(symbol) == sizeof(entry));
    std::memcpy(&entry, &symbol, sizeof(entry));
}

}  // namespace qx4
