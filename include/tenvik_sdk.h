/*
 * libtenvik_sdk: the host interface of the Tenvik wearable body-sensor library.
 *
 * OVERVIEW
 *
 * The host application owns the Bluetooth Low Energy link; the library owns everything
 * between the raw bytes of that link and meaningful values. The host
 *
 *   1. creates one instance per connected device from the device's firmware revision
 *      (TenvikSDK_create); the revision fixes the link protocol, the packet layouts and the
 *      device's options for the life of the instance;
 *   2. registers its context pointer and its callbacks (TenvikSDK_set_context,
 *      TenvikSDK_init_callbacks, TenvikSDK_init_synchronization_callbacks and the single
 *      setters), and the process-wide log callback (TenvikSDK_set_log_callback);
 *   3. feeds the instance: every notification chunk of the device's message channel to
 *      TenvikSDK_process_ble_chunk, every value of a measurement characteristic to its
 *      process...Package function, every command of its own to TenvikSDK_send, and writes
 *      to the device whatever the library hands to the BLE send callback;
 *   4. destroys the instance when the device is gone (TenvikSDK_destroy).
 *
 * There is no loop inside the library: it does its work inside the call that brought the
 * data, and it answers through the callbacks, synchronously, before that call returns.
 * Every function that acts on an instance takes the instance pointer as its LAST argument.
 * No function returns an error code: what goes wrong is logged (see LOGGING) or, for link
 * errors, delivered as a payload named "system" (see TenvikSDK_set_payload_callback).
 * Every function that takes an instance accepts NULL and then does nothing. Any other
 * pointer must be one that TenvikSDK_create returned and that is not yet destroyed.
 *
 * THREADS AND RE-ENTRANCY
 *
 * The library creates no threads and takes no locks; every call runs to completion on the
 * caller's thread, and every callback runs on that thread, inside that call. An instance
 * must be used from one thread at a time. Separate instances may be driven from separate
 * threads; what they share is the log callback and its context, one pair for the process.
 * The pair may be set on one thread while another logs: each line reaches a callback with
 * the context that was set together with it.
 *
 * A callback may call back into the library, into the same instance too: it may replace or
 * clear callbacks (the change holds from the next value on, even within the same packet),
 * change the context, send a command, feed more data, or destroy the instance (see
 * TenvikSDK_destroy). The library reads each callback pointer right before it calls it.
 * A notification chunk fed from inside a callback is taken in order after the chunk in
 * progress, before the outermost call returns; its callbacks come then.
 *
 * CALLBACKS
 *
 * Every callback returns nothing and receives the host's context pointer first (the one
 * given to TenvikSDK_set_context; NULL until then); the log callback receives the log
 * context instead. A NULL callback is never called: what it would have received is dropped,
 * while the decoding behind it (filters, detectors, the memory of earlier samples) goes on
 * all the same, unless the callback's description says otherwise.
 *
 * Pointers handed to a callback (payload names and bytes, framed packets, log texts) are
 * valid only until that callback returns; a host that keeps the bytes copies them. The
 * library keeps no pointer to the data given to an export beyond the call either: it
 * copies what it needs.
 *
 * TIMES
 *
 * Every time is an unsigned 64-bit count of milliseconds since 1970-01-01 00:00:00 UTC.
 *
 *   - Characteristic values are stamped with the host's wall clock (not a monotonic clock)
 *     at the moment the process...Package function is called. When one packet carries
 *     several samples, they are spread from that time as each function says (2 ms apart for
 *     the 20-byte ECG and respiration layouts, for example).
 *   - Some layouts join the host clock with the device's: ECG packets of firmware 3.2.30
 *     and later carry the low 32 bits of the device's time, which replace the low 32 bits
 *     of the host clock; user events of firmware 3.5.60 and later do the same with the
 *     event time that the device sends. No correction is made when the two clocks lie on
 *     different sides of a 2^32 ms (about 49.7 days) boundary.
 *   - Values from a recording (a session that the device's collect process sends, or one
 *     that a synchronisation downloads) take the recording's own times: the records of each
 *     signal are spread evenly from the session's start time towards its end time (record i
 *     of n at start + i * (end - start) / n); user events, EDA and GPS records carry their
 *     own times. A session whose start or end time is 0 is skipped; one whose end lies
 *     before its start has every record at its start. In the legacy synchronisation
 *     framing (firmware before 3.6.62) each record group carries the time of its first
 *     record, and ECG and respiration records follow 12 ms apart.
 *   - Battery level, wear state, motion events, pressure contact and the synchronisation
 *     state and progress carry no time.
 *
 * LOGGING
 *
 * Diagnostic lines go to one process-wide log callback (TenvikSDK_set_log_callback) with a
 * level and a text; see TENVIK_LOG_DEBUG and the levels after it. With no log callback set,
 * no line is built and nothing is called. Creating or destroying ANY instance switches the
 * log callback off: set it after the last TenvikSDK_create, and again after each
 * TenvikSDK_destroy.
 *
 * NAMES
 *
 * Eleven characteristic functions (processECGPackage and its siblings) carry no TenvikSDK_
 * prefix: they keep the names that hosts already call. Every other name of this header
 * begins with TenvikSDK_ or TENVIK_.
 *
 * Plain C: this header compiles as C99 and as C++.
 */
#ifndef TENVIK_SDK_H
#define TENVIK_SDK_H

#include <stddef.h>
#include <stdint.h>

/*
 * Version of the library this header belongs to. The major number is also the SONAME
 * version of the shared library (libtenvik_sdk.so.1): it changes exactly when the binary
 * interface changes incompatibly (a function removed, a signature or a callback shape
 * changed, a code changing its value). The minor number grows with compatible additions,
 * the patch number with fixes.
 */
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

/* Opaque instance handle: one per connected device, from TenvikSDK_create. */
typedef struct TenvikSDK TenvikSDK;

/* ==== Callback shapes and the codes they carry ========================================== */

/*
 * (context, timestamp, value): one sample.
 * Used for ECG, respiration, temperature and EDA samples, live and recorded; the meaning
 * and scale of each are given where the callback is registered.
 */
typedef void (*TenvikSDK_TimedFloatCallback)(void* context, uint64_t timestamp, float value);

/*
 * (context, timestamp, x, y, z): one three-component sample.
 * Used for the accelerometer (in g), the second and third vectors of the 18-byte motion
 * layout, and the three orientation angles.
 */
typedef void (*TenvikSDK_TimedVector3Callback)(void* context, uint64_t timestamp, float x,
                                               float y, float z);

/*
 * (context, timestamp, q0, q1, q2, q3): the device's orientation quaternion, scalar part
 * first (q0 = w), in the order the device sends it.
 */
typedef void (*TenvikSDK_TimedQuaternionCallback)(void* context, uint64_t timestamp, float q0,
                                                  float q1, float q2, float q3);

/*
 * (context, timestamp, v0 .. v5): one GPS record of a recording. The six values are the
 * record's six single-precision numbers in the order the device stored them, passed on
 * without scaling or interpretation; the timestamp is the record's own time.
 */
typedef void (*TenvikSDK_TimedGpsCallback)(void* context, uint64_t timestamp, float v0,
                                           float v1, float v2, float v3, float v4, float v5);

/*
 * (context, timestamp, value): one record of signal 15 of a recording: a byte that the
 * device records alongside the other signals, passed on unchanged. The library gives it no
 * meaning of its own. Recordings carry signal 15 from firmware 3.7.86 on.
 */
typedef void (*TenvikSDK_TimedUInt8Callback)(void* context, uint64_t timestamp, uint8_t value);

/* (context, timestamp, value): one sound-volume value, as the device measured it. */
typedef void (*TenvikSDK_TimedUInt16Callback)(void* context, uint64_t timestamp,
                                              uint16_t value);

/*
 * (context, timestamp, value): one integer value.
 * Used for activity (the TENVIK_ACTIVITY_ values below), respiration rate, heart rate
 * (beats per minute), RR interval, nasal-cannula pressure and body position (the
 * TENVIK_BODY_POSITION_ values below).
 */
typedef void (*TenvikSDK_TimedUInt32Callback)(void* context, uint64_t timestamp,
                                              uint32_t value);

/*
 * Activity values (activityCallback, pastActivityCallback). The device sends an activity
 * code of one byte; the library maps it to one of these values. Codes 1, 2, 4 and 8 keep
 * their value; codes 3, 5, 6 and 7 and every code outside 1 to 8 give TENVIK_ACTIVITY_OTHER.
 * What each activity stands for is the device's definition.
 */
#define TENVIK_ACTIVITY_1 1     /* device code 1 */
#define TENVIK_ACTIVITY_2 2     /* device code 2 */
#define TENVIK_ACTIVITY_4 4     /* device code 4 */
#define TENVIK_ACTIVITY_8 8     /* device code 8 */
#define TENVIK_ACTIVITY_OTHER 16 /* codes 3, 5, 6, 7 and any code outside 1 to 8 */

/*
 * Body position classes (bodyPositionCallback, pastBodyPositionCallback). Live values are
 * classified from the orientation angles (a0, a1, a2) of each orientation packet: a1 above
 * 240 gives class 2; a1 below -60 gives class 1 when below -215, else class 2; a1 between
 * -60 and 240 gives class 1 when between 40 and 120 (both excluded), else class 0. Then
 * a2 overrides: between 30 and 85 (excluded) gives class 3, between -85 and -30 (excluded)
 * class 4. The class delivered changes only after 132 consecutive packets that classify
 * differently; until then the previous class (0 at the start) is delivered again. Values
 * from a recording are the recorded byte when it is 1 to 4, else 0.
 */
#define TENVIK_BODY_POSITION_0 0 /* none of the classes below */
#define TENVIK_BODY_POSITION_1 1 /* a1 in (40, 120) or below -215 */
#define TENVIK_BODY_POSITION_2 2 /* a1 above 240 or in [-215, -60) */
#define TENVIK_BODY_POSITION_3 3 /* a2 in (30, 85) */
#define TENVIK_BODY_POSITION_4 4 /* a2 in (-85, -30) */

/* (context, timestamp, value): a step count, as a 64-bit value (see stepsCallback). */
typedef void (*TenvikSDK_TimedUInt64Callback)(void* context, uint64_t timestamp,
                                              uint64_t value);

/* (context, time): a user event (the user raised an event on the device), with its time. */
typedef void (*TenvikSDK_TimeCallback)(void* context, uint64_t time);

/* (context, level): the battery level, without a time. */
typedef void (*TenvikSDK_UInt8Callback)(void* context, uint8_t value);

/*
 * (context, state): the wear state, without a time. It is delivered only when it changes,
 * whichever of its sources changed it: the ECG lead-off test (firmware below 2.2.0), the
 * flags of heart-rate packets, the wear-state byte of ECG packets (firmware 3.3.41 and
 * later) and the wear-state byte of recordings received from the collect process. The
 * state starts as TENVIK_WEAR_STATE_UNKNOWN. A value above 5 from the device is logged and
 * dropped.
 */
typedef void (*TenvikSDK_UInt32Callback)(void* context, uint32_t value);

/* Wear states (wearStateCallback). */
#define TENVIK_WEAR_STATE_ON 0 /* in contact: ECG lead on, or heart-rate contact flag set */
#define TENVIK_WEAR_STATE_1 1  /* heart-rate flag 0x80 set (or the device reports 1) */
#define TENVIK_WEAR_STATE_2 2  /* heart-rate flag 0x20 while on, before firmware 2.2.18;
                                  the fourth in a row gives TENVIK_WEAR_STATE_OFF */
#define TENVIK_WEAR_STATE_OFF 3 /* no contact: ECG lead off, or contact flag clear */
#define TENVIK_WEAR_STATE_4 4   /* heart-rate flag 0x20 from firmware 2.2.18 to 3.3.40
                                   (or the device reports 4) */
#define TENVIK_WEAR_STATE_UNKNOWN 5 /* nothing reported yet (or the device reports 5) */

/*
 * (context, value): a code without a time. Used for motion events, pressure contact and the
 * synchronisation state; the codes of each follow.
 */
typedef void (*TenvikSDK_IntCallback)(void* context, int value);

/*
 * Motion events (motionEventCallback). The motion analysis follows the device's posture,
 * taken from its orientation quaternion: "up" while the device's z axis points up (the z
 * component of the rotated axis at least 0.65), "down" while it points down (at most
 * -0.65), "level" otherwise. Repetitions at minima and maxima are found in the doubly
 * integrated acceleration along the device's y axis.
 */
#define TENVIK_MOTION_EVENT_VERTICAL_REPETITION 0  /* a vertical repetition while up */
#define TENVIK_MOTION_EVENT_SWING 1                /* a swing while level */
#define TENVIK_MOTION_EVENT_RETURN_TO_MIDDLE 2     /* level again after level, then down */
#define TENVIK_MOTION_EVENT_SWING_AFTER_VERTICAL 3 /* right after a swing, when the report
                                                      before it was a vertical repetition */
#define TENVIK_MOTION_EVENT_REPETITION_AT_MINIMUM 4 /* a repetition at a minimum */
#define TENVIK_MOTION_EVENT_REPETITION_AT_MAXIMUM 5 /* a repetition at a maximum */
#define TENVIK_MOTION_EVENT_PLANK_START 6 /* a plank hold confirmed (62 samples in position) */
#define TENVIK_MOTION_EVENT_PLANK_END 7   /* the hold ended (62 samples out of position) */

/*
 * Pressure contact (pressureLeadOffCallback): whether the nasal-cannula pressure shows the
 * variation of breathing. Contact is confirmed after 42 consecutive samples whose spread
 * over the last 30 exceeds 80, and lost after 52 samples without it. The first pressure
 * sample reports TENVIK_PRESSURE_NO_CONTACT; after that only changes are reported, each
 * before the pressure value that caused it. Live values and recordings are followed
 * separately.
 */
#define TENVIK_PRESSURE_CONTACT 0
#define TENVIK_PRESSURE_NO_CONTACT 3

/*
 * Synchronisation states (syncStateCallback). A transfer reports TENVIK_SYNC_STATE_START
 * when it begins and TENVIK_SYNC_STATE_END when it ends; the other three carry device
 * statuses that the library passes on without giving them a further meaning.
 */
#define TENVIK_SYNC_STATE_START 0
#define TENVIK_SYNC_STATE_END 1
#define TENVIK_SYNC_STATE_STATUS_1 2 /* the device reported status 1 */
#define TENVIK_SYNC_STATE_STATUS_5 3 /* the device reported status 5 */
#define TENVIK_SYNC_STATE_STATUS_6 4 /* status 6; legacy framing (before 3.6.62) only */

/*
 * (context, count, rate): progress of a synchronisation. count is the progress count that
 * the device reports. rate is the download rate in payload bytes per second, measured over
 * two-second windows (1000.0 until the first window has closed), or -1.0 where the device
 * gives no rate (firmware before 3.6.62).
 */
typedef void (*TenvikSDK_ProgressCallback)(void* context, uint32_t count, float rate);

/*
 * (context, processName, data, size): a named payload. processName is a NUL-terminated
 * name; data points to size bytes (size may be 0). Both are valid only during the call.
 * See TenvikSDK_set_payload_callback for the names and what they carry.
 */
typedef void (*TenvikSDK_PayloadCallback)(void* context, const char* processName,
                                          const uint8_t* data, size_t size);

/*
 * (context, data, length): one whole framed packet (header and payload) to write to the
 * device's message channel. data is valid only during the call.
 */
typedef void (*TenvikSDK_BleSendCallback)(void* context, const uint8_t* data, int length);

/* (context): the link can take the next packet (see TenvikSDK_set_ble_ready_callback). */
typedef void (*TenvikSDK_BleReadyCallback)(void* context);

/*
 * (logContext, level, text): one diagnostic line, process-wide. level is one of the
 * TENVIK_LOG_ values below. text is a NUL-terminated line without a line end (two link
 * texts excepted); it begins by naming where it comes from, for example
 * "DataConverter.processStepsPackage: size != 4, size = 3". It stays valid until the next
 * line is logged on the same thread (which a call into the library from inside the log
 * callback may do): copy it to keep it.
 */
typedef void (*TenvikSDK_LogCallback)(void* logContext, int level, const char* text);

/* Log levels. */
#define TENVIK_LOG_DEBUG 0   /* traces: every chunk and send, process creation and routing */
#define TENVIK_LOG_INFO 1    /* wrong packet sizes, values out of range, session summaries */
#define TENVIK_LOG_WARNING 2 /* rejected or desynchronised link data, missing callbacks,
                                refused sends, link errors, invalid session data */
#define TENVIK_LOG_ERROR 3   /* a refused instance or link that cannot work */

/* ==== Lifecycle ============================================================================ */

/*
 * Creates an instance for a device from its firmware revision text: the first `length`
 * bytes of firmwareRevision (no terminating NUL is needed, and bytes after `length` are not
 * read). The revision is decimal numbers separated by single dots, usually three
 * ("3.6.62"): no empty part, no leading or trailing dot, no leading zero except in "0", no
 * sign, space or other character, each number at most 2147483647.
 *
 * The revision fixes, for the life of the instance, the link protocol (firmware below
 * 2.2.15, any 2.x from 2.3 on, and 0.x or 1.x: protocol 1; 2.2.15 to 2.2.17: protocol 2;
 * 2.2.18 and later 2.2 patches and every 3.x: protocol 3; 4 and above: protocol 4; a
 * revision of fewer than three numbers: protocol 3), the packet layouts that each
 * process...Package function expects and the device's options.
 *
 * Returns NULL when firmwareRevision is NULL, length is below 1, the text is not a valid
 * revision, or no memory is available. Whatever the result, the process-wide log callback
 * is switched off first (for every instance; see TenvikSDK_set_log_callback).
 */
TENVIK_SDK_API TenvikSDK* TenvikSDK_create(const char* firmwareRevision, int length);

/*
 * Destroys the instance and everything it holds; sdk may be NULL. Nothing is reported to the
 * host while the instance is destroyed; a message partly received from the device is
 * dropped. In every case, also for NULL, the process-wide log callback is switched off.
 *
 * It may be called from inside one of the instance's own callbacks (a host that tears down
 * on a disconnect report, say): the instance then stops delivering at once and logs nothing
 * more, also once the log callback is set again (other instances go on logging), every later
 * call on it from inside that callback does nothing, and its memory is released when the
 * outermost library call on it returns. The handle must not be used after that return.
 */
TENVIK_SDK_API void TenvikSDK_destroy(TenvikSDK* sdk);

/*
 * Sets the context pointer that every callback of the instance receives first, the BLE send
 * and ready callbacks included (the log callback has its own context). The library never
 * dereferences it. Until this is called the context is NULL. It may be changed at any time,
 * also from inside a callback; the next callback receives the new value.
 */
TENVIK_SDK_API void TenvikSDK_set_context(void* context, TenvikSDK* sdk);

/*
 * Sets the process-wide log callback and its context, replacing the earlier pair, for every
 * instance; NULL switches logging off. The pair belongs to no instance, and both
 * TenvikSDK_create and TenvikSDK_destroy (of any instance) switch it off, so set it after
 * creating the instances and again after each destroy. Lines arrive on the thread whose call
 * caused them.
 */
TENVIK_SDK_API void TenvikSDK_set_log_callback(TenvikSDK_LogCallback callback,
                                               void* logContext);

/* ==== Callback registration ================================================================ */

/*
 * Registers the 22 data callbacks of the instance, all at once: each call replaces all 22,
 * and a NULL argument switches that one off. A NULL sdk does nothing. The same callbacks
 * serve the live characteristic values and the recordings that the device's collect process
 * sends; recordings downloaded by a synchronisation go to the synchronisation callbacks
 * instead.
 *
 *   ecgCallback (timestamp, sample): ECG samples (processECGPackage). The raw converter
 *     value scaled to -0.5 .. just under 0.5 (24-bit samples * 2^-24, 16-bit samples
 *     * 2^-16); on firmware below 2.2.0 -(24-bit value * 1.21 / (3 * 2^23)), about
 *     +-0.403. No physical unit is applied.
 *   respirationCallback (timestamp, sample): respiration samples
 *     (processRespirationPackage, which gives the scale of each layout; recordings carry
 *     signed 24-bit values * 2^-10).
 *   temperatureCallback (timestamp, temperature): degrees Celsius
 *     (processTemperaturePackage, processHealthThermometerPackage, recordings).
 *   accelerometerCallback (timestamp, x, y, z): acceleration in g (processMotionPackage).
 *   motionVector2Callback, motionVector3Callback (timestamp, x, y, z): the second and third
 *     three-component vectors of the 18-byte motion layout, each component the device's
 *     signed 16-bit value / 16.
 *   batteryCallback (level): the battery level (TenvikSDK_process_battery_package).
 *   activityCallback (timestamp, activity): a TENVIK_ACTIVITY_ value
 *     (processActivityPackage; a recorded session reports it only when it changes).
 *   stepsCallback (timestamp, steps): the device's step count (processStepsPackage).
 *   orientationCallback (timestamp, a0, a1, a2): the three orientation angles
 *     (processOrientationPackage).
 *   quaternionCallback (timestamp, q0, q1, q2, q3): the orientation quaternion, scalar
 *     first, each component the device's signed 16-bit value * 2^-14
 *     (processMotionPackage, processOrientationPackage).
 *   respirationRateCallback (timestamp, rate): the respiration rate; see
 *     processRespirationPackage for where it comes from.
 *   wearStateCallback (state): a TENVIK_WEAR_STATE_ value, on each change.
 *   heartRateCallback (timestamp, bpm): heart rate in beats per minute
 *     (processHeartRatePackage).
 *   rrCallback (timestamp, interval): one RR interval, the device's 16-bit value unchanged
 *     (processHeartRatePackage).
 *   soundVolumeCallback (timestamp, value): sound volume (processSoundVolumePackage).
 *   motionEventCallback (event): a TENVIK_MOTION_EVENT_ code, from the live motion
 *     analysis (processMotionPackage) and from the motion records of recordings.
 *   userEventCallback (time): a user event raised on the device, with its time (see TIMES);
 *     from the device's system process and from recordings.
 *   pressureCallback (timestamp, value): nasal-cannula pressure, the device's 32-bit value
 *     unchanged (processNasalCannulaPackage).
 *   pressureLeadOffCallback (state): TENVIK_PRESSURE_CONTACT or TENVIK_PRESSURE_NO_CONTACT.
 *   bodyPositionCallback (timestamp, class): a TENVIK_BODY_POSITION_ class, with every
 *     orientation packet. While it is NULL the classification does not run at all.
 *   signal15Callback (timestamp, value): signal 15 of recordings (see
 *     TenvikSDK_TimedUInt8Callback); no characteristic feeds it.
 *
 * The live EDA and GPS callbacks have setters of their own.
 */
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

/*
 * Registers the 20 synchronisation callbacks, all at once (a NULL argument switches that one
 * off). They receive the recordings that the device stored while it was not connected, as a
 * synchronisation downloads them; nothing of a download reaches the live callbacks, and the
 * wear state and pressure contact of a download are not reported at all. Values have the
 * meaning, scale and unit of their live counterparts of TenvikSDK_init_callbacks; their
 * times are the recording's (see TIMES).
 *
 *   syncStateCallback (state): a TENVIK_SYNC_STATE_ value.
 *   syncProgressCallback (count, rate): see TenvikSDK_ProgressCallback. From firmware 3.6.62
 *     one report comes with each downloaded session, before its samples, and with each
 *     progress message of the device; before 3.6.62 with each record group and each
 *     progress report of the device.
 *   past... callbacks: one per recorded quantity, as named; pastUserEventCallback receives
 *     the event time only.
 *
 * The past EDA and GPS callbacks have setters of their own.
 */
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

/*
 * Sets the callback that receives the named payloads of the instance, replacing the earlier
 * one (NULL: payloads are dropped). A name is one of:
 *
 *   "System"   every message of the device's system process (process created or ended, a
 *              create or kill that failed, a user event), its bytes as received.
 *   "Update"   each message of the update process, as received.
 *   "Ping", "Set", "Memtest", "Dump"
 *              everything an instance of that process sent, handed over when the instance
 *              ends, followed by one zero byte that size counts (so the payload can be read
 *              as a text). "Dump" drops every byte from 0x80 to 0xFF first.
 *   "Log"      the log process's text, each time a line feed has arrived (no zero byte
 *              added), and the rest when the instance ends (with the zero byte).
 *   "Stat"     { "time": T, "ecg": E } as text, from a set-process answer of that kind.
 *   "MemoryInfo" { "flashSize": F, "systemSize": S , "syncSize": Y } as text, from a
 *              memory-process answer of that kind.
 *   "Shell"    messages of device processes of a type this library has no handler for,
 *              unchanged.
 *   "system"   (lower case) link errors: a text that begins with "BLE_ERROR: " (for
 *              example "BLE_ERROR: V4 Protocol Error Code: 6" for a protocol-4 message whose
 *              CRC-8 did not match, or the refusal of a send under protocol 1), without a
 *              zero byte; and, under protocol 2, device answers of the system kind.
 *
 * Under protocol 2 (firmware 2.2.15 to 2.2.17) the device's answers carry no process
 * number: each answer of the process kind takes the name of the oldest text command still
 * waiting for one (see TenvikSDK_send): "Update", "Ping", "Set", "Memtest", "Dump", "Log",
 * "Sync", "Collect", or "system" when none waits.
 *
 * The device's protocol-4 error codes in "BLE_ERROR: V4 Protocol Error Code: N": 2 a gzip
 * payload that does not inflate, 3 a first chunk of 19 bytes or fewer, 5 a first chunk that
 * does not begin 04 0A, 6 a CRC-8 mismatch, 7 more payload bytes than announced, 8 an empty
 * chunk. The message concerned is dropped. Framing errors of protocols 2 and 3 are only
 * logged.
 */
TENVIK_SDK_API void TenvikSDK_set_payload_callback(TenvikSDK_PayloadCallback callback,
                                                   TenvikSDK* sdk);

/*
 * Sets the live EDA callback (timestamp, value): the EDA records of recordings that the
 * device's collect process sends (firmware 4.0.0 and later), each with its own time and its
 * value as recorded. No characteristic feeds it.
 */
TENVIK_SDK_API void TenvikSDK_set_eda_callback(TenvikSDK_TimedFloatCallback callback,
                                               TenvikSDK* sdk);

/*
 * Sets the live GPS callback (timestamp, six values; see TenvikSDK_TimedGpsCallback): the GPS
 * records of recordings that the device's collect process sends (firmware 4.0.0 and later).
 * No characteristic feeds it.
 */
TENVIK_SDK_API void TenvikSDK_set_gps_callback(TenvikSDK_TimedGpsCallback callback,
                                               TenvikSDK* sdk);

/* Sets the EDA callback of synchronisation downloads; as TenvikSDK_set_eda_callback. */
TENVIK_SDK_API void TenvikSDK_set_past_eda_callback(TenvikSDK_TimedFloatCallback callback,
                                                    TenvikSDK* sdk);

/* Sets the GPS callback of synchronisation downloads; as TenvikSDK_set_gps_callback. */
TENVIK_SDK_API void TenvikSDK_set_past_gps_callback(TenvikSDK_TimedGpsCallback callback,
                                                    TenvikSDK* sdk);

/*
 * Sets the callback that writes framed packets to the device (see
 * TenvikSDK_BleSendCallback). Each call hands over one whole packet, header and payload
 * (the library does not cut it to a radio write size); the host writes it to the device's
 * message channel. Packets leave only during TenvikSDK_send. Without this callback a packet
 * is dropped with a warning line.
 */
TENVIK_SDK_API void TenvikSDK_set_ble_send_callback(TenvikSDK_BleSendCallback callback,
                                                    TenvikSDK* sdk);

/*
 * Sets the callback that tells the host the link can take the next packet. It is called
 * after every packet framed under protocols 2, 3 and 4, right before every protocol-4 link
 * error is reported, and once more after protocol-4 errors 3, 5 and 8. It is never called
 * under protocol 1, nor when a device message is delivered.
 */
TENVIK_SDK_API void TenvikSDK_set_ble_ready_callback(TenvikSDK_BleReadyCallback callback,
                                                     TenvikSDK* sdk);

/* ==== Device link =========================================================================== */

/*
 * Takes one notification chunk of the device's message channel: `size` bytes at `data`
 * (data may be NULL when size is 0). Chunks are joined into complete messages as the link
 * protocol says (protocol 1: each chunk is a message; 2: 5-byte headers; 3: packet headers
 * with the process number; 4: a 20-byte framing with an optional CRC-8 and gzip). A message
 * may span many chunks, and a partial message waits, without a time-out, for the next chunk.
 * A chunk longer than the largest message its protocol can carry (65535 bytes under
 * protocols 1 and 2, 3107 under protocol 3, 65555 under protocol 4) is refused with a warning
 * line, and the message it interrupts is dropped with it: no message is completed across the
 * refused bytes.
 *
 * Each complete message goes, during this call, to the device process it belongs to, which
 * may produce named payloads (TenvikSDK_set_payload_callback), user events, recordings at
 * the live callbacks (collect process) or a synchronisation (synchronisation callbacks).
 * Under protocol 2 every message is handed to the payload callback directly. Messages of
 * firmware below 2.2.15 produce nothing. Link errors arrive as "system" payloads.
 */
TENVIK_SDK_API void TenvikSDK_process_ble_chunk(const uint8_t* data, int size,
                                                TenvikSDK* sdk);

/*
 * Sends `size` bytes at `data` as one command for the device process `pid` (a negative pid
 * counts as 0; only its low 16 bits are sent). During this call the library frames the
 * command for the instance's protocol and hands the packet to the BLE send callback, then
 * calls the BLE ready callback. A send that cannot be made is logged as a warning. Under
 * protocol 1 the device takes no commands: nothing is sent and the payload callback
 * receives a "system" payload beginning "BLE_ERROR: ". A command too long for its
 * protocol's length field is refused with a warning line before a byte of it is read;
 * nothing is sent, and under protocol 2 no answer is named after it. Sending under
 * protocol 4 abandons a device message that is partly received.
 *
 * For firmware 1.x to 3.x a command for process 0 is sent as a system command, every other
 * command as process data. Under protocol 2 such a system command is a text whose first
 * word (leading white space skipped, case ignored) names the process whose answer it
 * expects ("system", "update", "ping", "set", "memory", "dump", "log", "sync",
 * "collect"); the answers are then named in the order the commands were sent (at most 8
 * wait; a ninth pushes out the oldest).
 */
TENVIK_SDK_API void TenvikSDK_send(const uint8_t* data, int size, int pid, TenvikSDK* sdk);

/* ==== Characteristic values ================================================================ */

/*
 * Each function below takes the value of one measurement characteristic of the device, as
 * the host read or was notified of it: `size` bytes at `data` (a NULL data counts as no
 * bytes). It stamps the value with the host clock (see TIMES), decodes it and calls the
 * callbacks named, before it returns. The expected size depends on the firmware revision;
 * a value of any other size produces one level-1 log line of the form
 * "DataConverter.processStepsPackage: size != 4, size = 3" and nothing else (no callback,
 * no change of state). Multi-byte fields are little-endian (LE) or big-endian (BE) as
 * given.
 *
 * Eleven of these functions carry no TenvikSDK_ prefix: they keep the names that hosts
 * already call.
 */

/*
 * Battery characteristic: 1 byte, the level; or 3 bytes, the level in tenths as a uint16 LE
 * (byte 2 unused), of which level = tenths / 10 (integer division, low 8 bits). Calls
 * batteryCallback(level), without a time. A wrong size logs
 * "DataConverter.processBatteryPackage: size = N".
 */
TENVIK_SDK_API void TenvikSDK_process_battery_package(const uint8_t* data, int size,
                                                      TenvikSDK* sdk);

/* Activity characteristic: 1 byte, the activity code. Calls activityCallback with its
   TENVIK_ACTIVITY_ value. */
TENVIK_SDK_API void processActivityPackage(const uint8_t* data, int size, TenvikSDK* sdk);

/*
 * ECG characteristic. The layout follows the firmware:
 *
 *   below 2.2.14                 18 bytes: six signed 24-bit LE samples; six outputs, all at
 *                                the call's time (filtered on firmware below 2.2.2);
 *   2.2.14 to 2.3.22,            20 bytes: ten signed 16-bit LE samples; 20 outputs;
 *   3.0.0 to 3.2.29
 *   2.3.23 and later 2.x         20 bytes: six signed 24-bit LE samples, bytes 18 and 19
 *                                unused; 12 outputs;
 *   3.2.30 to 3.3.33             20 bytes: the device's time (uint32 LE), eight signed
 *                                16-bit LE samples; 16 outputs;
 *   3.3.34 to 3.3.40             20 bytes: the device's time, five signed 24-bit LE
 *                                samples, byte 19 unused; 10 outputs;
 *   3.3.41 and later             as the previous, and byte 19 is the wear state
 *                                (TENVIK_WEAR_STATE_, reported first, when it changes).
 *
 * The 20-byte layouts double the sample rate: each sample gives the midpoint with the
 * previous sample, then the sample itself; their outputs are 2 ms apart, from the call's
 * time or from the device's time joined with the host clock (see TIMES). Each output goes to
 * ecgCallback (scale: see TenvikSDK_init_callbacks). On firmware below 2.2.0 the samples
 * also drive the ECG lead-off test, which reports TENVIK_WEAR_STATE_ON or
 * TENVIK_WEAR_STATE_OFF to wearStateCallback when it changes.
 */
TENVIK_SDK_API void processECGPackage(const uint8_t* data, int size, TenvikSDK* sdk);

/*
 * Health-thermometer characteristic: 5 bytes: a flags byte (not read: the unit and
 * time-stamp flags are ignored), a signed 24-bit LE mantissa and a signed 8-bit decimal
 * exponent. Calls temperatureCallback with mantissa * 10^exponent.
 */
TENVIK_SDK_API void processHealthThermometerPackage(const uint8_t* data, int size,
                                                    TenvikSDK* sdk);

/*
 * Heart-rate characteristic: 20 bytes: a flags byte, the heart rate in beats per minute
 * (uint8) and nine RR intervals (uint16 LE). Calls rrCallback nine times (zeros included),
 * then heartRateCallback, all at the call's time, when the heart rate is not 0, the firmware
 * is 2.2.2 or later and the flags allow it. Below 3.3.41 the flags also drive the wear
 * state, and the values are reported only with the state TENVIK_WEAR_STATE_ON:
 *
 *   2.2.18 to 3.3.40  flag 0x20 gives TENVIK_WEAR_STATE_4; else flag 0x80
 *                     TENVIK_WEAR_STATE_1; else flag 0x10 TENVIK_WEAR_STATE_ON; else
 *                     TENVIK_WEAR_STATE_OFF.
 *   below 2.2.18      flag 0x20 while the state is ON or 2 gives TENVIK_WEAR_STATE_2, and
 *                     the fourth such packet in a row TENVIK_WEAR_STATE_OFF; otherwise flag
 *                     0x80 gives TENVIK_WEAR_STATE_1; else flag 0x10 TENVIK_WEAR_STATE_ON;
 *                     else TENVIK_WEAR_STATE_OFF.
 *
 * From 3.3.41 the flags are not read and the values are always reported.
 */
TENVIK_SDK_API void processHeartRatePackage(const uint8_t* data, int size, TenvikSDK* sdk);

/*
 * Motion characteristic. Ignored entirely (no log line) below firmware 2.1.0.
 *
 *   2.1.0 to 2.2.10   20 bytes: four signed 16-bit BE quaternion components (scalar first,
 *                     * 2^-14), then three signed 32-bit BE accelerations (* 2^-16, from
 *                     2.2.0 also / 4096). Calls quaternionCallback, then
 *                     accelerometerCallback.
 *   2.2.11 and later  18 bytes: nine signed 16-bit BE values: the acceleration (/ 4096,
 *                     in g), then the second and third vectors (/ 16). Calls
 *                     accelerometerCallback, motionVector2Callback, motionVector3Callback.
 *
 * Every packet also runs the motion analysis, which may call motionEventCallback with
 * TENVIK_MOTION_EVENT_ codes. The 18-byte layout takes the orientation from the last
 * 14-byte orientation packet (before the first: no rotation, angles -1, -1, -1).
 */
TENVIK_SDK_API void processMotionPackage(const uint8_t* data, int size, TenvikSDK* sdk);

/*
 * Nasal-cannula pressure characteristic: 20 bytes: five uint32 BE pressure values. Each
 * value first feeds the pressure-contact test, which may call pressureLeadOffCallback (see
 * TENVIK_PRESSURE_CONTACT); then pressureCallback receives the five values, all at the
 * call's time.
 */
TENVIK_SDK_API void processNasalCannulaPackage(const uint8_t* data, int size, TenvikSDK* sdk);

/*
 * Orientation characteristic. Ignored entirely (no log line) below firmware 2.1.0.
 *
 *   2.1.0 to 2.2.10   6 bytes: three signed 16-bit BE angles.
 *   2.2.11 and later  14 bytes: three signed 16-bit BE angles (from 3.4.53 divided by 64),
 *                     then four signed 16-bit BE quaternion components (scalar first,
 *                     * 2^-14).
 *
 * Calls orientationCallback with the angles, then bodyPositionCallback with the class the
 * angles give (TENVIK_BODY_POSITION_), then, for 14 bytes, quaternionCallback. The 14-byte
 * layout's angles and quaternion also serve the motion analysis of later motion packets.
 */
TENVIK_SDK_API void processOrientationPackage(const uint8_t* data, int size, TenvikSDK* sdk);

/*
 * Respiration characteristic. The layout follows the firmware:
 *
 *   below 2.2.14        18 bytes: six signed 24-bit LE samples * 2^-24, filtered; six
 *                       outputs 8 ms apart (from 2.2.5 each sample four times: 24);
 *   2.2.14 to 2.2.16    20 bytes: ten signed 16-bit LE samples * 2^-16, filtered, six
 *                       points per sample; 60 outputs 2 ms apart;
 *   2.2.17 to 2.3.23,   20 bytes: nine signed 16-bit LE samples * 2^-10, then the
 *   3.0.0 to 3.5.58     device's respiration rate (uint16 BE); eight points per sample,
 *                       the last on the sample: 72 outputs 2 ms apart, not filtered;
 *   2.3.24 to 2.x,      20 bytes: six signed 24-bit LE samples * 2^-10, then the device's
 *   3.5.59 and later    respiration rate (uint16 BE); 48 outputs 2 ms apart, not filtered.
 *
 * The very first packet of an instance gives a few outputs fewer (the first sample has no
 * predecessor). Each output goes to respirationCallback. respirationRateCallback receives,
 * for the layouts with a rate, the device's rate value unchanged, at most once every 15 s
 * (always for the first packet); for the two older layouts the library's own estimate: the
 * number of breaths counted over the last 30000 filtered samples (fewer at the start), once
 * every 7500 samples, with the time of the packet that completed the count.
 */
TENVIK_SDK_API void processRespirationPackage(const uint8_t* data, int size, TenvikSDK* sdk);

/*
 * Sound-volume characteristic: 10 bytes: five uint16 BE values. Calls soundVolumeCallback
 * five times, all at the call's time.
 */
TENVIK_SDK_API void processSoundVolumePackage(const uint8_t* data, int size, TenvikSDK* sdk);

/*
 * Steps characteristic: 4 bytes: the step count, uint32 LE. Calls stepsCallback; the count
 * is widened as a signed 32-bit value, so a count of 2^31 or more arrives with the upper 32
 * bits set.
 */
TENVIK_SDK_API void processStepsPackage(const uint8_t* data, int size, TenvikSDK* sdk);

/*
 * Temperature characteristic: 4 bytes. From firmware 3.2.26: a uint16 LE in hundredths of a
 * degree Celsius (bytes 2 and 3 unused). Before: the skin and the ambient temperature, two
 * uint16 LE in units of 0.02 K, from which the library estimates the body temperature
 * (averaged over the last 5 skin and 20 ambient readings, truncated to 0.1 degree). Calls
 * temperatureCallback in degrees Celsius. While temperatureCallback is NULL nothing is
 * computed and the estimate's history does not advance.
 */
TENVIK_SDK_API void processTemperaturePackage(const uint8_t* data, int size, TenvikSDK* sdk);

#ifdef __cplusplus
}
#endif

#endif /* TENVIK_SDK_H */
