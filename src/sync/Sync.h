#pragma once

#include <cstdint>

#include "common/FirmwareVersion.h"
#include "processes/ISyncProcess.h"
#include "session/ISessionProcessor.h"
#include "session/SessionProcessor.h"
#include "signal/FrequencyCalculator.h"
#include "sync/SyncReceiver.h"
#include "sync/SyncReceiverDelegate.h"
#include "sync/SynchronizationProcess.h"
#include "tenvik_sdk.h"

namespace Tenvik {

// Handler of the device's synchronisation process: downloads the recordings the device
// stored while it was not connected. The firmware fixes the transfer mode once: status-based
// (each payload's options carry a status; data payloads are serialized sessions) or the
// legacy fixed-size packets, reassembled by the receiver and decoded record by record. Both
// modes report to the same host callbacks, kept in the receiver (state, progress) and in the
// decoders (every "past" sample).
class Sync final : public ISyncProcess, public SyncReceiverDelegate, public ISessionProcessor {
public:
    using Clock = uint64_t (*)();

    Sync();
    Sync(const Sync&) = delete;
    Sync& operator=(const Sync&) = delete;

    // Once, before the first payload: legacy sizes, the layouts of the firmware, the transfer
    // mode and the session format (0: 15 signals, 1: 16, else 18).
    void configure(uint8_t headerSize, uint32_t packetSize, uint32_t dataVersion,
                   const FirmwareVersion& firmware, uint32_t syncMode,
                   uint32_t sessionFormatKind) override;
    // The host context of every callback here, and of the motion detectors inside.
    void setContext(void* hostContext) override;

    // Process: one payload of the synchronisation process with its transport options.
    void process(const uint8_t* data, uint16_t size, uint64_t options) override;
    // The end of the process instance leaves any transfer state as it is.
    void onKilled() override;
    // The status-based step: status in the upper half of the options, count in the lower.
    void parseData(const uint8_t* data, uint16_t size, uint64_t options);

    // SyncReceiverDelegate: one complete legacy record, to the decoder of its type.
    void didReceiveRecord(const uint8_t* record, uint8_t length, int recordType,
                          uint64_t timestamp) override;

    // The host's synchronisation callbacks; each replaces the earlier one, null switches off.
    void setSyncStateCallback(TenvikSDK_IntCallback callback) override;
    void setSyncProgressCallback(TenvikSDK_ProgressCallback callback) override;
    void setPastEcgCallback(TenvikSDK_TimedFloatCallback callback) override;
    void setPastRespirationCallback(TenvikSDK_TimedFloatCallback callback) override;
    void setPastTemperatureCallback(TenvikSDK_TimedFloatCallback callback) override;
    void setPastHeartRateCallback(TenvikSDK_TimedUInt32Callback callback) override;
    void setPastActivityCallback(TenvikSDK_TimedUInt32Callback callback) override;
    void setPastRespirationRateCallback(TenvikSDK_TimedUInt32Callback callback) override;
    void setPastStepsCallback(TenvikSDK_TimedUInt64Callback callback) override;
    void setPastRrCallback(TenvikSDK_TimedUInt32Callback callback);
    void setPastUserEventCallback(TenvikSDK_TimeCallback callback);
    void setPastSoundVolumeCallback(TenvikSDK_TimedUInt16Callback callback);
    void setPastPressureCallback(TenvikSDK_TimedUInt32Callback callback);
    void setPastAccelerometerCallback(TenvikSDK_TimedVector3Callback callback);
    void setPastMotionVector2Callback(TenvikSDK_TimedVector3Callback callback);
    void setPastQuaternionCallback(TenvikSDK_TimedQuaternionCallback callback);
    void setPastOrientationCallback(TenvikSDK_TimedVector3Callback callback);
    void setPastMotionVector3Callback(TenvikSDK_TimedVector3Callback callback);
    void setPastBodyPositionCallback(TenvikSDK_TimedUInt32Callback callback);
    void setPastSignal15Callback(TenvikSDK_TimedUInt8Callback callback);
    void setPastEdaCallback(TenvikSDK_TimedFloatCallback callback);
    void setPastGpsCallback(TenvikSDK_TimedGpsCallback callback);

    // ISessionProcessor: the samples of a downloaded session, to the "past" callbacks. Wear
    // state and pressure contact of a recording are not reported.
    void didReceiveEcg(float sample, uint64_t timestamp) override;
    void didReceiveRespiration(float sample, uint64_t timestamp) override;
    void didReceiveSteps(uint64_t steps, uint64_t timestamp) override;
    void didReceiveTemperature(float temperature, uint64_t timestamp) override;
    void didReceiveAccelerometer(float x, float y, float z, uint64_t timestamp) override;
    void didReceiveMotionVector2(float x, float y, float z, uint64_t timestamp) override;
    void didReceiveMotionVector3(float x, float y, float z, uint64_t timestamp) override;
    void didReceiveQuaternion(float q0, float q1, float q2, float q3,
                              uint64_t timestamp) override;
    void didReceiveOrientation(float angle0, float angle1, float angle2,
                               uint64_t timestamp) override;
    void didReceiveHeartRate(uint32_t beatsPerMinute, uint64_t timestamp) override;
    void didReceiveRr(uint32_t interval, uint64_t timestamp) override;
    void didReceiveRespirationRate(uint32_t rate, uint64_t timestamp) override;
    void didReceiveSoundVolume(uint16_t value, uint64_t timestamp) override;
    void didReceiveActivity(uint32_t activity, uint64_t timestamp) override;
    void didReceivePressure(uint32_t value, uint64_t timestamp) override;
    void didReceiveUserEvent(uint64_t eventTime) override;
    void didReceiveBodyPosition(uint32_t bodyPosition, uint64_t timestamp) override;
    void didReceiveWearState(uint32_t state) override;
    void didReceivePressureLeadOff(int state) override;
    void didReceiveSignal15(uint8_t value, uint64_t timestamp) override;
    void didReceiveEda(float value, uint64_t timestamp) override;
    void didReceiveGps(float v0, float v1, float v2, float v3, float v4, float v5,
                       uint64_t timestamp) override;

    // The legacy framing, whose header helpers and transfer callbacks the SDK object's own
    // legacy path uses.
    SyncReceiver& getReceiver() { return receiver; }
    const SyncReceiver& getReceiver() const { return receiver; }
    const SynchronizationProcess& getDecoders() const { return decoders; }

    // What configure and setContext left, read from the parts that hold it.
    uint8_t getHeaderSize() const { return receiver.getHeaderSize(); }
    uint32_t getPacketSize() const { return static_cast<uint32_t>(receiver.getPacketSize()); }
    uint32_t getDataVersion() const { return static_cast<uint32_t>(decoders.getDataVersion()); }
    const FirmwareVersion& getFirmwareVersion() const { return decoders.getFirmwareVersion(); }
    int getMode() const { return static_cast<int>(mode); }
    int getSignalCount() const { return signalCount; }
    void* getContext() const { return context; }
    // The clock of the transfer-rate meter; the wall clock unless a test sets another.
    void setClock(Clock clock) { rateClock = clock; }

private:
    static bool isReceivedAcknowledgement(const uint8_t* data, uint16_t size);
    void processLegacyPacket(const uint8_t* data, uint16_t size);
    void reportState(int state);
    void reportProgress(uint32_t count);

    SyncReceiver receiver;
    SynchronizationProcess decoders;
    SessionProcessor sessionProcessor;
    uint32_t mode = 1;
    FrequencyCalculator rateMeter{1000.0f, 2};
    int signalCount = 0;
    void* context = nullptr;
    Clock rateClock;
};

}  // namespace Tenvik
