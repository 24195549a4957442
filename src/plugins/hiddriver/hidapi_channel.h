// The feature channel over hidapi's hidraw backend.
#pragma once

#include <hidapi.h>

#include "plugins/hiddriver/hid_ports.h"

namespace qx4::hid {

class HidapiChannel final : public FeatureChannel {
public:
    HidapiChannel();
    ~HidapiChannel() override;
    HidapiChannel(const HidapiChannel&) = delete;
    HidapiChannel& operator=(const HidapiChannel&) = delete;

    bool open(int vendorId, int productId) override;
    void close() override;
    bool isOpen() const override { return device_ != nullptr; }
    int sendFeatureReport(const unsigned char* data, std::size_t length) override;
    int getFeatureReport(unsigned char* data, std::size_t length) override;

private:
    hid_device* device_ = nullptr;
};

}  // namespace qx4::hid
