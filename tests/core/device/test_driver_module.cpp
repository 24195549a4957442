// A driver library for the loader tests: every entry point but SetFeature.
#define QX4_DRIVER_IMPLEMENTATION
#include "core/abi/qx4_driver.h"

extern "C" {
void Set_VIDPID(int, int) {}
void Open_DevMonitor(const qx4_message_sink*, uint32_t, uint32_t) {}
void Close_DevMonitor(void) {}
int Open_FeatureDevice(void) { return 1; }
void Close_FeatureDevice(void) {}
int GetFeature(unsigned char*, int) { return 0; }
}
