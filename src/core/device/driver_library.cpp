#include "core/device/driver_library.h"

namespace qx4 {
namespace {

class DlopenDriverBinder final : public DriverBinder {
public:
    bool bind(HidDriverLink& link, std::string_view fileName) override {
        link = {};
        link.module = bindPlugin(fileName, link.entryPoints());
        return link.module != nullptr;
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
