#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "tenvik_sdk.h"

// The host side shared by the fuzz targets: one callback for every report the library can
// make, each reading all it is given (so that a bad pointer or length handed to the host
// shows under the sanitizers) and counting what arrived, so that a target can tell what a call
// reached.
namespace FuzzHost {

// Every report, in the argument order of TenvikSDK_init_callbacks, then the live EDA and GPS
// setters, the synchronisation callbacks in the argument order of
// TenvikSDK_init_synchronization_callbacks, their EDA and GPS setters, and the link's four.
enum Report : uint8_t {
    Ecg, Respiration, Temperature, Accelerometer, MotionVector2, MotionVector3, Battery,
    Activity, Steps, Orientation, Quaternion, RespirationRate, WearState, HeartRate, Rr,
    SoundVolume, MotionEvent, UserEvent, Pressure, PressureContact, BodyPosition, Signal15,
    Eda, Gps,
    SyncState, SyncProgress, PastEcg, PastRespiration, PastTemperature, PastHeartRate, PastRr,
    PastActivity, PastRespirationRate, PastSteps, PastUserEvent, PastSoundVolume, PastPressure,
    PastAccelerometer, PastMotionVector2, PastQuaternion, PastOrientation, PastMotionVector3,
    PastBodyPosition, PastSignal15, PastEda, PastGps,
    Payload, Send, Ready, Log,
    ReportCount
};

inline constexpr const char* reportNames[ReportCount] = {
    "ecg", "respiration", "temperature", "accelerometer", "motionVector2", "motionVector3",
    "battery", "activity", "steps", "orientation", "quaternion", "respirationRate", "wearState",
    "heartRate", "rr", "soundVolume", "motionEvent", "userEvent", "pressure", "pressureContact",
    "bodyPosition", "signal15", "eda", "gps",
    "syncState", "syncProgress", "pastEcg", "pastRespiration", "pastTemperature",
    "pastHeartRate", "pastRr", "pastActivity", "pastRespirationRate", "pastSteps",
    "pastUserEvent", "pastSoundVolume", "pastPressure", "pastAccelerometer",
    "pastMotionVector2", "pastQuaternion", "pastOrientation", "pastMotionVector3",
    "pastBodyPosition", "pastSignal15", "pastEda", "pastGps",
    "payload", "send", "ready", "log"};

inline bool isSynchronisation(Report report) { return report >= SyncState && report <= PastGps; }

// The characteristic exports, in the order the targets number them.
enum Characteristic : uint8_t {
    BatteryValue, EcgValue, RespirationValue, TemperatureValue, MotionValue, ActivityValue,
    StepsValue, OrientationValue, HeartRateValue, HealthThermometerValue, SoundVolumeValue,
    NasalCannulaValue,
    CharacteristicCount
};

using ValueExport = void (*)(const uint8_t*, int, TenvikSDK*);
inline constexpr ValueExport valueExports[CharacteristicCount] = {
    TenvikSDK_process_battery_package, processECGPackage,          processRespirationPackage,
    processTemperaturePackage,         processMotionPackage,       processActivityPackage,
    processStepsPackage,               processOrientationPackage,  processHeartRatePackage,
    processHealthThermometerPackage,   processSoundVolumePackage,  processNasalCannulaPackage};

// What arrived since the process started. Targets take a copy before a call and subtract it
// afterwards to see what that call caused.
struct Tally {
    uint32_t calls[ReportCount] = {};
    uint32_t wearStates[6] = {};      // by state
    uint32_t wearChanges = 0;         // wear states after the first of their instance
    uint32_t pressureContacts[2] = {};  // TENVIK_PRESSURE_CONTACT, TENVIK_PRESSURE_NO_CONTACT
    uint32_t pressureLosses = 0;      // no contact after contact, in the same instance
    uint32_t motionEvents[8] = {};    // by event code
    uint32_t syncStates[5] = {};      // by state
    uint32_t initialRates = 0;        // progress with the rate meter's initial 1000.0
    uint32_t measuredRates = 0;       // progress with a rate the meter measured
    uint32_t legacyRates = 0;         // progress without a rate (-1.0)
    uint32_t libraryCalls = 0;        // calls a host made from inside a callback

    Tally since(const Tally& before) const;
};

inline Tally tally;

// Per instance (reset by create): the wear states reported and whether contact was confirmed,
// so that a change can be told from the first report.
struct InstanceReports {
    uint32_t wearStates = 0;
    bool pressureContactConfirmed = false;
};
inline InstanceReports instanceReports;

// Called by every callback after it has counted and read its values, with the context the
// library passed; a target sets it to make callbacks call back into the library.
using Hook = void (*)(void* context, Report report);
inline Hook hook = nullptr;

inline volatile uint8_t sink;

inline void touch(const uint8_t* data, size_t size) {
    uint8_t sum = 0;
    for (size_t i = 0; i < size; ++i) {
        sum = static_cast<uint8_t>(sum + data[i]);
    }
    sink = sum;
}

template <typename Value>
inline void touchValue(Value value) {
    uint8_t bytes[sizeof value];
    std::memcpy(bytes, &value, sizeof value);
    touch(bytes, sizeof bytes);
}

void noteValue(Report report, int64_t value);
void noteProgressRate(float rate);

template <Report R, typename... Values>
void on(void* context, Values... values) {
    ++tally.calls[R];
    (touchValue(values), ...);
    if constexpr (R == WearState || R == PressureContact || R == MotionEvent ||
                  R == SyncState) {
        (noteValue(R, static_cast<int64_t>(values)), ...);
    }
    if (hook != nullptr) {
        hook(context, R);
    }
}

inline void onProgress(void* context, uint32_t count, float rate) {
    noteProgressRate(rate);
    on<SyncProgress>(context, count, rate);
}

void onPayload(void* context, const char* name, const uint8_t* data, size_t size);

inline void onSend(void* context, const uint8_t* data, int length) {
    touch(data, length > 0 ? static_cast<size_t>(length) : 0);
    on<Send>(context);
}

inline void onReady(void* context) { on<Ready>(context); }

inline void onLog(void* logContext, int, const char* text) {
    touch(reinterpret_cast<const uint8_t*>(text), std::strlen(text));
    on<Log>(logContext);
}

// Each registers (on) or clears (off) one group of callbacks.
void registerHostCallbacks(TenvikSDK* sdk, bool on);
void registerSynchronisationCallbacks(TenvikSDK* sdk, bool on);

// An instance of the revision with every callback set, or null when the revision is refused.
// The log callback is set last, since creation switches it off.
TenvikSDK* create(const char* revision, size_t length);
void registerEverything(TenvikSDK* sdk);

}  // namespace FuzzHost
