#include "sync/Sync.h"

#include <array>
#include <cstring>
#include <optional>

#include "common/Forward.h"
#include "common/Log.h"
#include "common/TimeUtils.h"
#include "session/Session.h"
#include "sync/SyncStatus.h"

namespace Tenvik {

namespace {

constexpr char receivedText[] = "RECEIVED";
constexpr uint16_t receivedLength = sizeof receivedText - 1;

enum RecordType : int {
    EcgRecord = 0,
    RespirationRecord = 1,
    TemperatureRecord = 2,
    HeartRateRecord = 3,
    ActivityRecord = 4,
    StepsRecord = 6,
};

}  // namespace

Sync::Sync() : receiver(this), sessionProcessor(this, 1), rateClock(&nowMs) {}

void Sync::configure(uint8_t headerSize, uint32_t packetSize, uint32_t dataVersion,
                     const FirmwareVersion& firmware, uint32_t syncMode,
                     uint32_t sessionFormatKind) {
    receiver.setHeaderSize(headerSize);
    receiver.setPacketSize(packetSize);
    receiver.setDataVersion(static_cast<int>(dataVersion));
    decoders.setDataVersion(static_cast<int>(dataVersion));
    decoders.setFirmwareVersion(firmware);
    signalCount = sessionFormatKind == 0 ? 15 : sessionFormatKind == 1 ? 16 : 18;
    mode = syncMode;
}

void Sync::setContext(void* hostContext) {
    context = hostContext;
    receiver.setContext(hostContext);
    decoders.setContext(hostContext);
    sessionProcessor.setContext(hostContext);
}

// ---- Traffic ------------------------------------------------------------------------------------

// The device's acknowledgement: these eight characters, then a zero byte or nothing.
bool Sync::isReceivedAcknowledgement(const uint8_t* data, uint16_t size) {
    if (data == nullptr || size < receivedLength) {
        return false;
    }
    return std::memcmp(data, receivedText, receivedLength) == 0 &&
           (size == receivedLength || data[receivedLength] == 0);
}

void Sync::process(const uint8_t* data, uint16_t size, uint64_t options) {
    if (isReceivedAcknowledgement(data, size)) {
        return;
    }
    if (mode == SyncModeStatusBased) {
        parseData(data, size, options);
        return;
    }
    processLegacyPacket(data, size);
}

// A payload shorter than a packet is read as a packet whose missing bytes are zero, like a
// record cut short by the end of its group.
void Sync::processLegacyPacket(const uint8_t* data, uint16_t size) {
    const auto packetBytes = static_cast<uint16_t>(receiver.packetBytes());
    if (size >= packetBytes && data != nullptr) {
        receiver.process(data);
        return;
    }
    std::array<uint8_t, SyncReceiver::maxPacketSize> packet{};
    if (size > 0 && data != nullptr) {
        std::memcpy(packet.data(), data, size);
    }
    receiver.process(packet.data());
}

void Sync::onKilled() {}

void Sync::parseData(const uint8_t* data, uint16_t size, uint64_t options) {
    const auto status = static_cast<uint32_t>(options >> 32);
    const auto count = static_cast<uint32_t>(options);
    if (const std::optional<int> state = syncStateForStatus(status)) {
        reportState(*state);
        return;
    }
    switch (status) {
        case SyncStatusData: {
            rateMeter.update(size, rateClock());
            reportProgress(count);
            const Session session(data, size, static_cast<uint8_t>(signalCount));
            sessionProcessor.sessionProcess(session, "sync");
            return;
        }
        case SyncStatusProgress: reportProgress(count); return;
        default: logLine(LogInfo, "Sync.parseData unrecognized status: ", status); return;
    }
}

void Sync::reportState(int state) { forward(receiver.getSyncStateCallback(), context, state); }

void Sync::reportProgress(uint32_t count) {
    forward(receiver.getSyncProgressCallback(), context, count, rateMeter.getFrequency());
}

void Sync::didReceiveRecord(const uint8_t* record, uint8_t length, int recordType,
                            uint64_t timestamp) {
    switch (recordType) {
        case EcgRecord: decoders.processECGPackage(record, length, timestamp); break;
        case RespirationRecord:
            decoders.processRespirationPackage(record, length, timestamp);
            break;
        case TemperatureRecord:
            decoders.processTemperaturePackage(record, length, timestamp);
            break;
        case HeartRateRecord: decoders.processHeartRatePackage(record, length, timestamp); break;
        case ActivityRecord: decoders.processActivityPackage(record, length, timestamp); break;
        case StepsRecord: decoders.processStepsPackage(record, length, timestamp); break;
        default: break;  // types 5 and 7 have no decoder
    }
}

// ---- Registration ------------------------------------------------------------------------------

void Sync::setSyncStateCallback(TenvikSDK_IntCallback callback) {
    receiver.setSyncStateCallback(callback);
}
void Sync::setSyncProgressCallback(TenvikSDK_ProgressCallback callback) {
    receiver.setSyncProgressCallback(callback);
}
void Sync::setPastEcgCallback(TenvikSDK_TimedFloatCallback callback) {
    decoders.callbacks().pastEcgCallback = callback;
}
void Sync::setPastRespirationCallback(TenvikSDK_TimedFloatCallback callback) {
    decoders.callbacks().pastRespirationCallback = callback;
}
void Sync::setPastTemperatureCallback(TenvikSDK_TimedFloatCallback callback) {
    decoders.callbacks().pastTemperatureCallback = callback;
}
void Sync::setPastHeartRateCallback(TenvikSDK_TimedUInt32Callback callback) {
    decoders.callbacks().pastHeartRateCallback = callback;
}
void Sync::setPastActivityCallback(TenvikSDK_TimedUInt32Callback callback) {
    decoders.callbacks().pastActivityCallback = callback;
}
void Sync::setPastRespirationRateCallback(TenvikSDK_TimedUInt32Callback callback) {
    decoders.callbacks().pastRespirationRateCallback = callback;
}
void Sync::setPastStepsCallback(TenvikSDK_TimedUInt64Callback callback) {
    decoders.callbacks().pastStepsCallback = callback;
}
void Sync::setPastRrCallback(TenvikSDK_TimedUInt32Callback callback) {
    decoders.callbacks().pastRrCallback = callback;
}
void Sync::setPastUserEventCallback(TenvikSDK_TimeCallback callback) {
    decoders.callbacks().pastUserEventCallback = callback;
}
void Sync::setPastSoundVolumeCallback(TenvikSDK_TimedUInt16Callback callback) {
    decoders.callbacks().pastSoundVolumeCallback = callback;
}
void Sync::setPastPressureCallback(TenvikSDK_TimedUInt32Callback callback) {
    decoders.callbacks().pastPressureCallback = callback;
}
void Sync::setPastAccelerometerCallback(TenvikSDK_TimedVector3Callback callback) {
    decoders.callbacks().pastAccelerometerCallback = callback;
}
void Sync::setPastMotionVector2Callback(TenvikSDK_TimedVector3Callback callback) {
    decoders.callbacks().pastMotionVector2Callback = callback;
}
void Sync::setPastQuaternionCallback(TenvikSDK_TimedQuaternionCallback callback) {
    decoders.callbacks().pastQuaternionCallback = callback;
}
void Sync::setPastOrientationCallback(TenvikSDK_TimedVector3Callback callback) {
    decoders.callbacks().pastOrientationCallback = callback;
}
void Sync::setPastMotionVector3Callback(TenvikSDK_TimedVector3Callback callback) {
    decoders.callbacks().pastMotionVector3Callback = callback;
}
void Sync::setPastBodyPositionCallback(TenvikSDK_TimedUInt32Callback callback) {
    decoders.callbacks().pastBodyPositionCallback = callback;
}
void Sync::setPastSignal15Callback(TenvikSDK_TimedUInt8Callback callback) {
    decoders.callbacks().pastSignal15Callback = callback;
}
void Sync::setPastEdaCallback(TenvikSDK_TimedFloatCallback callback) {
    decoders.callbacks().pastEdaCallback = callback;
}
void Sync::setPastGpsCallback(TenvikSDK_TimedGpsCallback callback) {
    decoders.callbacks().pastGpsCallback = callback;
}

// ---- Session samples to the past callbacks -----------------------------------------------------

void Sync::didReceiveEcg(float sample, uint64_t timestamp) {
    forward(decoders.callbacks().pastEcgCallback, context, timestamp, sample);
}
void Sync::didReceiveRespiration(float sample, uint64_t timestamp) {
    forward(decoders.callbacks().pastRespirationCallback, context, timestamp, sample);
}
void Sync::didReceiveSteps(uint64_t steps, uint64_t timestamp) {
    forward(decoders.callbacks().pastStepsCallback, context, timestamp, steps);
}
void Sync::didReceiveTemperature(float temperature, uint64_t timestamp) {
    forward(decoders.callbacks().pastTemperatureCallback, context, timestamp, temperature);
}
void Sync::didReceiveAccelerometer(float x, float y, float z, uint64_t timestamp) {
    forward(decoders.callbacks().pastAccelerometerCallback, context, timestamp, x, y, z);
}
void Sync::didReceiveMotionVector2(float x, float y, float z, uint64_t timestamp) {
    forward(decoders.callbacks().pastMotionVector2Callback, context, timestamp, x, y, z);
}
void Sync::didReceiveMotionVector3(float x, float y, float z, uint64_t timestamp) {
    forward(decoders.callbacks().pastMotionVector3Callback, context, timestamp, x, y, z);
}
void Sync::didReceiveQuaternion(float q0, float q1, float q2, float q3, uint64_t timestamp) {
    forward(decoders.callbacks().pastQuaternionCallback, context, timestamp, q0, q1, q2, q3);
}
void Sync::didReceiveOrientation(float angle0, float angle1, float angle2, uint64_t timestamp) {
    forward(decoders.callbacks().pastOrientationCallback, context, timestamp, angle0, angle1,
            angle2);
}
void Sync::didReceiveHeartRate(uint32_t beatsPerMinute, uint64_t timestamp) {
    forward(decoders.callbacks().pastHeartRateCallback, context, timestamp, beatsPerMinute);
}
void Sync::didReceiveRr(uint32_t interval, uint64_t timestamp) {
    forward(decoders.callbacks().pastRrCallback, context, timestamp, interval);
}
void Sync::didReceiveRespirationRate(uint32_t rate, uint64_t timestamp) {
    forward(decoders.callbacks().pastRespirationRateCallback, context, timestamp, rate);
}
void Sync::didReceiveSoundVolume(uint16_t value, uint64_t timestamp) {
    forward(decoders.callbacks().pastSoundVolumeCallback, context, timestamp, value);
}
void Sync::didReceiveActivity(uint32_t activity, uint64_t timestamp) {
    forward(decoders.callbacks().pastActivityCallback, context, timestamp, activity);
}
void Sync::didReceivePressure(uint32_t value, uint64_t timestamp) {
    forward(decoders.callbacks().pastPressureCallback, context, timestamp, value);
}
void Sync::didReceiveUserEvent(uint64_t eventTime) {
    forward(decoders.callbacks().pastUserEventCallback, context, eventTime);
}
void Sync::didReceiveBodyPosition(uint32_t bodyPosition, uint64_t timestamp) {
    forward(decoders.callbacks().pastBodyPositionCallback, context, timestamp, bodyPosition);
}
void Sync::didReceiveWearState(uint32_t /*state*/) {}
void Sync::didReceivePressureLeadOff(int /*state*/) {}
void Sync::didReceiveSignal15(uint8_t value, uint64_t timestamp) {
    forward(decoders.callbacks().pastSignal15Callback, context, timestamp, value);
}
void Sync::didReceiveEda(float value, uint64_t timestamp) {
    forward(decoders.callbacks().pastEdaCallback, context, timestamp, value);
}
void Sync::didReceiveGps(float v0, float v1, float v2, float v3, float v4, float v5,
                         uint64_t timestamp) {
    forward(decoders.callbacks().pastGpsCallback, context, timestamp, v0, v1, v2, v3, v4, v5);
}

}  // namespace Tenvik
