/* The seven entry points of a HID driver library. One library serves one link (receiver or cable)
 * and keeps its own state; the program loads it by file name at run time.
 *
 * Open_DevMonitor: from now on the library posts, through the sink,
 *   dataMessage    with wParam = notification code's high 16 bits of the status word
 *                  (code), lParam = its low 16 bits (value), for the mouse's own status;
 *   arrivalMessage with wParam = 1 when the device arrives, 0 when it is removed.
 * Open_FeatureDevice: non-zero when the device with the configured ids was found and opened.
 * SetFeature: writes one feature report (byte 0 is the report's command); non-zero on success.
 * GetFeature: reads one feature report; the program never calls it.
 * Entry points never throw and may be called from the UI thread and the apply worker at once. */
#ifndef QX4_DRIVER_H
#define QX4_DRIVER_H

#include "qx4_message_sink.h"

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define QX4_EXPORT __attribute__((visibility("default")))
#else
#define QX4_EXPORT
#endif

typedef void (*qx4_Set_VIDPID_fn)(int vendorId, int productId);
typedef void (*qx4_Open_DevMonitor_fn)(const qx4_message_sink* sink, uint32_t dataMessage,
                                       uint32_t arrivalMessage);
typedef void (*qx4_Close_DevMonitor_fn)(void);
typedef int (*qx4_Open_FeatureDevice_fn)(void);
typedef void (*qx4_Close_FeatureDevice_fn)(void);
typedef int (*qx4_SetFeature_fn)(const unsigned char* report, int length);
typedef int (*qx4_GetFeature_fn)(unsigned char* report, int length);

#ifdef QX4_DRIVER_IMPLEMENTATION
QX4_EXPORT void Set_VIDPID(int vendorId, int productId);
QX4_EXPORT void Open_DevMonitor(const qx4_message_sink* sink, uint32_t dataMessage,
                                uint32_t arrivalMessage);
QX4_EXPORT void Close_DevMonitor(void);
QX4_EXPORT int Open_FeatureDevice(void);
QX4_EXPORT void Close_FeatureDevice(void);
QX4_EXPORT int SetFeature(const unsigned char* report, int length);
QX4_EXPORT int GetFeature(unsigned char* report, int length);
#endif

#ifdef __cplusplus
}
#endif

#endif
