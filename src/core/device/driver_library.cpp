#include "core/device/driver_library.h"

#include <dlfcn.h>

#include <cstdlib>
#include <cstring>
#include <system_error>

namespace qx4 {
namespace {

template <typename Function>
void lookUp(void* module, const char* name, Function& entry) {
    void* symbol = dlsym(module, name);
    // dlsym hands back an object pointer; copying its bits is the portable way to a function pointer.
    static_assert(sizeof(symbol) == sizeof(entry));
    std::memcpy(&entry, &symbol, sizeof(entry));
}

class DlopenDriverBinder final : public DriverBinder {
public:
    bool bind(HidDriverLink& link, std::string_view fileName) override {
        link = {};
        const auto path = findPlugin(fileName);
        if (!path) return false;
        void* module = dlopen(path->c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module) return false;
        link.module = module;
        lookUp(module, "Set_VIDPID", link.Set_VIDPID);
        lookUp(module, "Open_DevMonitor", link.Open_DevMonitor);
        lookUp(module, "Close_DevMonitor", link.Close_DevMonitor);
        lookUp(module, "Open_FeatureDevice", link.Open_FeatureDevice);
        lookUp(module, "Close_FeatureDevice", link.Close_FeatureDevice);
        lookUp(module, "SetFeature", link.SetFeature);
        lookUp(module, "GetFeature", link.GetFeature);
        return true;
    }

    void release(HidDriverLink& link) override {
        if (link.module) dlclose(link.module);
        link = {};
    }
};

void addAbsolute(std::vector<std::filesystem::path>& folders, const std::filesystem::path& folder) {
    if (folder.empty() || !folder.is_absolute()) return;
    for (const auto& known : folders) {
        if (known == folder) return;
    }
    folders.push_back(folder);
}

}  // namespace

DriverBinder& dlopenDriverBinder() {
    static DlopenDriverBinder binder;
    return binder;
}

bool bindLibrary(HidDriverLink& link, std::string_view fileName) {
    return dlopenDriverBinder().bind(link, fileName);
}

void releaseLibrary(HidDriverLink& link) { dlopenDriverBinder().release(link); }

std::vector<std::filesystem::path> pluginSearchFolders() {
    std::vector<std::filesystem::path> folders;
    std::error_code error;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) addAbsolute(folders, program.parent_path());
#ifdef QX4_INSTALL_PLUGIN_DIR
    addAbsolute(folders, QX4_INSTALL_PLUGIN_DIR);
#endif
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

}  // namespace qx4
