#include "plugins/hiddriver/hidapi_channel.h"

#include <dlfcn.h>

#include <mutex>
#include <vector>

#include "plugins/hiddriver/device_reading.h"

namespace qx4::hid {

namespace {

// hidapi keeps state of its own (the text of its last error) until hid_exit. Unloaded with the
// last driver library, that state would be lost, and allocated anew at the next load.
void keepHidapiLoaded() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&hid_init), &info) != 0 && info.dli_fname) {
        dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
    }
}

}  // namespace

HidapiChannel::HidapiChannel() {
    // hid_init is idempotent; hid_exit is never called because the receiver's and the cable's
    // libraries share the one hidapi of the process, which therefore stays loaded once used.
    static std::once_flag resident;
    std::call_once(resident, keepHidapiLoaded);
    hid_init();
}

HidapiChannel::~HidapiChannel() {
    close();
}

bool HidapiChannel::open(int vendorId, int productId) {
    close();
    if (vendorId <= 0 || productId <= 0 || vendorId > 0xFFFF || productId > 0xFFFF) return false;
    hid_device_info* found = hid_enumerate(static_cast<unsigned short>(vendorId),
                                           static_cast<unsigned short>(productId));
    std::vector<InterfaceInfo> interfaces;
    for (auto* each = found; each; each = each->next) {
        if (each->path) interfaces.push_back({each->path, each->usage_page});
    }
    hid_free_enumeration(found);
    const auto chosen = preferredInterface(interfaces);
    if (!chosen) return false;
    device_ = hid_open_path(interfaces[*chosen].path.c_str());
    return device_ != nullptr;
}

void HidapiChannel::close() {
    if (device_) hid_close(device_);
    device_ = nullptr;
}

int HidapiChannel::sendFeatureReport(const unsigned char* data, std::size_t length) {
    return device_ ? hid_send_feature_report(device_, data, length) : -1;
}

int HidapiChannel::getFeatureReport(unsigned char* data, std::size_t length) {
    return device_ ? hid_get_feature_report(device_, data, length) : -1;
}

}  // namespace qx4::hid
