/* The public header must compile as strict C99 on its own. */
#include "tenvik_sdk.h"

#if TENVIK_SDK_VERSION_MAJOR != 1
#error "unexpected major version"
#endif

static void onLog(void* context, int level, const char* text) {
    (void)context;
    (void)level;
    (void)text;
}

/* The named codes are integer constant expressions, usable as case labels. */
static int isPlankEvent(int event) {
    switch (event) {
    case TENVIK_MOTION_EVENT_PLANK_START:
    case TENVIK_MOTION_EVENT_PLANK_END:
        return 1;
    default:
        return 0;
    }
}

int tenvik_header_c99_probe(void);
int tenvik_header_c99_probe(void) {
    TenvikSDK_LogCallback log = onLog;
    TenvikSDK* sdk = (TenvikSDK*)0;
    (void)log;
    (void)sdk;
    return isPlankEvent(TENVIK_MOTION_EVENT_SWING);
}
