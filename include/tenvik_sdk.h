/*
 * libtenvik_sdk: the host interface of the Tenvik wearable body-sensor library.
 *
 * The host owns the Bluetooth Low Energy link. It creates one instance per connected
 * device from the device's firmware revision, registers its callbacks and a context
 * pointer, feeds the instance with what arrives from the device and with its own
 * commands, and destroys the instance when the device is gone. Every result is delivered
 * synchronously, inside the call that caused it, through the registered callbacks; each
 * callback receives the host's context pointer first.
 *
 * Every function that acts on an instance takes the instance pointer as its last argument.
 * Timestamps are milliseconds since the Unix epoch.
 *
 * Plain C: compiles as C99 and as C++.
 */
#ifndef TENVIK_SDK_H
#define TENVIK_SDK_H

#include <stddef.h>
#include <stdint.h>

#define TENVIK_SDK_VERSION_MAJOR 1
#define TENVIK_SDK_VERSION_MINOR 0
#define TENVIK_SDK_VERSION_PATCH 0

#if defined(_WIN32) || defined(__CYGWIN__)
#  if defined(TENVIK_SDK_BUILDING)
#    define TENVIK_SDK_API __declspec(dllexport)
#  else
#    define TENVIK_SDK_API __declspec(dllimport)
#  endif
#elif defined(__GNUC__) || defined(__clang__)
#  define TENVIK_SDK_API __attribute__((visibility("default")))
#else
#  define TENVIK_SDK_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Opaque instance handle. */
typedef struct TenvikSDK TenvikSDK;

/* ---- Callback shapes ----------------------------------------------------------------- */

/* (context, timestamp, value): ECG, respiration, temperature, EDA samples. */
typedef void (*TenvikSDK_TimedFloatCallback)(void* context, uint64_t timestamp, float value);
/* (context, timestamp, x, y, z): accelerometer, the two further motion vectors, orientation. */
typedef void (*TenvikSDK_TimedVector3Callback)(void* context, uint64_t timestamp, float x,
                                               float y, float z);
/* (context, timestamp, q0, q1, q2, q3): quaternion, scalar first as in the packet. */
typedef void (*TenvikSDK_TimedQuaternionCallback)(void* context, uint64_t timestamp, float q0,
                                                  float q1, float q2, float q3);
/* (context, timestamp, six values): GPS fix. */
typedef void (*TenvikSDK_TimedGpsCallback)(void* context, uint64_t timestamp, float v0,
                                           float v1, float v2, float v3, float v4, float v5);
/* (context, timestamp, value): signal 15. */
typedef void (*TenvikSDK_TimedUInt8Callback)(void* context, uint64_t timestamp, uint8_t value);
/* (context, timestamp, value): sound volume. */
typedef void (*TenvikSDK_TimedUInt16Callback)(void* context, uint64_t timestamp,
                                              uint16_t value);
/* (context, timestamp, value): activity, respiration rate, heart rate, RR interval,
   pressure, body position. */
typedef void (*TenvikSDK_TimedUInt32Callback)(void* context, uint64_t timestamp,
                                              uint32_t value);
/* (context, timestamp, value): steps. */
typedef void (*TenvikSDK_TimedUInt64Callback)(void* context, uint64_t timestamp,
                                              uint64_t value);
/* (context, event time): user events. */
typedef void (*TenvikSDK_TimeCallback)(void* context, uint64_t time);
/* (context, level): battery level, without a timestamp. */
typedef void (*TenvikSDK_UInt8Callback)(void* context, uint8_t value);
/* (context, state): wear state (0 to 5), without a timestamp. */
typedef void (*TenvikSDK_UInt32Callback)(void* context, uint32_t value);
/* (context, value): motion events, pressure contact, synchronisation state. */
typedef void (*TenvikSDK_IntCallback)(void* context, int value);
/* (context, count, rate): synchronisation progress. */
typedef void (*TenvikSDK_ProgressCallback)(void* context, uint32_t count, float rate);
/* (context, process name, data, size): named payloads of the device's processes. */
typedef void (*TenvikSDK_PayloadCallback)(void* context, const char* processName,
                                          const uint8_t* data, size_t size);
/* (context, data, length): one framed packet to write to the device. */
typedef void (*TenvikSDK_BleSendCallback)(void* context, const uint8_t* data, int length);
/* (context): the link is ready for the next packet. */
typedef void (*TenvikSDK_BleReadyCallback)(void* context);
/* (log context, level 0 debug .. 3 error, text): diagnostic lines, process-wide. The text
   is valid only until the next line logged on the same thread. */
typedef void (*TenvikSDK_LogCallback)(void* logContext, int level, const char* text);

/* ---- Lifecycle ------------------------------------------------------------------------ */

/* Creates an instance from the first `length` bytes of the firmware revision text
   (decimal parts separated by dots). Returns NULL for a refused revision. Switches the
   process-wide log callback off. */
TENVIK_SDK_API TenvikSDK* TenvikSDK_create(const char* firmwareRevision, int length);
/* Destroys the instance (NULL is allowed) and switches the process-wide log callback off.
   It may be called from inside one of the instance's own callbacks (a host that tears down
   on a disconnect report, say): the instance then stops delivering at once, every later call
   on it from inside that callback does nothing, and its memory is released when the
   outermost library call on it returns. The handle must not be used after that return. */
TENVIK_SDK_API void TenvikSDK_destroy(TenvikSDK* sdk);
/* Sets the context pointer handed back to every callback of the instance. */
TENVIK_SDK_API void TenvikSDK_set_context(void* context, TenvikSDK* sdk);
/* Sets the process-wide log callback and its context; NULL switches logging off. */
TENVIK_SDK_API void TenvikSDK_set_log_callback(TenvikSDK_LogCallback callback,
                                               void* logContext);

/* ---- Callback registration ------------------------------------------------------------ */

TENVIK_SDK_API void TenvikSDK_init_callbacks(
    TenvikSDK_TimedFloatCallback ecgCallback,
    TenvikSDK_TimedFloatCallback respirationCallback,
    TenvikSDK_TimedFloatCallback temperatureCallback,
    TenvikSDK_TimedVector3Callback accelerometerCallback,
    TenvikSDK_TimedVector3Callback motionVector2Callback,
    TenvikSDK_TimedVector3Callback motionVector3Callback,
    TenvikSDK_UInt8Callback batteryCallback,
    TenvikSDK_TimedUInt32Callback activityCallback,
    TenvikSDK_TimedUInt64Callback stepsCallback,
    TenvikSDK_TimedVector3Callback orientationCallback,
    TenvikSDK_TimedQuaternionCallback quaternionCallback,
    TenvikSDK_TimedUInt32Callback respirationRateCallback,
    TenvikSDK_UInt32Callback wearStateCallback,
    TenvikSDK_TimedUInt32Callback heartRateCallback,
    TenvikSDK_TimedUInt32Callback rrCallback,
    TenvikSDK_TimedUInt16Callback soundVolumeCallback,
    TenvikSDK_IntCallback motionEventCallback,
    TenvikSDK_TimeCallback userEventCallback,
    TenvikSDK_TimedUInt32Callback pressureCallback,
    TenvikSDK_IntCallback pressureLeadOffCallback,
    TenvikSDK_TimedUInt32Callback bodyPositionCallback,
    TenvikSDK_TimedUInt8Callback signal15Callback,
    TenvikSDK* sdk);

TENVIK_SDK_API void TenvikSDK_init_synchronization_callbacks(
    TenvikSDK_IntCallback syncStateCallback,
    TenvikSDK_ProgressCallback syncProgressCallback,
    TenvikSDK_TimedFloatCallback pastEcgCallback,
    TenvikSDK_TimedFloatCallback pastRespirationCallback,
    TenvikSDK_TimedFloatCallback pastTemperatureCallback,
    TenvikSDK_TimedUInt32Callback pastHeartRateCallback,
    TenvikSDK_TimedUInt32Callback pastRrCallback,
    TenvikSDK_TimedUInt32Callback pastActivityCallback,
    TenvikSDK_TimedUInt32Callback pastRespirationRateCallback,
    TenvikSDK_TimedUInt64Callback pastStepsCallback,
    TenvikSDK_TimeCallback pastUserEventCallback,
    TenvikSDK_TimedUInt16Callback pastSoundVolumeCallback,
    TenvikSDK_TimedUInt32Callback pastPressureCallback,
    TenvikSDK_TimedVector3Callback pastAccelerometerCallback,
    TenvikSDK_TimedVector3Callback pastMotionVector2Callback,
    TenvikSDK_TimedQuaternionCallback pastQuaternionCallback,
    TenvikSDK_TimedVector3Callback pastOrientationCallback,
    TenvikSDK_TimedVector3Callback pastMotionVector3Callback,
    TenvikSDK_TimedUInt32Callback pastBodyPositionCallback,
    TenvikSDK_TimedUInt8Callback pastSignal15Callback,
    TenvikSDK* sdk);

TENVIK_SDK_API void TenvikSDK_set_payload_callback(TenvikSDK_PayloadCallback callback,
                                                   TenvikSDK* sdk);
TENVIK_SDK_API void TenvikSDK_set_eda_callback(TenvikSDK_TimedFloatCallback callback,
                                               TenvikSDK* sdk);
TENVIK_SDK_API void TenvikSDK_set_gps_callback(TenvikSDK_TimedGpsCallback callback,
                                               TenvikSDK* sdk);
TENVIK_SDK_API void TenvikSDK_set_past_eda_callback(TenvikSDK_TimedFloatCallback callback,
                                                    TenvikSDK* sdk);
TENVIK_SDK_API void TenvikSDK_set_past_gps_callback(TenvikSDK_TimedGpsCallback callback,
                                                    TenvikSDK* sdk);
TENVIK_SDK_API void TenvikSDK_set_ble_send_callback(TenvikSDK_BleSendCallback callback,
                                                    TenvikSDK* sdk);
TENVIK_SDK_API void TenvikSDK_set_ble_ready_callback(TenvikSDK_BleReadyCallback callback,
                                                     TenvikSDK* sdk);

/* ---- Device link ---------------------------------------------------------------------- */

/* One notification chunk of the device's message channel. */
TENVIK_SDK_API void TenvikSDK_process_ble_chunk(const uint8_t* data, int size,
                                                TenvikSDK* sdk);
/* One command for the device process `pid`; framed packets leave through the BLE send
   callback during the call. */
TENVIK_SDK_API void TenvikSDK_send(const uint8_t* data, int size, int pid, TenvikSDK* sdk);

/* ---- Characteristic values -------------------------------------------------------------- */

TENVIK_SDK_API void TenvikSDK_process_battery_package(const uint8_t* data, int size,
                                                      TenvikSDK* sdk);
TENVIK_SDK_API void processActivityPackage(const uint8_t* data, int size, TenvikSDK* sdk);
TENVIK_SDK_API void processECGPackage(const uint8_t* data, int size, TenvikSDK* sdk);
TENVIK_SDK_API void processHealthThermometerPackage(const uint8_t* data, int size,
                                                    TenvikSDK* sdk);
TENVIK_SDK_API void processHeartRatePackage(const uint8_t* data, int size, TenvikSDK* sdk);
TENVIK_SDK_API void processMotionPackage(const uint8_t* data, int size, TenvikSDK* sdk);
TENVIK_SDK_API void processNasalCannulaPackage(const uint8_t* data, int size, TenvikSDK* sdk);
TENVIK_SDK_API void processOrientationPackage(const uint8_t* data, int size, TenvikSDK* sdk);
TENVIK_SDK_API void processRespirationPackage(const uint8_t* data, int size, TenvikSDK* sdk);
TENVIK_SDK_API void processSoundVolumePackage(const uint8_t* data, int size, TenvikSDK* sdk);
TENVIK_SDK_API void processStepsPackage(const uint8_t* data, int size, TenvikSDK* sdk);
TENVIK_SDK_API void processTemperaturePackage(const uint8_t* data, int size, TenvikSDK* sdk);

#ifdef __cplusplus
}
#endif

#endif /* TENVIK_SDK_H */
