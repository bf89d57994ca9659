// The C interface: every export forwards to the SDK object behind the opaque handle. No
// exception leaves an export, and a null handle is a no-op for every one of them.

#include <cstdio>
#include <new>
#include <string>
#include <type_traits>

#include "common/FirmwareVersion.h"
#include "common/Log.h"
#include "common/LogScope.h"
#include "common/Platform.h"
#include "sdk/TenvikSDK.h"
#include "tenvik_sdk.h"

namespace {

Tenvik::TenvikSDK* instance(TenvikSDK* handle) {
    return reinterpret_cast<Tenvik::TenvikSDK*>(handle);
}

// Keeps the instance alive for the length of one export call: a host callback reached from
// inside may destroy it, and then the outermost call, when it ends, frees it.
class HostCall {
public:
    explicit HostCall(Tenvik::TenvikSDK& instance) : sdk(instance) { sdk.beginHostCall(); }
    ~HostCall() {
        if (sdk.endHostCall()) {
            delete &sdk;
        }
    }
    HostCall(const HostCall&) = delete;
    HostCall& operator=(const HostCall&) = delete;

private:
    Tenvik::TenvikSDK& sdk;
};

// Makes the calling thread's own state, the C++ runtime's and the log's, before an export's
// work: a thread pays for it on its first call, while there is memory. Where thread_local is
// emulated, making it later, once an allocation has failed, would abort the process.
void prepareThread() noexcept {
    Tenvik::prepareThreadExceptionState();
    Tenvik::prepareThreadLogState();
}

// Runs one export's work; no exception thrown inside crosses the C boundary. Thread
// cancellation (pthread_exit or pthread_cancel inside a host callback) is not an error and
// unwinds on through.
using Work = void (*)(void* action, Tenvik::TenvikSDK& sdk);
TENVIK_CATCHES_THREAD_CANCELLATION
void runGuarded(Work work, void* action, Tenvik::TenvikSDK& sdk) {
    try {
        work(action, sdk);
    } TENVIK_PASS_THREAD_CANCELLATION catch (...) {
    }
}

// Runs `action` on the instance behind the handle; a null handle does nothing. An instance the
// host has destroyed from inside a callback takes no further calls.
template <typename Action>
void withInstance(TenvikSDK* handle, Action&& action) {
    if (handle == nullptr) {
        return;
    }
    prepareThread();
    Tenvik::TenvikSDK& sdk = *instance(handle);
    if (sdk.isDestroyRequested()) {
        return;
    }
    using Callable = std::remove_reference_t<Action>;
    const HostCall call(sdk);
    // Every line logged during the call is the instance's, and a destroy from inside one of its
    // callbacks silences the rest. Declared after the call guard, so it closes before the
    // guard may free the instance that holds the flag.
    const Tenvik::LogScope lines(sdk.silencedFlag());
    runGuarded([](void* callable, Tenvik::TenvikSDK& s) { (*static_cast<Callable*>(callable))(s); },
               const_cast<void*>(static_cast<const void*>(&action)), sdk);
}

}  // namespace

extern "C" {

TENVIK_SDK_API TenvikSDK* TenvikSDK_create(const char* firmwareRevision, int length) {
    prepareThread();
    Tenvik::clearLogCallback();
    try {
        if (firmwareRevision == nullptr || length < 1) {
            Tenvik::logLine(Tenvik::LogError,
                            "TenvikSDK_create: firmware revision is required and cannot be empty");
            return nullptr;
        }
        const std::string text(firmwareRevision, static_cast<size_t>(length));
        Tenvik::FirmwareVersion version = Tenvik::FirmwareVersion::fromText(text);
        if (!version.valid) {
            Tenvik::logLine(Tenvik::LogError, "TenvikSDK_create: invalid firmware revision '", text,
                            "', rejecting");
            return nullptr;
        }
        auto* sdk = new (std::nothrow) Tenvik::TenvikSDK(version);
        std::fflush(stdout);
        return reinterpret_cast<TenvikSDK*>(sdk);
    } catch (...) {
        return nullptr;
    }
}

TENVIK_SDK_API void TenvikSDK_destroy(TenvikSDK* sdk) {
    Tenvik::TenvikSDK* doomed = instance(sdk);
    if (doomed != nullptr && doomed->isInsideHostCall()) {
        // Called from one of the instance's own callbacks: the call in progress still runs on
        // it, so the outermost export deletes it when it returns.
        if (!doomed->isDestroyRequested()) {
            doomed->requestDestroy();
        }
    } else {
        try {
            delete doomed;
        } catch (...) {
        }
    }
    Tenvik::clearLogCallback();
}

TENVIK_SDK_API void TenvikSDK_set_context(void* context, TenvikSDK* sdk) {
    withInstance(sdk, [&](Tenvik::TenvikSDK& s) { s.setContext(context); });
}

TENVIK_SDK_API void TenvikSDK_set_log_callback(TenvikSDK_LogCallback callback,
                                               void* logContext) {
    Tenvik::setLogCallback(callback, logContext);
}

TENVIK_SDK_API void TenvikSDK_init_callbacks(
    TenvikSDK_TimedFloatCallback ecgCallback, TenvikSDK_TimedFloatCallback respirationCallback,
    TenvikSDK_TimedFloatCallback temperatureCallback,
    TenvikSDK_TimedVector3Callback accelerometerCallback,
    TenvikSDK_TimedVector3Callback motionVector2Callback,
    TenvikSDK_TimedVector3Callback motionVector3Callback, TenvikSDK_UInt8Callback batteryCallback,
    TenvikSDK_TimedUInt32Callback activityCallback, TenvikSDK_TimedUInt64Callback stepsCallback,
    TenvikSDK_TimedVector3Callback orientationCallback,
    TenvikSDK_TimedQuaternionCallback quaternionCallback,
    TenvikSDK_TimedUInt32Callback respirationRateCallback,
    TenvikSDK_UInt32Callback wearStateCallback, TenvikSDK_TimedUInt32Callback heartRateCallback,
    TenvikSDK_TimedUInt32Callback rrCallback, TenvikSDK_TimedUInt16Callback soundVolumeCallback,
    TenvikSDK_IntCallback motionEventCallback, TenvikSDK_TimeCallback userEventCallback,
    TenvikSDK_TimedUInt32Callback pressureCallback, TenvikSDK_IntCallback pressureLeadOffCallback,
    TenvikSDK_TimedUInt32Callback bodyPositionCallback,
    TenvikSDK_TimedUInt8Callback signal15Callback, TenvikSDK* sdk) {
    const Tenvik::HostCallbacks callbacks{
        ecgCallback,           respirationCallback,   temperatureCallback,
        accelerometerCallback, motionVector2Callback, motionVector3Callback,
        batteryCallback,       activityCallback,      stepsCallback,
        orientationCallback,   quaternionCallback,    respirationRateCallback,
        wearStateCallback,     heartRateCallback,     rrCallback,
        soundVolumeCallback,   motionEventCallback,   userEventCallback,
        pressureCallback,      pressureLeadOffCallback, bodyPositionCallback,
        signal15Callback,
    };
    withInstance(sdk, [&](Tenvik::TenvikSDK& s) { s.initCallbacks(callbacks); });
}

TENVIK_SDK_API void TenvikSDK_init_synchronization_callbacks(
    TenvikSDK_IntCallback syncStateCallback, TenvikSDK_ProgressCallback syncProgressCallback,
    TenvikSDK_TimedFloatCallback pastEcgCallback,
    TenvikSDK_TimedFloatCallback pastRespirationCallback,
    TenvikSDK_TimedFloatCallback pastTemperatureCallback,
    TenvikSDK_TimedUInt32Callback pastHeartRateCallback,
    TenvikSDK_TimedUInt32Callback pastRrCallback,
    TenvikSDK_TimedUInt32Callback pastActivityCallback,
    TenvikSDK_TimedUInt32Callback pastRespirationRateCallback,
    TenvikSDK_TimedUInt64Callback pastStepsCallback, TenvikSDK_TimeCallback pastUserEventCallback,
    TenvikSDK_TimedUInt16Callback pastSoundVolumeCallback,
    TenvikSDK_TimedUInt32Callback pastPressureCallback,
    TenvikSDK_TimedVector3Callback pastAccelerometerCallback,
    TenvikSDK_TimedVector3Callback pastMotionVector2Callback,
    TenvikSDK_TimedQuaternionCallback pastQuaternionCallback,
    TenvikSDK_TimedVector3Callback pastOrientationCallback,
    TenvikSDK_TimedVector3Callback pastMotionVector3Callback,
    TenvikSDK_TimedUInt32Callback pastBodyPositionCallback,
    TenvikSDK_TimedUInt8Callback pastSignal15Callback, TenvikSDK* sdk) {
    const Tenvik::SynchronizationCallbacks callbacks{
        syncStateCallback,         syncProgressCallback,      pastEcgCallback,
        pastRespirationCallback,   pastTemperatureCallback,   pastHeartRateCallback,
        pastRrCallback,            pastActivityCallback,      pastRespirationRateCallback,
        pastStepsCallback,         pastUserEventCallback,     pastSoundVolumeCallback,
        pastPressureCallback,      pastAccelerometerCallback, pastMotionVector2Callback,
        pastQuaternionCallback,    pastOrientationCallback,   pastMotionVector3Callback,
        pastBodyPositionCallback,  pastSignal15Callback,
    };
    withInstance(sdk, [&](Tenvik::TenvikSDK& s) { s.initSynchronizationCallbacks(callbacks); });
}

TENVIK_SDK_API void TenvikSDK_set_payload_callback(TenvikSDK_PayloadCallback callback,
                                                   TenvikSDK* sdk) {
    withInstance(sdk, [&](Tenvik::TenvikSDK& s) { s.setPayloadCallback(callback); });
}

TENVIK_SDK_API void TenvikSDK_set_eda_callback(TenvikSDK_TimedFloatCallback callback,
                                               TenvikSDK* sdk) {
    withInstance(sdk, [&](Tenvik::TenvikSDK& s) { s.setEdaCallback(callback); });
}

TENVIK_SDK_API void TenvikSDK_set_gps_callback(TenvikSDK_TimedGpsCallback callback,
                                               TenvikSDK* sdk) {
    withInstance(sdk, [&](Tenvik::TenvikSDK& s) { s.setGpsCallback(callback); });
}

TENVIK_SDK_API void TenvikSDK_set_past_eda_callback(TenvikSDK_TimedFloatCallback callback,
                                                    TenvikSDK* sdk) {
    withInstance(sdk, [&](Tenvik::TenvikSDK& s) { s.setPastEdaCallback(callback); });
}

TENVIK_SDK_API void TenvikSDK_set_past_gps_callback(TenvikSDK_TimedGpsCallback callback,
                                                    TenvikSDK* sdk) {
    withInstance(sdk, [&](Tenvik::TenvikSDK& s) { s.setPastGpsCallback(callback); });
}

TENVIK_SDK_API void TenvikSDK_set_ble_send_callback(TenvikSDK_BleSendCallback callback,
                                                    TenvikSDK* sdk) {
    withInstance(sdk, [&](Tenvik::TenvikSDK& s) { s.setBLESendCallback(callback); });
}

TENVIK_SDK_API void TenvikSDK_set_ble_ready_callback(TenvikSDK_BleReadyCallback callback,
                                                     TenvikSDK* sdk) {
    withInstance(sdk, [&](Tenvik::TenvikSDK& s) { s.setBLEReadyCallback(callback); });
}

TENVIK_SDK_API void TenvikSDK_process_ble_chunk(const uint8_t* data, int size, TenvikSDK* sdk) {
    withInstance(sdk, [&](Tenvik::TenvikSDK& s) { s.processBLEChunk(data, size); });
}

TENVIK_SDK_API void TenvikSDK_send(const uint8_t* data, int size, int pid, TenvikSDK* sdk) {
    withInstance(sdk, [&](Tenvik::TenvikSDK& s) { s.sendPayload(data, size, pid); });
}

TENVIK_SDK_API void TenvikSDK_process_battery_package(const uint8_t* data, int size,
                                                      TenvikSDK* sdk) {
    withInstance(sdk, [&](Tenvik::TenvikSDK& s) { s.processBatteryPackage(data, size); });
}

#define TENVIK_CHARACTERISTIC_EXPORT(name)                                              \
    TENVIK_SDK_API void name(const uint8_t* data, int size, TenvikSDK* sdk) {           \
        withInstance(sdk, [&](Tenvik::TenvikSDK& s) { s.name(data, size); });           \
    }

TENVIK_CHARACTERISTIC_EXPORT(processActivityPackage)
TENVIK_CHARACTERISTIC_EXPORT(processECGPackage)
TENVIK_CHARACTERISTIC_EXPORT(processHealthThermometerPackage)
TENVIK_CHARACTERISTIC_EXPORT(processHeartRatePackage)
TENVIK_CHARACTERISTIC_EXPORT(processMotionPackage)
TENVIK_CHARACTERISTIC_EXPORT(processNasalCannulaPackage)
TENVIK_CHARACTERISTIC_EXPORT(processOrientationPackage)
TENVIK_CHARACTERISTIC_EXPORT(processRespirationPackage)
TENVIK_CHARACTERISTIC_EXPORT(processSoundVolumePackage)
TENVIK_CHARACTERISTIC_EXPORT(processStepsPackage)
TENVIK_CHARACTERISTIC_EXPORT(processTemperaturePackage)

#undef TENVIK_CHARACTERISTIC_EXPORT

}  // extern "C"
