/* A hook library for the tests: the seven entry points, each noting its call, and one more
 * entry point that tells the test which calls were made. */
#include <string.h>

#define QX4_HOOK_IMPLEMENTATION
#include "core/abi/qx4_hook.h"

static char calls[512];

static void note(const char* name) {
    if (strlen(calls) + strlen(name) + 2 >= sizeof calls) return;
    strcat(calls, name);
    strcat(calls, " ");
}

int installmousehook(const qx4_message_sink* sink) {
    (void)sink;
    note("installmousehook");
    return 1;
}
void removemousehook(void) { note("removemousehook"); }
void enablemousehook(int enable) {
    (void)enable;
    note("enablemousehook");
}
int installhook(const qx4_message_sink* sink) {
    (void)sink;
    note("installhook");
    return 1;
}
void removehook(void) { note("removehook"); }
void enablehook(int enable) {
    (void)enable;
    note("enablehook");
}
void mousewheelenable(int enable) {
    (void)enable;
    note("mousewheelenable");
}

QX4_HOOK_EXPORT const char* qx4_test_hook_calls(void) { return calls; }
