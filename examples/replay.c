/*
 * replay: a plain-C host that replays a capture through libtenvik_sdk and prints every
 * callback it receives, one line each, in a form a person can read.
 *
 *   replay [--log] [--stable] CAPTURE      (CAPTURE "-" reads standard input)
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
 * Blank lines and lines starting with '#' are skipped.
 *
 * Output: a legend line, "created REVISION", one line per callback, "destroyed". A callback
 * line is its name, the timestamp when the callback has one, the values, and the unit where
 * the value has one; codes that have a meaning are followed by it in parentheses. Payloads
 * whose bytes are all printable show as text "...", others as hex. --log adds the library's
 * log lines with their level by name. --stable prints times taken from the host clock during
 * the call as "t", and times that join the host clock's upper 32 bits with a device time N as
 * "t32+N", so that a capture prints the same on every run; other times (recorded sessions,
 * synchronised records) are printed as they are.
 */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include "tenvik_sdk.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

/* Room for a line of 4096 hex bytes ("XX " each) behind an entry name. */
#define MAX_LINE 16384
#define MAX_BYTES 4096

#define USAGE "usage: replay [--log] [--stable] CAPTURE\n"

static const char* const legend =
    "# name [time] values [unit] (meaning); times in ms since 1970, with --stable t = host "
    "clock, t32+N = host clock's upper 32 bits and device time N; payloads as text or hex\n";

typedef struct Host {
    int stable;
    int printLog;
    int wrongContext;
    /* Wall-clock second at which the current entry call began. */
    uint64_t callStartSecond;
} Host;

static Host host;

static void checkContext(void* context) {
    if (context != &host) {
        host.wrongContext = 1;
    }
}

static uint64_t wallClockSecond(void) {
    time_t now = time(NULL);
    return now == (time_t)-1 ? 0 : (uint64_t)now;
}

/* The library stamps values with its own reading of the wall clock, in milliseconds, during
   the call; the slack covers the truncation of time() to whole seconds. */
static int isHostClockTime(uint64_t timestamp, uint64_t nowSecond) {
    uint64_t earliest = host.callStartSecond * 1000u;
    uint64_t latest = (nowSecond + 2u) * 1000u;
    earliest = earliest > 2000u ? earliest - 2000u : 0;
    return timestamp >= earliest && timestamp <= latest;
}

/* Device times of 32 bits are joined with the upper half of the host clock. */
static int sharesHostClockUpperHalf(uint64_t timestamp, uint64_t nowSecond) {
    return (timestamp >> 32) == ((host.callStartSecond * 1000u) >> 32) ||
           (timestamp >> 32) == ((nowSecond * 1000u) >> 32);
}

static void printTime(uint64_t timestamp) {
    uint64_t nowSecond;
    if (!host.stable) {
        printf(" %llu", (unsigned long long)timestamp);
        return;
    }
    nowSecond = wallClockSecond();
    if (isHostClockTime(timestamp, nowSecond)) {
        printf(" t");
    } else if (sharesHostClockUpperHalf(timestamp, nowSecond)) {
        printf(" t32+%lu", (unsigned long)(timestamp & 0xFFFFFFFFu));
    } else {
        printf(" %llu", (unsigned long long)timestamp);
    }
}

static void beginTimed(void* context, const char* name, uint64_t timestamp) {
    checkContext(context);
    printf("%s", name);
    printTime(timestamp);
}

/* One callback function per name, so that each line says which callback fired. Every
   quantity comes live and from recordings ("past_"), with the same values and unit. */
#define TIMED_FLOAT(function, name, unit)                                                  \
    static void function(void* c, uint64_t t, float v) {                                  \
        beginTimed(c, name, t);                                                            \
        printf(" %.6g%s\n", v, unit);                                                      \
    }
#define TIMED_VECTOR3(function, name, unit)                                                \
    static void function(void* c, uint64_t t, float x, float y, float z) {                \
        beginTimed(c, name, t);                                                            \
        printf(" %.6g %.6g %.6g%s\n", x, y, z, unit);                                      \
    }
#define TIMED_QUATERNION(function, name, unit)                                             \
    static void function(void* c, uint64_t t, float a, float b, float d, float e) {       \
        beginTimed(c, name, t);                                                            \
        printf(" %.6g %.6g %.6g %.6g%s\n", a, b, d, e, unit);                              \
    }
#define TIMED_GPS(function, name, unit)                                                    \
    static void function(void* c, uint64_t t, float a, float b, float d, float e, float f, \
                         float g) {                                                        \
        beginTimed(c, name, t);                                                            \
        printf(" %.6g %.6g %.6g %.6g %.6g %.6g%s\n", a, b, d, e, f, g, unit);              \
    }
#define TIMED_UINT8(function, name, unit) TIMED_UNSIGNED(function, name, uint8_t, unit)
#define TIMED_UINT16(function, name, unit) TIMED_UNSIGNED(function, name, uint16_t, unit)
#define TIMED_UINT32(function, name, unit) TIMED_UNSIGNED(function, name, uint32_t, unit)
#define TIMED_UINT64(function, name, unit) TIMED_UNSIGNED(function, name, uint64_t, unit)
#define TIMED_UNSIGNED(function, name, type, unit)                                         \
    static void function(void* c, uint64_t t, type v) {                                   \
        beginTimed(c, name, t);                                                            \
        printf(" %llu%s\n", (unsigned long long)v, unit);                                  \
    }
#define TIME_ONLY(function, name, unit)                                                    \
    static void function(void* c, uint64_t t) {                                           \
        beginTimed(c, name, t);                                                            \
        printf("%s\n", unit);                                                              \
    }
#define LIVE_AND_PAST(shape, quantity, name, unit)                                         \
    shape(on##quantity, name, unit)                                                        \
    shape(onPast##quantity, "past_" name, unit)

LIVE_AND_PAST(TIMED_FLOAT, Ecg, "ecg", "")
LIVE_AND_PAST(TIMED_FLOAT, Respiration, "respiration", "")
LIVE_AND_PAST(TIMED_FLOAT, Temperature, "temperature", " degC")
LIVE_AND_PAST(TIMED_FLOAT, Eda, "eda", "")
LIVE_AND_PAST(TIMED_VECTOR3, Accelerometer, "accelerometer", " g")
LIVE_AND_PAST(TIMED_VECTOR3, MotionVector2, "motion_vector2", "")
LIVE_AND_PAST(TIMED_VECTOR3, MotionVector3, "motion_vector3", "")
LIVE_AND_PAST(TIMED_VECTOR3, Orientation, "orientation", "")
LIVE_AND_PAST(TIMED_QUATERNION, Quaternion, "quaternion", "")
LIVE_AND_PAST(TIMED_GPS, Gps, "gps", "")
LIVE_AND_PAST(TIMED_UINT32, Activity, "activity", "")
LIVE_AND_PAST(TIMED_UINT64, Steps, "steps", "")
LIVE_AND_PAST(TIMED_UINT32, RespirationRate, "respiration_rate", "")
LIVE_AND_PAST(TIMED_UINT32, HeartRate, "heart_rate", " bpm")
LIVE_AND_PAST(TIMED_UINT32, Rr, "rr", "")
LIVE_AND_PAST(TIMED_UINT16, SoundVolume, "sound_volume", "")
LIVE_AND_PAST(TIMED_UINT32, Pressure, "pressure", "")
LIVE_AND_PAST(TIMED_UINT32, BodyPosition, "body_position", "")
LIVE_AND_PAST(TIMED_UINT8, Signal15, "signal15", "")
LIVE_AND_PAST(TIME_ONLY, UserEvent, "user_event", "")

#define COUNT_OF(array) (sizeof(array) / sizeof((array)[0]))

/* Names of the codes that have one; a null entry is a code without a name. */
static const char* const wearStateNames[] = {"lead on", NULL, NULL, "lead off"};
static const char* const pressureContactNames[] = {"variation", NULL, NULL, "no variation"};
static const char* const motionEventNames[] = {
    "vertical repetition",     "swing",
    "return to posture 1",     "swing after a vertical repetition",
    "repetition at a minimum", "repetition at a maximum",
    "plank start",             "plank end"};
static const char* const syncStateNames[] = {"start", "end", "device status 1",
                                             "device status 5", "device status 6"};

/* long long: long is 32 bits on Windows, and a wear state is an unsigned 32-bit value. */
static void printCode(const char* name, long long code, const char* const* names, size_t count) {
    printf("%s %lld", name, code);
    if (code >= 0 && (size_t)code < count && names[code] != NULL) {
        printf(" (%s)", names[code]);
    }
    printf("\n");
}

static void onBattery(void* c, uint8_t level) {
    checkContext(c);
    printf("battery %u\n", (unsigned)level);
}
static void onWearState(void* c, uint32_t v) {
    checkContext(c);
    printCode("wear_state", (long long)v, wearStateNames, COUNT_OF(wearStateNames));
}
static void onMotionEvent(void* c, int v) {
    checkContext(c);
    printCode("motion_event", v, motionEventNames, COUNT_OF(motionEventNames));
}
static void onPressureLeadOff(void* c, int v) {
    checkContext(c);
    printCode("pressure_lead_off", v, pressureContactNames, COUNT_OF(pressureContactNames));
}
static void onSyncState(void* c, int v) {
    checkContext(c);
    printCode("sync_state", v, syncStateNames, COUNT_OF(syncStateNames));
}
static void onSyncProgress(void* c, uint32_t count, float rate) {
    checkContext(c);
    /* The legacy transfer reports no rate, as a negative one. */
    printf("sync_progress %lu %.6g%s\n", (unsigned long)count, rate, rate >= 0 ? " B/s" : "");
}

static void printHex(const uint8_t* data, size_t size) {
    size_t i;
    for (i = 0; i < size; ++i) {
        printf(" %02X", (unsigned)data[i]);
    }
}

static int isPrintableText(const uint8_t* data, size_t size) {
    size_t i;
    for (i = 0; i < size; ++i) {
        uint8_t byte = data[i];
        if ((byte < 0x20 || byte > 0x7E) && byte != '\t' && byte != '\n' && byte != '\r') {
            return 0;
        }
    }
    return 1;
}

/* Quoted, with the characters that would break the line or the quotes escaped. */
static void printText(const uint8_t* data, size_t size) {
    size_t i;
    printf(" text \"");
    for (i = 0; i < size; ++i) {
        switch (data[i]) {
        case '\t': printf("\\t"); break;
        case '\n': printf("\\n"); break;
        case '\r': printf("\\r"); break;
        case '"': printf("\\\""); break;
        case '\\': printf("\\\\"); break;
        default: putchar(data[i]); break;
        }
    }
    printf("\"");
}

static void onPayload(void* c, const char* name, const uint8_t* data, size_t size) {
    checkContext(c);
    printf("payload %s %lu", name, (unsigned long)size);
    if (size == 0 || isPrintableText(data, size)) {
        printText(data, size);
    } else {
        printf(" hex");
        printHex(data, size);
    }
    printf("\n");
}

static void onBleSend(void* c, const uint8_t* data, int length) {
    checkContext(c);
    printf("ble_send %d", length);
    if (length > 0) {
        printHex(data, (size_t)length);
    }
    printf("\n");
}

static void onBleReady(void* c) {
    checkContext(c);
    printf("ble_ready\n");
}

static const char* const logLevelNames[] = {"Debug", "Info", "Warning", "Error"};

static void onLog(void* c, int level, const char* text) {
    checkContext(c);
    if (!host.printLog) {
        return;
    }
    if (level >= 0 && (size_t)level < COUNT_OF(logLevelNames)) {
        printf("log %s %s\n", logLevelNames[level], text);
    } else {
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
        onSyncState, onSyncProgress, onPastEcg, onPastRespiration, onPastTemperature,
        onPastHeartRate, onPastRr, onPastActivity, onPastRespirationRate, onPastSteps,
        onPastUserEvent, onPastSoundVolume, onPastPressure, onPastAccelerometer,
        onPastMotionVector2, onPastQuaternion, onPastOrientation, onPastMotionVector3,
        onPastBodyPosition, onPastSignal15, sdk);
    TenvikSDK_set_payload_callback(onPayload, sdk);
    TenvikSDK_set_eda_callback(onEda, sdk);
    TenvikSDK_set_gps_callback(onGps, sdk);
    TenvikSDK_set_past_eda_callback(onPastEda, sdk);
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
    host.callStartSecond = wallClockSecond();
    if (strcmp(name, "send") == 0) {
        char* end;
        long long pid = strtoll(rest, &end, 10);
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
    for (i = 0; i < COUNT_OF(characteristics); ++i) {
        if (strcmp(name, characteristics[i].name) == 0) {
            characteristics[i].entry(bytes, count, sdk);
            return 0;
        }
    }
    fprintf(stderr, "line %d: unknown entry '%s'\n", lineNumber, name);
    return 1;
}

/* Strips the line end; returns 0 when the line did not fit into the buffer. */
static int trimLineEnd(char* line, FILE* capture) {
    size_t length = strlen(line);
    int complete = length > 0 && line[length - 1] == '\n';
    while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r')) {
        line[--length] = '\0';
    }
    return complete || feof(capture);
}

/* Captures are read as bytes, and trimLineEnd takes a line end of "\r\n" or "\n" alike. The
   output is written as bytes too: Windows would open the standard streams as text, writing
   "\r\n" for every "\n", and the output is to be the same on every system. */
static void useBinaryStandardStreams(void) {
#if defined(_WIN32)
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
}

static void printHelp(void) {
    printf(USAGE
           "Replays CAPTURE through libtenvik_sdk and prints every callback it receives, one\n"
           "line each. CAPTURE is a file, or - for standard input.\n"
           "\n"
           "  --log     also print the library's log lines, with their level\n"
           "  --stable  print host-clock times as t (t32+N: the clock's upper 32 bits joined\n"
           "            with device time N), so that every run prints the same\n"
           "  --help    print this help and exit\n"
           "\n"
           "A capture's first line is the firmware revision; then one entry per line:\n"
           "  chunk HEX...        a notification chunk of the device's message channel\n"
           "  send PID HEX...     a command for the device process PID\n"
           "  NAME HEX...         a characteristic value, NAME one of battery, ecg,\n"
           "                      respiration, temperature, motion, activity, steps,\n"
           "                      orientation, heartrate, thermometer, sound, nasal\n"
           "Blank lines and lines starting with # are skipped.\n"
           "\n"
           "Exit status: 0 when every line was replayed; 1 when a line or the revision was\n"
           "refused or a callback received the wrong context; 2 for bad usage or a capture\n"
           "that cannot be read.\n");
}

static int usageError(const char* message, const char* argument) {
    fprintf(stderr, "replay: %s '%s'\n" USAGE "Try 'replay --help'.\n", message, argument);
    return 2;
}

int main(int argc, char** argv) {
    static char line[MAX_LINE];
    const char* path = NULL;
    const char* shownPath;
    FILE* capture;
    TenvikSDK* sdk;
    int lineNumber = 1;
    int status = 0;
    int i;

    useBinaryStandardStreams();
    for (i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--help") == 0 || strcmp(argv[i], "-h") == 0) {
            printHelp();
            return 0;
        }
    }
    for (i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--log") == 0) {
            host.printLog = 1;
        } else if (strcmp(argv[i], "--stable") == 0) {
            host.stable = 1;
        } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
            return usageError("unknown option", argv[i]);
        } else if (path != NULL) {
            return usageError("only one capture, not also", argv[i]);
        } else {
            path = argv[i];
        }
    }
    if (path == NULL) {
        fprintf(stderr, USAGE "Try 'replay --help'.\n");
        return 2;
    }
    if (strcmp(path, "-") == 0) {
        capture = stdin;
        shownPath = "standard input";
    } else {
        capture = fopen(path, "rb");
        shownPath = path;
    }
    if (capture == NULL) {
        fprintf(stderr, "replay: cannot open %s\n", path);
        return 2;
    }
    if (fgets(line, sizeof line, capture) == NULL) {
        fprintf(stderr, "%s: no firmware revision\n", shownPath);
        fclose(capture);
        return 2;
    }
    trimLineEnd(line, capture);
    sdk = TenvikSDK_create(line, (int)strlen(line));
    if (sdk == NULL) {
        fprintf(stderr, "%s: firmware revision '%s' refused\n", shownPath, line);
        fclose(capture);
        return 1;
    }
    printf("%s", legend);
    printf("created %s\n", line);
    registerCallbacks(sdk);

    while (fgets(line, sizeof line, capture) != NULL) {
        ++lineNumber;
        if (!trimLineEnd(line, capture)) {
            int c;
            fprintf(stderr, "line %d: longer than %d characters\n", lineNumber, MAX_LINE - 2);
            status = 1;
            while ((c = fgetc(capture)) != EOF && c != '\n') {
            }
            continue;
        }
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
