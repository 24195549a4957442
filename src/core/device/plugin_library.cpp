#include "core/device/plugin_library.h"

#include <dlfcn.h>

#include <cstdlib>
#include <system_error>

#include "core/desktop/install_layout.h"

namespace qx4 {
namespace {

void addAbsolute(std::vector<std::filesystem::path>& folders, const std::filesystem::path& folder) {
    if (folder.empty() || !folder.is_absolute()) return;
    for (const auto& known : folders) {
        if (known == folder) return;
    }
    folders.push_back(folder);
}

}  // namespace

std::vector<std::filesystem::path> pluginSearchFolders() {
    std::vector<std::filesystem::path> folders;
    if (const auto program = runningProgramFolder(); !program.empty()) {
        for (const auto& folder : pluginFoldersFor(program)) addAbsolute(folders, folder);
    }
    if (const char* fromEnvironment = std::getenv("QX4_PLUGIN_DIR")) addAbsolute(folders, fromEnvironment);
    return folders;
}

std::optional<std::filesystem::path> findPlugin(std::string_view fileName) {
    // A bare file name only: anything with a folder in it could point outside the plug-in folders.
    if (fileName.empty() || fileName.find('/') != std::string_view::npos || fileName == "." ||
        fileName == "..")
        return std::nullopt;
    for (const auto& folder : pluginSearchFolders()) {
        std::error_code error;
        auto candidate = folder / fileName;
        if (std::filesystem::is_regular_file(candidate, error)) return candidate;
    }
    return std::nullopt;
}

void* bindPlugin(std::string_view fileName, std::span<const EntryPointSlot> slots, std::string* error) {
    void* module = nullptr;
    if (const auto path = findPlugin(fileName)) {
        module = dlopen(path->c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module && error) *error = dlerror();
    } else if (error) {
        *error = std::string(fileName) + " not found";
    }
    for (const EntryPointSlot& slot : slots) slot.fill(module ? dlsym(module, slot.name()) : nullptr);
    return module;
}

void closePlugin(void* module) {
    if (module) dlclose(module);
}

}  // namespace qx4
