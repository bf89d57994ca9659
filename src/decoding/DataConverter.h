#pragma once

#include <cstdint>

#include "common/FirmwareVersion.h"
#include "common/HostCallbacks.h"
#include "signal/BodyPositionClassifier.h"
#include "signal/IPressureLeadOff.h"
#include "signal/ISignalProcessor.h"
#include "signal/PressureLeadOffDetector.h"
#include "signal/SignalProcessor.h"
#include "tenvik_sdk.h"

namespace Tenvik {

// Decodes the characteristic values the host passes in into samples for the host callbacks.
// The firmware revision fixes, once at construction, which packet layout and scale every
// decoder uses. Results of its own signal chain and pressure-contact detector come back
// through the two interfaces and go on to the host.
class DataConverter final : public ISignalProcessor, public IPressureLeadOff {
public:
    // The host's data callbacks this object keeps; a null entry decodes and drops the value.
    struct Callbacks {
        TenvikSDK_TimedFloatCallback temperatureCallback = nullptr;
        TenvikSDK_TimedFloatCallback ecgCallback = nullptr;
        TenvikSDK_TimedFloatCallback respirationCallback = nullptr;
        TenvikSDK_TimedUInt32Callback activityCallback = nullptr;
        TenvikSDK_TimedUInt32Callback respirationRateCallback = nullptr;
        TenvikSDK_TimedUInt64Callback stepsCallback = nullptr;
        TenvikSDK_UInt8Callback batteryCallback = nullptr;
        TenvikSDK_UInt32Callback wearStateCallback = nullptr;
        TenvikSDK_IntCallback pressureLeadOffCallback = nullptr;
        TenvikSDK_TimedVector3Callback accelerometerCallback = nullptr;
        TenvikSDK_TimedVector3Callback motionVector2Callback = nullptr;
        TenvikSDK_TimedVector3Callback motionVector3Callback = nullptr;
        TenvikSDK_TimedVector3Callback orientationCallback = nullptr;
        TenvikSDK_TimedUInt32Callback bodyPositionCallback = nullptr;
        TenvikSDK_TimedQuaternionCallback quaternionCallback = nullptr;
        TenvikSDK_TimedUInt32Callback heartRateCallback = nullptr;
        TenvikSDK_TimedUInt32Callback rrCallback = nullptr;
        TenvikSDK_TimedUInt16Callback soundVolumeCallback = nullptr;
        TenvikSDK_TimedUInt32Callback pressureCallback = nullptr;
        TenvikSDK_TimedUInt8Callback signal15Callback = nullptr;
        TenvikSDK_TimedFloatCallback edaCallback = nullptr;
        TenvikSDK_TimedGpsCallback gpsCallback = nullptr;
    };

    static constexpr uint32_t initialWearState = 5;

    explicit DataConverter(const FirmwareVersion& firmware);
    ~DataConverter();

    DataConverter(const DataConverter&) = delete;
    DataConverter& operator=(const DataConverter&) = delete;

    // ISignalProcessor
    void didCalculateHeartRate(uint32_t value, uint64_t timestamp) override;
    void didCalculateRespirationRate(uint32_t value, uint64_t timestamp) override;
    // IPressureLeadOff
    void didChangePressureLeadOff(int state) override;

    // Capability selectors: firmware-dependent options for the other components.
    int getDataVersion() const { return dataVersion; }
    int getSyncHeaderSize() const { return 14; }
    int getPacketSize() const { return 18; }
    bool hasUserEventTimestamp() const;
    int getSenderMode() const;
    int getSyncMode() const;
    int getLegacyProtocolVersion() const;
    int getSessionFormat() const;
    int getProcessRouting() const;

    // Registration: every host callback but the motion-event and user-event ones, which
    // belong to other holders; the live EDA and GPS callbacks have setters of their own.
    void setHostCallbacks(const HostCallbacks& host);
    void setEdaCallback(TenvikSDK_TimedFloatCallback callback) { callbacks.edaCallback = callback; }
    void setGpsCallback(TenvikSDK_TimedGpsCallback callback) { callbacks.gpsCallback = callback; }
    const Callbacks& getCallbacks() const { return callbacks; }
    void setContext(void* hostContext) { context = hostContext; }
    SignalProcessor& getSignalProcessor() { return signalProcessor; }

    // Characteristic decoders: (bytes, size, time of receipt in ms).
    void processECGPackage(const uint8_t* data, int size, uint64_t timestamp);
    void processRespirationPackage(const uint8_t* data, int size, uint64_t timestamp);
    void processTemperaturePackage(const uint8_t* data, int size, uint64_t timestamp);
    void processMotionPackage(const uint8_t* data, int size, uint64_t timestamp);
    void processBatteryPackage(const uint8_t* data, int size);
    void processActivityPackage(const uint8_t* data, int size, uint64_t timestamp);
    void processStepsPackage(const uint8_t* data, int size, uint64_t timestamp);
    void processOrientationPackage(const uint8_t* data, int size, uint64_t timestamp);
    void processHeartRatePackage(const uint8_t* data, int size, uint64_t timestamp);
    void processHealthThermometerPackage(const uint8_t* data, int size, uint64_t timestamp);
    void processSoundVolumePackage(const uint8_t* data, int size, uint64_t timestamp);
    void processNasalCannulaPackage(const uint8_t* data, int size, uint64_t timestamp);

    // ECG layouts, chosen by processECGPackage.
    void ecgProcessVersion1(const uint8_t* data, int size, uint64_t timestamp);
    void ecgProcessVersion2(const uint8_t* data, int size, uint64_t timestamp);
    void ecgProcessVersion3(const uint8_t* data, int size, uint64_t timestamp);
    void ecgProcessVersion4(const uint8_t* data, int size, uint64_t timestamp);
    void ecgProcessVersion5(const uint8_t* data, int size, uint64_t timestamp);
    void ecgProcessVersion6(const uint8_t* data, int size, uint64_t timestamp);

    // Respiration layouts, chosen by processRespirationPackage.
    void respirationProcessVersion1(const uint8_t* data, int size, uint64_t timestamp);
    void respirationProcessVersion2(const uint8_t* data, int size, uint64_t timestamp);
    void respirationProcessVersion3(const uint8_t* data, int size, uint64_t timestamp);
    void respirationProcessVersion4(const uint8_t* data, int size, uint64_t timestamp);

    // A wear state from the device (ECG packets, recorded sessions); reported on change.
    void parseWearState(uint32_t value);
    // The wear state derived from the lead-off test of the oldest firmware's ECG samples.
    void handleEcgLeadOff(float sample);

private:
    using LeadOffHandler = void (DataConverter::*)(float);

    // The most outputs one packet yields (ECG layout 2: 10 samples doubled; respiration
    // layout 3: 9 samples of 8 points), the size of the arrays the decoders collect them in.
    static constexpr int maxEcgOutputs = 20;
    static constexpr int maxRespirationOutputs = 72;
    static constexpr int pressureValueCount = 5;

    void chooseFirmwareVariants();
    bool isAtLeast(const char* reference) const;

    void ecgUpsample(const uint8_t* samples, int count, int width, uint64_t base);
    float ecgSample24(const uint8_t* bytes) const;
    float ecgSample16(const uint8_t* bytes) const;
    // Hands a packet's outputs to one host callback, `spacing` ms apart from `base`.
    void deliverSamples(TenvikSDK_TimedFloatCallback Callbacks::*callback, const float* outputs,
                        int count, uint64_t base, uint64_t spacing);
    // Filters a packet's respiration inputs and delivers the outputs, `spacing` ms apart.
    void filterRespiration(const float* inputs, int count, uint64_t timestamp, uint64_t spacing);
    void interpolateRespiration(const uint8_t* data, int sampleCount, int width,
                                float (*decode)(const uint8_t*), uint64_t timestamp);
    void reportRespirationRateFromPacket(const uint8_t* data, uint64_t timestamp);
    void setWearState(uint32_t state);
    void updateHeartRateWearState(uint8_t flags, bool& report);
    void reportBodyPosition(float a0, float a1, float a2, uint64_t timestamp);

    Callbacks callbacks;
    SignalProcessor signalProcessor;
    void* context = nullptr;
    FirmwareVersion firmwareVersion;
    float lastQuaternion[4] = {1.0f, 0.0f, 0.0f, 0.0f};
    bool newEcgScale = false;
    LeadOffHandler leadOffHandler = &DataConverter::handleEcgLeadOff;
    PressureLeadOffDetector pressureLeadOffDetector;
    BodyPositionClassifier bodyPositionClassifier;
    uint32_t currentWearState = initialWearState;
    bool legacyFirmware = true;
    int32_t motionMode = 0;
    int32_t dataVersion = 8;
    int32_t heartRateFormat = 0;
    double accelerometerScale = 1.0;
    uint8_t respirationRepeat = 1;
    uint8_t heartRateWearCounter = 0;
    float lastRespirationSample;
    uint64_t lastRateReportTime = 0;
    float lastEcgSample = 0.0f;
    float lastAngles[3] = {-1.0f, -1.0f, -1.0f};
    int32_t temperatureFormat = 0;
};

}  // namespace Tenvik
