/*
 * replay: a plain-C host that replays a capture file through libtenvik_sdk and prints every
 * callback it receives, one line each.
 *
 *   replay [--log] [--stable] CAPTURE
 *
 * The capture's first line is the device's firmware revision. Every further line names an
 * entry point and carries hex bytes:
 *
 *   chunk 02 0A 01 09 00      a notification chunk of the device's message channel
 *   send 0 70 69 6E 67        a command for process PID 0 (here the text "ping")
 *   battery 5A                a battery level value
 *   ecg | respiration | temperature | motion | activity | steps | orientation |
 *   heartrate | thermometer | sound | nasal  <hex bytes>   a characteristic value
 *
 * Blank lines and lines starting with '#' are skipped. --log also prints the library's log
 * lines; --stable prints "t" in place of wall-clock timestamps so that the output of one
 * capture is the same on every run.
 */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "tenvik_sdk.h"

#define MAX_LINE 8192
#define MAX_BYTES 4096

typedef struct Host {
    int stable;
    int printLog;
    int wrongContext;
} Host;

static Host host;

static void checkContext(void* context) {
    if (context != &host) {
        host.wrongContext = 1;
    }
}

static void printTime(const char* name, uint64_t timestamp) {
    if (host.stable) {
        printf("%s t", name);
    } else {
        printf("%s %llu", name, (unsigned long long)timestamp);
    }
}

static void onEcg(void* c, uint64_t t, float v) { checkContext(c); printTime("ecg", t); printf(" %.6g\n", v); }
static void onRespiration(void* c, uint64_t t, float v) { checkContext(c); printTime("respiration", t); printf(" %.6g\n", v); }
static void onTemperature(void* c, uint64_t t, float v) { checkContext(c); printTime("temperature", t); printf(" %.6g\n", v); }
static void onAccelerometer(void* c, uint64_t t, float x, float y, float z) { checkContext(c); printTime("accelerometer", t); printf(" %.6g %.6g %.6g\n", x, y, z); }
static void onMotionVector2(void* c, uint64_t t, float x, float y, float z) { checkContext(c); printTime("motion_vector2", t); printf(" %.6g %.6g %.6g\n", x, y, z); }
static void onMotionVector3(void* c, uint64_t t, float x, float y, float z) { checkContext(c); printTime("motion_vector3", t); printf(" %.6g %.6g %.6g\n", x, y, z); }
static void onBattery(void* c, uint8_t level) { checkContext(c); printf("battery %u\n", (unsigned)level); }
static void onActivity(void* c, uint64_t t, uint32_t v) { checkContext(c); printTime("activity", t); printf(" %lu\n", (unsigned long)v); }
static void onSteps(void* c, uint64_t t, uint64_t v) { checkContext(c); printTime("steps", t); printf(" %llu\n", (unsigned long long)v); }
static void onOrientation(void* c, uint64_t t, float a, float b, float d) { checkContext(c); printTime("orientation", t); printf(" %.6g %.6g %.6g\n", a, b, d); }
static void onQuaternion(void* c, uint64_t t, float a, float b, float d, float e) { checkContext(c); printTime("quaternion", t); printf(" %.6g %.6g %.6g %.6g\n", a, b, d, e); }
static void onRespirationRate(void* c, uint64_t t, uint32_t v) { checkContext(c); printTime("respiration_rate", t); printf(" %lu\n", (unsigned long)v); }
static void onWearState(void* c, uint32_t v) { checkContext(c); printf("wear_state %lu\n", (unsigned long)v); }
static void onHeartRate(void* c, uint64_t t, uint32_t v) { checkContext(c); printTime("heart_rate", t); printf(" %lu\n", (unsigned long)v); }
static void onRr(void* c, uint64_t t, uint32_t v) { checkContext(c); printTime("rr", t); printf(" %lu\n", (unsigned long)v); }
static void onSoundVolume(void* c, uint64_t t, uint16_t v) { checkContext(c); printTime("sound_volume", t); printf(" %u\n", (unsigned)v); }
static void onMotionEvent(void* c, int v) { checkContext(c); printf("motion_event %d\n", v); }
static void onUserEvent(void* c, uint64_t t) { checkContext(c); printTime("user_event", t); printf("\n"); }
static void onPressure(void* c, uint64_t t, uint32_t v) { checkContext(c); printTime("pressure", t); printf(" %lu\n", (unsigned long)v); }
static void onPressureLeadOff(void* c, int v) { checkContext(c); printf("pressure_lead_off %d\n", v); }
static void onBodyPosition(void* c, uint64_t t, uint32_t v) { checkContext(c); printTime("body_position", t); printf(" %lu\n", (unsigned long)v); }
static void onSignal15(void* c, uint64_t t, uint8_t v) { checkContext(c); printTime("signal15", t); printf(" %u\n", (unsigned)v); }
static void onEda(void* c, uint64_t t, float v) { checkContext(c); printTime("eda", t); printf(" %.6g\n", v); }
static void onGps(void* c, uint64_t t, float a, float b, float d, float e, float f, float g) { checkContext(c); printTime("gps", t); printf(" %.6g %.6g %.6g %.6g %.6g %.6g\n", a, b, d, e, f, g); }

static void onSyncState(void* c, int v) { checkContext(c); printf("sync_state %d\n", v); }
static void onSyncProgress(void* c, uint32_t n, float rate) { checkContext(c); printf("sync_progress %lu %.6g\n", (unsigned long)n, rate); }
static void onPastFloat(void* c, uint64_t t, float v) { checkContext(c); printf("past_float %llu %.6g\n", (unsigned long long)t, v); }
static void onPastUInt32(void* c, uint64_t t, uint32_t v) { checkContext(c); printf("past_uint32 %llu %lu\n", (unsigned long long)t, (unsigned long)v); }
static void onPastUInt64(void* c, uint64_t t, uint64_t v) { checkContext(c); printf("past_steps %llu %llu\n", (unsigned long long)t, (unsigned long long)v); }
static void onPastTime(void* c, uint64_t t) { checkContext(c); printf("past_user_event %llu\n", (unsigned long long)t); }
static void onPastUInt16(void* c, uint64_t t, uint16_t v) { checkContext(c); printf("past_sound_volume %llu %u\n", (unsigned long long)t, (unsigned)v); }
static void onPastVector3(void* c, uint64_t t, float x, float y, float z) { checkContext(c); printf("past_vector3 %llu %.6g %.6g %.6g\n", (unsigned long long)t, x, y, z); }
static void onPastQuaternion(void* c, uint64_t t, float a, float b, float d, float e) { checkContext(c); printf("past_quaternion %llu %.6g %.6g %.6g %.6g\n", (unsigned long long)t, a, b, d, e); }
static void onPastUInt8(void* c, uint64_t t, uint8_t v) { checkContext(c); printf("past_signal15 %llu %u\n", (unsigned long long)t, (unsigned)v); }
static void onPastGps(void* c, uint64_t t, float a, float b, float d, float e, float f, float g) { checkContext(c); printf("past_gps %llu %.6g %.6g %.6g %.6g %.6g %.6g\n", (unsigned long long)t, a, b, d, e, f, g); }

static void printBytes(const uint8_t* data, size_t size) {
    size_t i;
    for (i = 0; i < size; ++i) {
        printf(" %02X", (unsigned)data[i]);
    }
}

static void onPayload(void* c, const char* name, const uint8_t* data, size_t size) {
    checkContext(c);
    printf("payload %s %lu", name, (unsigned long)size);
    printBytes(data, size);
    printf("\n");
}

static void onBleSend(void* c, const uint8_t* data, int length) {
    checkContext(c);
    printf("ble_send %d", length);
    if (length > 0) {
        printBytes(data, (size_t)length);
    }
    printf("\n");
}

static void onBleReady(void* c) { checkContext(c); printf("ble_ready\n"); }

static void onLog(void* c, int level, const char* text) {
    checkContext(c);
    if (host.printLog) {
        printf("log %d %s\n", level, text);
    }
}

static void registerCallbacks(TenvikSDK* sdk) {
    TenvikSDK_set_context(&host, sdk);
    TenvikSDK_init_callbacks(onEcg, onRespiration, onTemperature, onAccelerometer,
                             onMotionVector2, onMotionVector3, onBattery, onActivity, onSteps,
                             onOrientation, onQuaternion, onRespirationRate, onWearState,
                             onHeartRate, onRr, onSoundVolume, onMotionEvent, onUserEvent,
                             onPressure, onPressureLeadOff, onBodyPosition, onSignal15, sdk);
    TenvikSDK_init_synchronization_callbacks(
        onSyncState, onSyncProgress, onPastFloat, onPastFloat, onPastFloat, onPastUInt32,
        onPastUInt32, onPastUInt32, onPastUInt32, onPastUInt64, onPastTime, onPastUInt16,
        onPastUInt32, onPastVector3, onPastVector3, onPastQuaternion, onPastVector3,
        onPastVector3, onPastUInt32, onPastUInt8, sdk);
    TenvikSDK_set_payload_callback(onPayload, sdk);
    TenvikSDK_set_eda_callback(onEda, sdk);
    TenvikSDK_set_gps_callback(onGps, sdk);
    TenvikSDK_set_past_eda_callback(onPastFloat, sdk);
    TenvikSDK_set_past_gps_callback(onPastGps, sdk);
    TenvikSDK_set_ble_send_callback(onBleSend, sdk);
    TenvikSDK_set_ble_ready_callback(onBleReady, sdk);
    /* Creation switches the process-wide log callback off; set it afterwards. */
    TenvikSDK_set_log_callback(onLog, &host);
}

/* Reads hex bytes from `text` into `out`; returns the count, or -1 on a bad token. */
static int parseHex(const char* text, uint8_t* out, int capacity) {
    int count = 0;
    while (*text != '\0') {
        char* end;
        unsigned long value;
        while (*text == ' ' || *text == '\t' || *text == '\r' || *text == '\n') {
            ++text;
        }
        if (*text == '\0') {
            break;
        }
        value = strtoul(text, &end, 16);
        if (end == text || value > 0xFF || count >= capacity) {
            return -1;
        }
        out[count++] = (uint8_t)value;
        text = end;
    }
    return count;
}

typedef void (*CharacteristicEntry)(const uint8_t*, int, TenvikSDK*);

static const struct {
    const char* name;
    CharacteristicEntry entry;
} characteristics[] = {
    {"battery", TenvikSDK_process_battery_package},
    {"ecg", processECGPackage},
    {"respiration", processRespirationPackage},
    {"temperature", processTemperaturePackage},
    {"motion", processMotionPackage},
    {"activity", processActivityPackage},
    {"steps", processStepsPackage},
    {"orientation", processOrientationPackage},
    {"heartrate", processHeartRatePackage},
    {"thermometer", processHealthThermometerPackage},
    {"sound", processSoundVolumePackage},
    {"nasal", processNasalCannulaPackage},
};

static int replayLine(TenvikSDK* sdk, char* line, int lineNumber) {
    static uint8_t bytes[MAX_BYTES];
    char* rest = line;
    char* name = line;
    size_t i;
    int count;
    while (*rest != '\0' && *rest != ' ' && *rest != '\t') {
        ++rest;
    }
    if (*rest != '\0') {
        *rest++ = '\0';
    }
    if (strcmp(name, "send") == 0) {
        char* end;
        long pid = strtol(rest, &end, 10);
        if (end == rest) {
            fprintf(stderr, "line %d: send needs a pid\n", lineNumber);
            return 1;
        }
        count = parseHex(end, bytes, MAX_BYTES);
        if (count < 0) {
            fprintf(stderr, "line %d: bad hex bytes\n", lineNumber);
            return 1;
        }
        TenvikSDK_send(bytes, count, (int)pid, sdk);
        return 0;
    }
    count = parseHex(rest, bytes, MAX_BYTES);
    if (count < 0) {
        fprintf(stderr, "line %d: bad hex bytes\n", lineNumber);
        return 1;
    }
    if (strcmp(name, "chunk") == 0) {
        TenvikSDK_process_ble_chunk(bytes, count, sdk);
        return 0;
    }
    for (i = 0; i < sizeof characteristics / sizeof characteristics[0]; ++i) {
        if (strcmp(name, characteristics[i].name) == 0) {
            characteristics[i].entry(bytes, count, sdk);
            return 0;
        }
    }
    fprintf(stderr, "line %d: unknown entry '%s'\n", lineNumber, name);
    return 1;
}

static void trimLineEnd(char* line) {
    size_t length = strlen(line);
    while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r')) {
        line[--length] = '\0';
    }
}

int main(int argc, char** argv) {
    static char line[MAX_LINE];
    const char* path = NULL;
    FILE* capture;
    TenvikSDK* sdk;
    int lineNumber = 1;
    int status = 0;
    int i;

    for (i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--log") == 0) {
            host.printLog = 1;
        } else if (strcmp(argv[i], "--stable") == 0) {
            host.stable = 1;
        } else {
            path = argv[i];
        }
    }
    if (path == NULL) {
        fprintf(stderr, "usage: replay [--log] [--stable] CAPTURE\n");
        return 2;
    }
    capture = fopen(path, "r");
    if (capture == NULL) {
        fprintf(stderr, "cannot open %s\n", path);
        return 2;
    }
    if (fgets(line, sizeof line, capture) == NULL) {
        fprintf(stderr, "%s: no firmware revision\n", path);
        fclose(capture);
        return 2;
    }
    trimLineEnd(line);
    sdk = TenvikSDK_create(line, (int)strlen(line));
    if (sdk == NULL) {
        fprintf(stderr, "%s: firmware revision '%s' refused\n", path, line);
        fclose(capture);
        return 1;
    }
    printf("created %s\n", line);
    registerCallbacks(sdk);

    while (fgets(line, sizeof line, capture) != NULL) {
        ++lineNumber;
        trimLineEnd(line);
        if (line[0] == '\0' || line[0] == '#') {
            continue;
        }
        status |= replayLine(sdk, line, lineNumber);
    }
    fclose(capture);
    TenvikSDK_destroy(sdk);
    if (host.wrongContext) {
        printf("a callback received the wrong context\n");
        status = 1;
    }
    printf("destroyed\n");
    return status;
}
