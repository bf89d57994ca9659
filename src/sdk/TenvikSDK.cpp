#include "sdk/TenvikSDK.h"

#include "common/Log.h"

namespace Tenvik {

TenvikSDK::TenvikSDK(const FirmwareVersion& firmware) : firmwareVersion(firmware) {
    if (!firmware.valid) {
        logLine(LogError, "TenvikSDK::TenvikSDK: invalid firmware version, rejecting initialization");
        return;
    }
}

TenvikSDK::~TenvikSDK() = default;

// ---- Context and registration ------------------------------------------------------------

void TenvikSDK::setContext(void* hostContext) {
    context = hostContext;
    bleContext = hostContext;
}

void TenvikSDK::initCallbacks(const HostCallbacks& callbacks) { hostCallbacks = callbacks; }

void TenvikSDK::initSynchronizationCallbacks(const SynchronizationCallbacks& callbacks) {
    synchronizationCallbacks = callbacks;
}

void TenvikSDK::setPayloadCallback(TenvikSDK_PayloadCallback callback) {
    payloadCallback = callback;
}

void TenvikSDK::setEdaCallback(TenvikSDK_TimedFloatCallback callback) { edaCallback = callback; }

void TenvikSDK::setGpsCallback(TenvikSDK_TimedGpsCallback callback) { gpsCallback = callback; }

void TenvikSDK::setPastEdaCallback(TenvikSDK_TimedFloatCallback callback) {
    pastEdaCallback = callback;
}

void TenvikSDK::setPastGpsCallback(TenvikSDK_TimedGpsCallback callback) {
    pastGpsCallback = callback;
}

void TenvikSDK::setBLESendCallback(TenvikSDK_BleSendCallback callback) {
    bleSendCallback = callback;
}

void TenvikSDK::setBLEReadyCallback(TenvikSDK_BleReadyCallback callback) {
    bleReadyCallback = callback;
}

// ---- Device link ---------------------------------------------------------------------------

void TenvikSDK::processBLEChunk(const uint8_t* /*data*/, int /*size*/) {}

void TenvikSDK::sendPayload(const uint8_t* /*data*/, int /*size*/, int /*pid*/) {}

void TenvikSDK::receiveMessage(const char* /*data*/, uint16_t /*size*/, uint16_t /*pid*/,
                               uint64_t /*options*/) {}

void TenvikSDK::receiveMessage(const char* data, uint32_t length, uint16_t pid) {
    const uint32_t limited = length < 65535u ? length : 65535u;
    receiveMessage(data, static_cast<uint16_t>(limited), pid, uint64_t{0});
}

void TenvikSDK::didReceiveSession(const Session& /*session*/) {}

// ---- Characteristic values ------------------------------------------------------------------

void TenvikSDK::processECGPackage(const uint8_t* /*data*/, int /*size*/) {}
void TenvikSDK::processRespirationPackage(const uint8_t* /*data*/, int /*size*/) {}
void TenvikSDK::processTemperaturePackage(const uint8_t* /*data*/, int /*size*/) {}
void TenvikSDK::processMotionPackage(const uint8_t* /*data*/, int /*size*/) {}
void TenvikSDK::processBatteryPackage(const uint8_t* /*data*/, int /*size*/) {}
void TenvikSDK::processActivityPackage(const uint8_t* /*data*/, int /*size*/) {}
void TenvikSDK::processStepsPackage(const uint8_t* /*data*/, int /*size*/) {}
void TenvikSDK::processOrientationPackage(const uint8_t* /*data*/, int /*size*/) {}
void TenvikSDK::processHeartRatePackage(const uint8_t* /*data*/, int /*size*/) {}
void TenvikSDK::processHealthThermometerPackage(const uint8_t* /*data*/, int /*size*/) {}
void TenvikSDK::processSoundVolumePackage(const uint8_t* /*data*/, int /*size*/) {}
void TenvikSDK::processNasalCannulaPackage(const uint8_t* /*data*/, int /*size*/) {}

// ---- Session samples to the host callbacks -----------------------------------------------------

namespace {

template <typename Callback, typename... Values>
void forward(Callback callback, void* context, uint64_t timestamp, Values... values) {
    if (callback != nullptr) {
        callback(context, timestamp, values...);
    }
}

}  // namespace

void TenvikSDK::didReceiveEcg(float sample, uint64_t timestamp) {
    forward(hostCallbacks.ecgCallback, context, timestamp, sample);
}
void TenvikSDK::didReceiveRespiration(float sample, uint64_t timestamp) {
    forward(hostCallbacks.respirationCallback, context, timestamp, sample);
}
void TenvikSDK::didReceiveSteps(uint64_t steps, uint64_t timestamp) {
    forward(hostCallbacks.stepsCallback, context, timestamp, steps);
}
void TenvikSDK::didReceiveTemperature(float temperature, uint64_t timestamp) {
    forward(hostCallbacks.temperatureCallback, context, timestamp, temperature);
}
void TenvikSDK::didReceiveAccelerometer(float x, float y, float z, uint64_t timestamp) {
    forward(hostCallbacks.accelerometerCallback, context, timestamp, x, y, z);
}
void TenvikSDK::didReceiveMotionVector2(float x, float y, float z, uint64_t timestamp) {
    forward(hostCallbacks.motionVector2Callback, context, timestamp, x, y, z);
}
void TenvikSDK::didReceiveMotionVector3(float x, float y, float z, uint64_t timestamp) {
    forward(hostCallbacks.motionVector3Callback, context, timestamp, x, y, z);
}
void TenvikSDK::didReceiveQuaternion(float q0, float q1, float q2, float q3,
                                     uint64_t timestamp) {
    forward(hostCallbacks.quaternionCallback, context, timestamp, q0, q1, q2, q3);
}
void TenvikSDK::didReceiveOrientation(float angle0, float angle1, float angle2,
                                      uint64_t timestamp) {
    forward(hostCallbacks.orientationCallback, context, timestamp, angle0, angle1, angle2);
}
void TenvikSDK::didReceiveHeartRate(uint32_t beatsPerMinute, uint64_t timestamp) {
    forward(hostCallbacks.heartRateCallback, context, timestamp, beatsPerMinute);
}
void TenvikSDK::didReceiveRr(uint32_t interval, uint64_t timestamp) {
    forward(hostCallbacks.rrCallback, context, timestamp, interval);
}
void TenvikSDK::didReceiveRespirationRate(uint32_t rate, uint64_t timestamp) {
    forward(hostCallbacks.respirationRateCallback, context, timestamp, rate);
}
void TenvikSDK::didReceiveSoundVolume(uint16_t value, uint64_t timestamp) {
    forward(hostCallbacks.soundVolumeCallback, context, timestamp, value);
}
void TenvikSDK::didReceiveActivity(uint32_t activity, uint64_t timestamp) {
    forward(hostCallbacks.activityCallback, context, timestamp, activity);
}
void TenvikSDK::didReceivePressure(uint32_t value, uint64_t timestamp) {
    forward(hostCallbacks.pressureCallback, context, timestamp, value);
}
void TenvikSDK::didReceiveUserEvent(uint64_t eventTime) {
    if (hostCallbacks.userEventCallback != nullptr) {
        hostCallbacks.userEventCallback(context, eventTime);
    }
}
void TenvikSDK::didReceiveBodyPosition(uint32_t bodyPosition, uint64_t timestamp) {
    forward(hostCallbacks.bodyPositionCallback, context, timestamp, bodyPosition);
}
void TenvikSDK::didReceiveWearState(uint32_t /*state*/) {}
void TenvikSDK::didReceivePressureLeadOff(int state) {
    if (hostCallbacks.pressureLeadOffCallback != nullptr) {
        hostCallbacks.pressureLeadOffCallback(context, state);
    }
}
void TenvikSDK::didReceiveSignal15(uint8_t value, uint64_t timestamp) {
    forward(hostCallbacks.signal15Callback, context, timestamp, value);
}
void TenvikSDK::didReceiveEda(float value, uint64_t timestamp) {
    forward(edaCallback, context, timestamp, value);
}
void TenvikSDK::didReceiveGps(float v0, float v1, float v2, float v3, float v4, float v5,
                              uint64_t timestamp) {
    forward(gpsCallback, context, timestamp, v0, v1, v2, v3, v4, v5);
}

}  // namespace Tenvik
