#include "core/device/driver_library.h"

namespace qx4 {
namespace {

class DlopenDriverBinder final : public DriverBinder {
public:
    bool bind(HidDriverLink& link, std::string_view fileName) override {
        link = {};
        void* module = openPlugin(fileName);
        if (!module) return false;
        link.module = module;
        resolveEntryPoint(module, "Set_VIDPID", link.Set_VIDPID);
        resolveEntryPoint(module, "Open_DevMonitor", link.Open_DevMonitor);
        resolveEntryPoint(module, "Close_DevMonitor", link.Close_DevMonitor);
        resolveEntryPoint(module, "Open_FeatureDevice", link.Open_FeatureDevice);
        resolveEntryPoint(module, "Close_FeatureDevice", link.Close_FeatureDevice);
        resolveEntryPoint(module, "SetFeature", link.SetFeature);
        resolveEntryPoint(module, "GetFeature", link.GetFeature);
        return true;
    }

    void release(HidDriverLink& link) override {
        closePlugin(link.module);
        link = {};
    }
};

}  // namespace

DriverBinder& dlopenDriverBinder() {
    static DlopenDriverBinder binder;
    return binder;
}

bool bindLibrary(HidDriverLink& link, std::string_view fileName) {
    return dlopenDriverBinder().bind(link, fileName);
}

void releaseLibrary(HidDriverLink& link) { dlopenDriverBinder().release(link); }

}  // namespace qx4
