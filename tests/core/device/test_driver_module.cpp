// A minimal driver library for the loader tests. Built twice: complete, and without SetFeature.
#define QX4_DRIVER_IMPLEMENTATION
#include "core/abi/qx4_driver.h"

namespace {
int productSeen = 0;
}

extern "C" {
void Set_VIDPID(int, int productId) { productSeen = productId; }
void Open_DevMonitor(const qx4_message_sink*, uint32_t, uint32_t) {}
void Close_DevMonitor(void) {}
int Open_FeatureDevice(void) { return productSeen; }
void Close_FeatureDevice(void) {}
#ifndef QX4_TEST_DRIVER_WITHOUT_SETFEATURE
int SetFeature(const unsigned char*, int length) { return length; }
#endif
int GetFeature(unsigned char*, int) { return 0; }
}
