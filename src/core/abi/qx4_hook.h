/* The seven entry points of the input-hook library, and an optional eighth. Captured input is
 * posted as UM_HOOK_INPUT (1034) through the sink given to installhook:
 *   a key:          wParam = Windows virtual-key code, lParam = 0 press, 1 release;
 *   a mouse button: wParam = WM_LBUTTONDOWN ... WM_XBUTTONUP, lParam = X-button number (1, 2).
 * enablehook / enablemousehook / mousewheelenable gate what is posted (1 on, 0 off).
 * installtimedhook, where a library has it, does what installhook does and posts through a timed
 * sink, each input stamped with the moment it arrived; a program finding it uses it instead.
 * hookcapturescope, also optional, says where input is taken from: 1 the whole desktop, 0 only
 * the program's own windows; a program shows it to the user in words. */
#ifndef QX4_HOOK_H
#define QX4_HOOK_H

#include "qx4_message_sink.h"

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define QX4_HOOK_EXPORT __attribute__((visibility("default")))
#else
#define QX4_HOOK_EXPORT
#endif

typedef int (*qx4_installmousehook_fn)(const qx4_message_sink* sink);
typedef void (*qx4_removemousehook_fn)(void);
typedef void (*qx4_enablemousehook_fn)(int enable);
typedef int (*qx4_installhook_fn)(const qx4_message_sink* sink);
typedef void (*qx4_removehook_fn)(void);
typedef void (*qx4_enablehook_fn)(int enable);
typedef void (*qx4_mousewheelenable_fn)(int enable);
typedef int (*qx4_installtimedhook_fn)(const qx4_timed_message_sink* sink);
typedef int (*qx4_hookcapturescope_fn)(void);

#ifdef QX4_HOOK_IMPLEMENTATION
QX4_HOOK_EXPORT int installmousehook(const qx4_message_sink* sink);
QX4_HOOK_EXPORT void removemousehook(void);
QX4_HOOK_EXPORT void enablemousehook(int enable);
QX4_HOOK_EXPORT int installhook(const qx4_message_sink* sink);
QX4_HOOK_EXPORT void removehook(void);
QX4_HOOK_EXPORT void enablehook(int enable);
QX4_HOOK_EXPORT void mousewheelenable(int enable);
QX4_HOOK_EXPORT int installtimedhook(const qx4_timed_message_sink* sink);
QX4_HOOK_EXPORT int hookcapturescope(void);
#endif

#ifdef __cplusplus
}
#endif

#endif
