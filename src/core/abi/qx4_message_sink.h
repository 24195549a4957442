/* The program's stand-in for a window handle: plug-ins post window messages through it, from any
 * thread. post() must be cheap and must not block; the program queues the message for its UI
 * thread. */
#ifndef QX4_MESSAGE_SINK_H
#define QX4_MESSAGE_SINK_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct qx4_message_sink {
    void* context;
    void (*post)(void* context, uint32_t message, uintptr_t wParam, intptr_t lParam);
} qx4_message_sink;

/* As qx4_message_sink, with the moment the message arose: milliseconds of CLOCK_MONOTONIC. A
 * recorded macro keeps the pauses between inputs, which must be measured where the input arrives,
 * not where a busy UI thread gets to it. */
typedef struct qx4_timed_message_sink {
    void* context;
    void (*post)(void* context, uint32_t message, uintptr_t wParam, intptr_t lParam,
                 uint64_t monotonicMilliseconds);
} qx4_timed_message_sink;

#ifdef __cplusplus
}
#endif

#endif
