// Binding of one HID driver library: the seven C entry points looked up by name in a module that is
// loaded by file name at run time. A missing library or entry point leaves its pointer null; the
// link it serves then counts as absent and none of its calls are made.
#pragma once

#include <array>
#include <string_view>

#include "core/abi/qx4_driver.h"
#include "core/device/plugin_library.h"

namespace qx4 {

struct HidDriverLink {
    void* module = nullptr;
    qx4_Set_VIDPID_fn Set_VIDPID = nullptr;
    qx4_Open_DevMonitor_fn Open_DevMonitor = nullptr;
    qx4_Close_DevMonitor_fn Close_DevMonitor = nullptr;
    qx4_Open_FeatureDevice_fn Open_FeatureDevice = nullptr;
    qx4_Close_FeatureDevice_fn Close_FeatureDevice = nullptr;
    qx4_SetFeature_fn SetFeature = nullptr;
    qx4_GetFeature_fn GetFeature = nullptr;

    // The binding table: each entry point by the name the library exports it under.
    std::array<EntryPointSlot, 7> entryPoints() {
        return {{{"Set_VIDPID", Set_VIDPID}, {"Open_DevMonitor", Open_DevMonitor},
                 {"Close_DevMonitor", Close_DevMonitor}, {"Open_FeatureDevice", Open_FeatureDevice},
                 {"Close_FeatureDevice", Close_FeatureDevice}, {"SetFeature", SetFeature},
                 {"GetFeature", GetFeature}}};
    }

    // Every entry point the program calls is there. GetFeature is bound but never called, so a
    // library without it still serves its link.
    bool usable() const {
        return Set_VIDPID && Open_DevMonitor && Close_DevMonitor && Open_FeatureDevice &&
               Close_FeatureDevice && SetFeature;
    }
};

// The seam between the device link and the dynamic loader, so tests hand out fake entry points
// without any file.
class DriverBinder {
public:
    virtual ~DriverBinder() = default;
    // Fills `link` from the library `fileName`; false (and `link` left empty) when it cannot be loaded.
    virtual bool bind(HidDriverLink& link, std::string_view fileName) = 0;
    // Unloads the module and clears every entry point.
    virtual void release(HidDriverLink& link) = 0;
};

// The real binder: dlopen from the folders of pluginSearchFolders(), first hit wins.
DriverBinder& dlopenDriverBinder();

bool bindLibrary(HidDriverLink& link, std::string_view fileName);
void releaseLibrary(HidDriverLink& link);

}  // namespace qx4
