// Plug-ins (the HID driver libraries and the input-hook library) are module libraries loaded by
// bare file name from the plug-in folders. Each binding is a table of its C entry points by name;
// one loader fills any such table.
#pragma once

#include <cstring>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace qx4 {

// Where plug-ins are looked for, in order: the running program's folder, the plug-in folder of an
// installed tree around it (../lib/qx4-config/plugins), then $QX4_PLUGIN_DIR when set. Never the
// current directory: a relative or empty entry is dropped.
std::vector<std::filesystem::path> pluginSearchFolders();
std::optional<std::filesystem::path> findPlugin(std::string_view fileName);

// One row of a binding table: an exported name and the function pointer it fills.
class EntryPointSlot {
public:
    template <typename Function>
        requires std::is_function_v<Function>
    EntryPointSlot(const char* name, Function*& pointer) : name_(name), pointer_(&pointer) {
        static_assert(sizeof(Function*) == sizeof(void*));
    }

    const char* name() const { return name_; }
    // The loader hands back an object pointer; copying its bits is the portable way to a function
    // pointer.
    void fill(void* symbol) const { std::memcpy(pointer_, &symbol, sizeof(symbol)); }

private:
    const char* name_;
    void* pointer_;
};

// Loads `fileName` from the plug-in folders and fills every slot with its entry point, or with
// null where the module lacks it. Returns the module handle; nullptr, with every slot null and the
// reason in `error`, when the library cannot be found or loaded.
void* bindPlugin(std::string_view fileName, std::span<const EntryPointSlot> slots, std::string* error = nullptr);
void closePlugin(void* module);

}  // namespace qx4
