#pragma once

#include <cstdint>

#include "common/FirmwareVersion.h"
#include "signal/ISignalProcessor.h"
#include "signal/SignalProcessor.h"
#include "tenvik_sdk.h"

namespace Tenvik {

// Decoders of the records that the legacy synchronisation framing reassembles, and the keeper
// of the host's "past" callbacks, which the status-based transfer serves too. The data
// version and the firmware choose one ECG and one respiration layout for the instance. Holds
// its own signal chain (about 240 KB), so that recorded data never mixes with live data.
class SynchronizationProcess final : public ISignalProcessor {
public:
    struct Callbacks {
        TenvikSDK_TimedFloatCallback pastTemperatureCallback = nullptr;
        TenvikSDK_TimedFloatCallback pastRespirationCallback = nullptr;
        TenvikSDK_TimedFloatCallback pastEcgCallback = nullptr;
        TenvikSDK_TimedUInt32Callback pastHeartRateCallback = nullptr;
        TenvikSDK_TimedUInt32Callback pastRrCallback = nullptr;
        TenvikSDK_TimedUInt32Callback pastRespirationRateCallback = nullptr;
        TenvikSDK_TimedUInt32Callback pastActivityCallback = nullptr;
        TenvikSDK_TimedUInt64Callback pastStepsCallback = nullptr;
        TenvikSDK_TimedUInt16Callback pastSoundVolumeCallback = nullptr;
        TenvikSDK_TimedUInt32Callback pastPressureCallback = nullptr;
        TenvikSDK_TimedVector3Callback pastMotionVector3Callback = nullptr;
        TenvikSDK_TimedVector3Callback pastOrientationCallback = nullptr;
        TenvikSDK_TimedQuaternionCallback pastQuaternionCallback = nullptr;
        TenvikSDK_TimedVector3Callback pastAccelerometerCallback = nullptr;
        TenvikSDK_TimedVector3Callback pastMotionVector2Callback = nullptr;
        TenvikSDK_TimedUInt32Callback pastBodyPositionCallback = nullptr;
        TenvikSDK_TimeCallback pastUserEventCallback = nullptr;
        TenvikSDK_TimedUInt8Callback pastSignal15Callback = nullptr;
        TenvikSDK_TimedFloatCallback pastEdaCallback = nullptr;
        TenvikSDK_TimedGpsCallback pastGpsCallback = nullptr;
    };

    SynchronizationProcess();
    SynchronizationProcess(const SynchronizationProcess&) = delete;
    SynchronizationProcess& operator=(const SynchronizationProcess&) = delete;

    // ISignalProcessor: only the respiration rate of the signal chain reaches the host.
    void didCalculateHeartRate(uint32_t value, uint64_t timestamp) override;
    void didCalculateRespirationRate(uint32_t value, uint64_t timestamp) override;

    void setContext(void* hostContext);
    void* getContext() const { return context; }
    void setDataVersion(int version) { dataVersion = version; }
    int getDataVersion() const { return dataVersion; }
    void setFirmwareVersion(const FirmwareVersion& firmware) { firmwareVersion = firmware; }
    const FirmwareVersion& getFirmwareVersion() const { return firmwareVersion; }
    Callbacks& callbacks() { return pastCallbacks; }
    const Callbacks& callbacks() const { return pastCallbacks; }

    // Record decoders: (record bytes, record length, record time in ms).
    void processECGPackage(const uint8_t* record, uint32_t size, uint64_t timestamp);
    void processRespirationPackage(const uint8_t* record, uint32_t size, uint64_t timestamp);
    void processTemperaturePackage(const uint8_t* record, uint32_t size, uint64_t timestamp);
    void processHeartRatePackage(const uint8_t* record, uint32_t size, uint64_t timestamp);
    void processActivityPackage(const uint8_t* record, uint32_t size, uint64_t timestamp);
    void processStepsPackage(const uint8_t* record, uint32_t size, uint64_t timestamp);

    // ECG layouts, chosen by processECGPackage.
    void ecgProcessVersion1(const uint8_t* record, uint32_t size, uint64_t timestamp);
    void ecgProcessVersion2(const uint8_t* record, uint32_t size, uint64_t timestamp);
    void ecgProcessVersion3(const uint8_t* record, uint32_t size, uint64_t timestamp);
    void ecgProcessVersion4(const uint8_t* record, uint32_t size, uint64_t timestamp);
    void ecgProcessVersion5(const uint8_t* record, uint32_t size, uint64_t timestamp);

    // Respiration layouts, chosen by processRespirationPackage.
    void respirationProcessVersion1(const uint8_t* record, uint32_t size, uint64_t timestamp);
    void respirationProcessVersion2(const uint8_t* record, uint32_t size, uint64_t timestamp);
    void respirationProcessVersion3(const uint8_t* record, uint32_t size, uint64_t timestamp);
    void respirationProcessVersion4(const uint8_t* record, uint32_t size, uint64_t timestamp);

private:
    static constexpr int maxEcgOutputs = 20;
    static constexpr int maxRespirationOutputs = 72;

    void upsampleEcg(const uint8_t* samples, int count, int width, uint64_t timestamp,
                     uint64_t spacing);
    void deliverSamples(TenvikSDK_TimedFloatCallback Callbacks::*callback, const float* outputs,
                        int count, uint64_t timestamp, uint64_t spacing);
    void interpolateRespiration(const uint8_t* record, int count, int width,
                                float (*decode)(const uint8_t*), uint64_t timestamp);
    void reportRespirationRate(const uint8_t* record, uint64_t timestamp);

    int dataVersion = 8;
    FirmwareVersion firmwareVersion;
    Callbacks pastCallbacks;
    SignalProcessor signalProcessor;
    uint64_t lastRateReportTime = 0;
    uint8_t respirationRepeat = 4;
    float lastRespirationSample;
    float lastEcgSample = 0.0f;
    float ecgOutput[maxEcgOutputs] = {};
    float respirationOutput[maxRespirationOutputs] = {};
    void* context = nullptr;
};

}  // namespace Tenvik
