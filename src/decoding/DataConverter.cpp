#include "decoding/DataConverter.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/ByteConverters.h"
#include "common/ByteOrder.h"
#include "common/Forward.h"
#include "common/Log.h"
#include "common/SizeCheck.h"
#include "signal/StepInterpolation.h"

namespace Tenvik {

namespace {

// A signed 16-bit big-endian field as the integer value itself.
float readInt16BE(const uint8_t* bytes) { return decodeInt32Q16(bytes[0], bytes[1], 0, 0); }

// A signed 16-bit big-endian quaternion component, scaled by 2^-14.
float readQuaternionComponent(const uint8_t* bytes) {
    return decodeInt32Q30(bytes[0], bytes[1], 0, 0);
}

// Every decoder starts here: exactly `expected` bytes, or one line and nothing else. A null
// buffer carries no bytes whatever size comes with it.
bool hasExactSize(const char* decoder, const uint8_t* data, int size, int expected) {
    return Tenvik::hasExactSize("DataConverter", decoder, data, size, expected);
}

constexpr int ecgVersion2SampleCount = 10;
constexpr int ecgVersion3SampleCount = 8;
constexpr int ecgVersion4SampleCount = 5;
constexpr int ecgVersion5SampleCount = 6;
constexpr int ecgPacketSize = 20;
constexpr int legacyEcgPacketSize = 18;
constexpr int respirationVersion1SampleCount = 6;
constexpr int respirationVersion2SampleCount = 10;
constexpr int respirationVersion3SampleCount = 9;
constexpr int respirationVersion4SampleCount = 6;
constexpr int respirationPacketSize = 20;
constexpr int legacyRespirationPacketSize = 18;
// Where layouts 3 and 4 carry the device's own rate.
constexpr int respirationRateOffset = 18;
// Filter inputs per sample of layout 2, unfiltered outputs per sample of layouts 3 and 4.
constexpr int respirationVersion2Points = 6;
constexpr int interpolatedRespirationPoints = 8;
constexpr uint64_t upsampledEcgSpacingMs = 2;
constexpr uint64_t respirationVersion1SpacingMs = 8;
constexpr uint64_t upsampledRespirationSpacingMs = 2;
constexpr uint64_t respirationRateGateMs = 14999;
constexpr uint32_t highestWearState = 5;
constexpr uint32_t leadOffWearState = 3;
constexpr uint32_t leadOnWearState = 0;

}  // namespace

DataConverter::DataConverter(const FirmwareVersion& firmware)
    : signalProcessor(this),
      firmwareVersion(firmware),
      pressureLeadOffDetector(static_cast<IPressureLeadOff*>(this)),
      lastRespirationSample(std::numeric_limits<float>::quiet_NaN()) {
    chooseFirmwareVariants();
}

DataConverter::~DataConverter() = default;

// ---- Firmware options -----------------------------------------------------------------------

bool DataConverter::isAtLeast(const char* reference) const {
    return firmwareVersion.isAtLeast(FirmwareVersion::fromText(reference));
}

void DataConverter::chooseFirmwareVariants() {
    newEcgScale = isAtLeast("2.2.0");
    leadOffHandler = newEcgScale ? nullptr : &DataConverter::handleEcgLeadOff;
    accelerometerScale = isAtLeast("2.2.0") ? 4096.0 : 1.0;
    legacyFirmware = !isAtLeast("2.2.2");
    respirationRepeat = isAtLeast("2.2.5") ? 4 : 1;
    motionMode = isAtLeast("3.4.53") ? 3 : isAtLeast("2.2.11") ? 2 : isAtLeast("2.1.0") ? 1 : 0;
    temperatureFormat = isAtLeast("3.2.26") ? 1 : 0;
    heartRateFormat = isAtLeast("3.3.41") ? 2 : isAtLeast("2.2.18") ? 1 : 0;

    dataVersion = isAtLeast("3.5.59")   ? 7
                  : isAtLeast("3.3.41") ? 6
                  : isAtLeast("3.3.34") ? 5
                  : isAtLeast("3.2.30") ? 3
                  : isAtLeast("2.2.17") ? 2
                  : isAtLeast("2.2.14") ? 1
                                        : 0;
    // The 2.3 line numbered its layouts differently from 3.x.
    if (firmwareVersion.major() <= 2) {
        if (isAtLeast("2.3.24")) {
            dataVersion = 7;
        } else if (isAtLeast("2.3.23")) {
            dataVersion = 4;
        }
    }
}

bool DataConverter::hasUserEventTimestamp() const { return isAtLeast("3.5.60"); }

int DataConverter::getSenderMode() const { return isAtLeast("3.6.66") ? 2 : 1; }

int DataConverter::getSyncMode() const { return isAtLeast("3.6.62") ? 3 : 2; }

int DataConverter::getLegacyProtocolVersion() const {
    return isAtLeast("2.2.19") ? 3 : isAtLeast("2.2.15") ? 2 : 1;
}

int DataConverter::getSessionFormat() const {
    return isAtLeast("4.0.0") ? 2 : isAtLeast("3.7.86") ? 1 : 0;
}

int DataConverter::getProcessRouting() const {
    return isAtLeast("2.2.23") ? 2 : isAtLeast("2.2.15") ? 1 : 0;
}

// ---- Registration and forwarders -------------------------------------------------------------

void DataConverter::setHostCallbacks(const HostCallbacks& host) {
    const TenvikSDK_TimedFloatCallback eda = callbacks.edaCallback;
    const TenvikSDK_TimedGpsCallback gps = callbacks.gpsCallback;
    callbacks = Callbacks{
        host.temperatureCallback,   host.ecgCallback,
        host.respirationCallback,   host.activityCallback,
        host.respirationRateCallback, host.stepsCallback,
        host.batteryCallback,       host.wearStateCallback,
        host.pressureLeadOffCallback, host.accelerometerCallback,
        host.motionVector2Callback, host.motionVector3Callback,
        host.orientationCallback,   host.bodyPositionCallback,
        host.quaternionCallback,    host.heartRateCallback,
        host.rrCallback,            host.soundVolumeCallback,
        host.pressureCallback,      host.signal15Callback,
        eda,                        gps,
    };
}

void DataConverter::didCalculateHeartRate(uint32_t value, uint64_t timestamp) {
    forward(callbacks.heartRateCallback, context, timestamp, value);
}

void DataConverter::didCalculateRespirationRate(uint32_t value, uint64_t timestamp) {
    forward(callbacks.respirationRateCallback, context, timestamp, value);
}

void DataConverter::didChangePressureLeadOff(int state) {
    forward(callbacks.pressureLeadOffCallback, context, state);
}

// ---- Wear state -------------------------------------------------------------------------------

void DataConverter::setWearState(uint32_t state) {
    if (state == currentWearState) {
        return;
    }
    currentWearState = state;
    forward(callbacks.wearStateCallback, context, state);
}

void DataConverter::parseWearState(uint32_t value) {
    if (value > highestWearState) {
        logLine(LogInfo, "DataConverter.parseWearState: value = ", value);
        return;
    }
    setWearState(value);
}

void DataConverter::handleEcgLeadOff(float sample) {
    setWearState(signalProcessor.detectLeadOff(sample) ? leadOffWearState : leadOnWearState);
}

// ---- ECG ----------------------------------------------------------------------------------------

void DataConverter::processECGPackage(const uint8_t* data, int size, uint64_t timestamp) {
    switch (dataVersion) {
        case 0: ecgProcessVersion1(data, size, timestamp); break;
        case 1:
        case 2: ecgProcessVersion2(data, size, timestamp); break;
        case 3: ecgProcessVersion3(data, size, timestamp); break;
        case 4: ecgProcessVersion5(data, size, timestamp); break;
        case 5: ecgProcessVersion4(data, size, timestamp); break;
        case 6: ecgProcessVersion6(data, size, timestamp); break;
        case 7:
            if (firmwareVersion.major() <= 2) {
                ecgProcessVersion5(data, size, timestamp);
            } else {
                ecgProcessVersion6(data, size, timestamp);
            }
            break;
        default: break;
    }
}

float DataConverter::ecgSample24(const uint8_t* bytes) const {
    return newEcgScale ? decodeInt24Q24(bytes[2], bytes[1], bytes[0])
                       : decodeLegacyEcgSample(bytes[2], bytes[1], bytes[0]);
}

float DataConverter::ecgSample16(const uint8_t* bytes) const {
    return newEcgScale ? decodeInt24Q24(bytes[1], bytes[0], 0)
                       : decodeLegacyEcgSample(bytes[1], bytes[0], 0);
}

// A host callback may call back in: feed the next packet (decoded at once, with outputs of
// its own) or replace the callbacks. So every decoder collects a packet's outputs on its own
// stack, where a nested call cannot reach them, and the callback is read again before every
// call.
void DataConverter::deliverSamples(TenvikSDK_TimedFloatCallback Callbacks::*callback,
                                   const float* outputs, int count, uint64_t base,
                                   uint64_t spacing) {
    for (int i = 0; i < count; ++i) {
        forward(callbacks.*callback, context, base + spacing * static_cast<uint64_t>(i),
                outputs[i]);
    }
}

void DataConverter::ecgProcessVersion1(const uint8_t* data, int size, uint64_t timestamp) {
    if (!hasExactSize("ecgProcessVersion1", data, size, legacyEcgPacketSize)) {
        return;
    }
    constexpr int sampleCount = legacyEcgPacketSize / 3;
    float outputs[sampleCount];
    for (int i = 0; i < sampleCount; ++i) {
        const float sample = ecgSample24(data + 3 * i);
        // May report a new wear state, and the host feed more samples from inside the report:
        // those pass the lead-off test and the filter here, before the rest of this packet.
        if (leadOffHandler != nullptr) {
            (this->*leadOffHandler)(sample);
        }
        outputs[i] = signalProcessor.processEcg(sample, legacyFirmware, timestamp);
    }
    deliverSamples(&Callbacks::ecgCallback, outputs, sampleCount, timestamp, 0);
}

// Doubles the rate: every sample yields the midpoint with the one before it, then itself.
void DataConverter::ecgUpsample(const uint8_t* samples, int count, int width, uint64_t base) {
    static_assert(2 * ecgVersion2SampleCount <= maxEcgOutputs);
    float outputs[maxEcgOutputs];
    for (int i = 0; i < count; ++i) {
        const uint8_t* bytes = samples + width * i;
        const float sample = width == 3 ? ecgSample24(bytes) : ecgSample16(bytes);
        const float mid = (sample - lastEcgSample) * 0.5f + lastEcgSample;
        outputs[2 * i] = signalProcessor.processEcg(mid, false, base);
        outputs[2 * i + 1] = signalProcessor.processEcg(sample, false, base);
        lastEcgSample = sample;
    }
    deliverSamples(&Callbacks::ecgCallback, outputs, 2 * count, base, upsampledEcgSpacingMs);
}

namespace {

// The device stamps only the low 32 bits of its millisecond clock; the upper half comes
// from the time of receipt.
uint64_t joinDeviceTime(const uint8_t* data, uint64_t timestamp) {
    return (timestamp & 0xFFFFFFFF00000000ull) | loadLe32(data);
}

}  // namespace

void DataConverter::ecgProcessVersion2(const uint8_t* data, int size, uint64_t timestamp) {
    if (hasExactSize("ecgProcessVersion2", data, size, ecgPacketSize)) {
        ecgUpsample(data, ecgVersion2SampleCount, 2, timestamp);
    }
}

void DataConverter::ecgProcessVersion3(const uint8_t* data, int size, uint64_t timestamp) {
    if (hasExactSize("ecgProcessVersion3", data, size, ecgPacketSize)) {
        ecgUpsample(data + 4, ecgVersion3SampleCount, 2, joinDeviceTime(data, timestamp));
    }
}

void DataConverter::ecgProcessVersion4(const uint8_t* data, int size, uint64_t timestamp) {
    if (hasExactSize("ecgProcessVersion4", data, size, ecgPacketSize)) {
        ecgUpsample(data + 4, ecgVersion4SampleCount, 3, joinDeviceTime(data, timestamp));
    }
}

void DataConverter::ecgProcessVersion5(const uint8_t* data, int size, uint64_t timestamp) {
    if (hasExactSize("ecgProcessVersion5", data, size, ecgPacketSize)) {
        ecgUpsample(data, ecgVersion5SampleCount, 3, timestamp);
    }
}

void DataConverter::ecgProcessVersion6(const uint8_t* data, int size, uint64_t timestamp) {
    if (hasExactSize("ecgProcessVersion6", data, size, ecgPacketSize)) {
        parseWearState(data[19]);
        ecgUpsample(data + 4, ecgVersion4SampleCount, 3, joinDeviceTime(data, timestamp));
    }
}

// ---- Respiration --------------------------------------------------------------------------------

void DataConverter::processRespirationPackage(const uint8_t* data, int size, uint64_t timestamp) {
    switch (dataVersion) {
        case 0: respirationProcessVersion1(data, size, timestamp); break;
        case 1: respirationProcessVersion2(data, size, timestamp); break;
        case 2:
        case 3:
        case 4:
        case 5:
        case 6: respirationProcessVersion3(data, size, timestamp); break;
        case 7: respirationProcessVersion4(data, size, timestamp); break;
        default: break;
    }
}

void DataConverter::respirationProcessVersion1(const uint8_t* data, int size, uint64_t timestamp) {
    if (!hasExactSize("respirationProcessVersion1", data, size, legacyRespirationPacketSize)) {
        return;
    }
    constexpr int mostRepeats = 4;
    static_assert(respirationVersion1SampleCount * mostRepeats <= maxRespirationOutputs);
    float inputs[maxRespirationOutputs];
    int count = 0;
    for (int i = 0; i < respirationVersion1SampleCount; ++i) {
        const uint8_t* bytes = data + 3 * i;
        const float sample = decodeInt24Q24(bytes[2], bytes[1], bytes[0]);
        for (int repeat = 0; repeat < respirationRepeat; ++repeat) {
            inputs[count++] = sample;
        }
    }
    filterRespiration(inputs, count, timestamp, respirationVersion1SpacingMs);
}

void DataConverter::respirationProcessVersion2(const uint8_t* data, int size, uint64_t timestamp) {
    if (!hasExactSize("respirationProcessVersion2", data, size, respirationPacketSize)) {
        return;
    }
    static_assert(respirationVersion2SampleCount * respirationVersion2Points <=
                  maxRespirationOutputs);
    float inputs[maxRespirationOutputs];
    int count = 0;
    for (int i = 0; i < respirationVersion2SampleCount; ++i) {
        const uint8_t* bytes = data + 2 * i;
        appendStepsAwayFromReference(decodeInt24Q24(bytes[1], bytes[0], 0),
                                     respirationVersion2Points, lastRespirationSample, inputs,
                                     count);
    }
    filterRespiration(inputs, count, timestamp, upsampledRespirationSpacingMs);
}

// The signal chain may report a respiration rate on the way, and the host feed the next packet
// from inside the report: that one is filtered and delivered at once, with outputs of its own.
void DataConverter::filterRespiration(const float* inputs, int count, uint64_t timestamp,
                                      uint64_t spacing) {
    float outputs[maxRespirationOutputs];
    signalProcessor.processRespirationBlock(inputs, outputs, static_cast<size_t>(count),
                                            timestamp);
    deliverSamples(&Callbacks::respirationCallback, outputs, count, timestamp, spacing);
}

void DataConverter::reportRespirationRateFromPacket(const uint8_t* data, uint64_t timestamp) {
    if (timestamp - lastRateReportTime <= respirationRateGateMs) {
        return;
    }
    lastRateReportTime = timestamp;
    forward(callbacks.respirationRateCallback, context, timestamp,
            static_cast<uint32_t>(loadBe16(data + respirationRateOffset)));
}

namespace {

float respirationSample16(const uint8_t* bytes) { return decodeInt16Q10(bytes[1], bytes[0]); }

float respirationSample24(const uint8_t* bytes) {
    return decodeInt24Q10(bytes[2], bytes[1], bytes[0]);
}

}  // namespace

// Layouts with the device's own rate: eight unfiltered points per sample.
void DataConverter::interpolateRespiration(const uint8_t* data, int sampleCount, int width,
                                           float (*decode)(const uint8_t*), uint64_t timestamp) {
    static_assert(respirationVersion3SampleCount * interpolatedRespirationPoints <=
                  maxRespirationOutputs);
    static_assert(respirationVersion4SampleCount <= respirationVersion3SampleCount);
    float outputs[maxRespirationOutputs];
    int count = 0;
    for (int i = 0; i < sampleCount; ++i) {
        appendSteps(decode(data + width * i), interpolatedRespirationPoints, lastRespirationSample,
                    outputs, count);
    }
    deliverSamples(&Callbacks::respirationCallback, outputs, count, timestamp,
                   upsampledRespirationSpacingMs);
    reportRespirationRateFromPacket(data, timestamp);
}

void DataConverter::respirationProcessVersion3(const uint8_t* data, int size, uint64_t timestamp) {
    if (hasExactSize("respirationProcessVersion3", data, size, respirationPacketSize)) {
        interpolateRespiration(data, respirationVersion3SampleCount, 2, &respirationSample16,
                               timestamp);
    }
}

void DataConverter::respirationProcessVersion4(const uint8_t* data, int size, uint64_t timestamp) {
    if (hasExactSize("respirationProcessVersion4", data, size, respirationPacketSize)) {
        interpolateRespiration(data, respirationVersion4SampleCount, 3, &respirationSample24,
                               timestamp);
    }
}

// ---- Temperature and health thermometer -------------------------------------------------------

void DataConverter::processTemperaturePackage(const uint8_t* data, int size, uint64_t timestamp) {
    if (!hasExactSize("processTemperaturePackage", data, size, 4)) {
        return;
    }
    // The estimator keeps windows of past readings: it sees only what the host receives.
    if (callbacks.temperatureCallback == nullptr) {
        return;
    }
    float value;
    if (temperatureFormat == 1) {
        value = static_cast<float>(loadLe16(data)) / 100.0f;
    } else {
        const float skin = static_cast<float>(loadLe16(data)) * 0.02f - 273.15f;
        const float ambient = static_cast<float>(loadLe16(data + 2)) * 0.02f - 273.15f;
        value = signalProcessor.estimateBodyTemperature(skin, ambient);
    }
    callbacks.temperatureCallback(context, timestamp, value);
}

void DataConverter::processHealthThermometerPackage(const uint8_t* data, int size,
                                                    uint64_t timestamp) {
    if (!hasExactSize("processHealthThermometerPackage", data, size, 5)) {
        return;
    }
    auto mantissa = static_cast<int32_t>(loadLe24(data + 1));
    if ((mantissa & 0x800000) != 0) {
        mantissa -= 0x1000000;
    }
    const int exponent = static_cast<int8_t>(data[4]);
    const float scale = static_cast<float>(std::pow(10.0, exponent));
    forward(callbacks.temperatureCallback, context, timestamp,
            static_cast<float>(mantissa) * scale);
}

// ---- Motion and orientation ------------------------------------------------------------------

void DataConverter::processMotionPackage(const uint8_t* data, int size, uint64_t timestamp) {
    if (motionMode == 0) {
        return;
    }
    const Vector3 angles(lastAngles[0], lastAngles[1], lastAngles[2]);
    if (motionMode == 1) {
        if (!hasExactSize("processMotionPackage", data, size, 20)) {
            return;
        }
        float q[4];
        for (int i = 0; i < 4; ++i) {
            q[i] = readQuaternionComponent(data + 2 * i);
        }
        float a[3];
        for (int i = 0; i < 3; ++i) {
            const uint8_t* bytes = data + 8 + 4 * i;
            const float raw = decodeInt32Q16(bytes[0], bytes[1], bytes[2], bytes[3]);
            a[i] = static_cast<float>(raw / accelerometerScale);
        }
        signalProcessor.processMotion(q[0], q[1], q[2], q[3], a[0], a[1], a[2], angles);
        forward(callbacks.quaternionCallback, context, timestamp, q[0], q[1], q[2], q[3]);
        forward(callbacks.accelerometerCallback, context, timestamp, a[0], a[1], a[2]);
        return;
    }
    if (!hasExactSize("processMotionPackage", data, size, 18)) {
        return;
    }
    float m[9];
    for (int i = 0; i < 9; ++i) {
        m[i] = readInt16BE(data + 2 * i);
    }
    float a[3];
    for (int i = 0; i < 3; ++i) {
        a[i] = static_cast<float>(m[i] / accelerometerScale);
    }
    for (int i = 3; i < 9; ++i) {
        m[i] *= 0.0625f;
    }
    signalProcessor.processMotion(lastQuaternion[0], lastQuaternion[1], lastQuaternion[2],
                                  lastQuaternion[3], a[0], a[1], a[2], angles);
    forward(callbacks.accelerometerCallback, context, timestamp, a[0], a[1], a[2]);
    forward(callbacks.motionVector2Callback, context, timestamp, m[3], m[4], m[5]);
    forward(callbacks.motionVector3Callback, context, timestamp, m[6], m[7], m[8]);
}

// The classifier's debounce advances only while the host listens for body positions.
void DataConverter::reportBodyPosition(float a0, float a1, float a2, uint64_t timestamp) {
    if (callbacks.bodyPositionCallback == nullptr) {
        return;
    }
    const int32_t position = bodyPositionClassifier.classify(a0, a1, a2);
    callbacks.bodyPositionCallback(context, timestamp, static_cast<uint32_t>(position));
}

void DataConverter::processOrientationPackage(const uint8_t* data, int size, uint64_t timestamp) {
    if (motionMode == 0) {
        return;
    }
    if (motionMode == 1) {
        if (!hasExactSize("processOrientationPackage", data, size, 6)) {
            return;
        }
        const float a0 = readInt16BE(data);
        const float a1 = readInt16BE(data + 2);
        const float a2 = readInt16BE(data + 4);
        forward(callbacks.orientationCallback, context, timestamp, a0, a1, a2);
        reportBodyPosition(a0, a1, a2, timestamp);
        return;
    }
    if (!hasExactSize("processOrientationPackage", data, size, 14)) {
        return;
    }
    const float angleScale = motionMode == 3 ? 0.015625f : 1.0f;
    float a[3];
    for (int i = 0; i < 3; ++i) {
        a[i] = readInt16BE(data + 2 * i) * angleScale;
    }
    float q[4];
    for (int i = 0; i < 4; ++i) {
        q[i] = readQuaternionComponent(data + 6 + 2 * i);
    }
    // The motion packets read these. Stored before the first call out: a packet fed from
    // inside a callback replaces them, while this one goes on with its own values.
    std::copy_n(a, 3, lastAngles);
    std::copy_n(q, 4, lastQuaternion);
    forward(callbacks.orientationCallback, context, timestamp, a[0], a[1], a[2]);
    reportBodyPosition(a[0], a[1], a[2], timestamp);
    forward(callbacks.quaternionCallback, context, timestamp, q[0], q[1], q[2], q[3]);
}

// ---- Battery, activity, steps ------------------------------------------------------------------

void DataConverter::processBatteryPackage(const uint8_t* data, int size) {
    const int received = data == nullptr ? 0 : size;
    uint8_t level;
    if (received == 1) {
        level = data[0];
    } else if (received == 3) {
        level = static_cast<uint8_t>(loadLe16(data) / 10);
    } else {
        logLine(LogInfo, "DataConverter.processBatteryPackage: size = ", received);
        return;
    }
    forward(callbacks.batteryCallback, context, level);
}

void DataConverter::processActivityPackage(const uint8_t* data, int size, uint64_t timestamp) {
    if (hasExactSize("processActivityPackage", data, size, 1)) {
        forward(callbacks.activityCallback, context, timestamp, activityFromCode(data[0]));
    }
}

void DataConverter::processStepsPackage(const uint8_t* data, int size, uint64_t timestamp) {
    if (hasExactSize("processStepsPackage", data, size, 4)) {
        const auto count = static_cast<int64_t>(static_cast<int32_t>(loadLe32(data)));
        forward(callbacks.stepsCallback, context, timestamp, static_cast<uint64_t>(count));
    }
}

// ---- Heart rate ---------------------------------------------------------------------------------

// Sets the wear state from the flags byte; `report` says whether the packet's heart rate
// and RR values count.
void DataConverter::updateHeartRateWearState(uint8_t flags, bool& report) {
    const bool worn = (flags & 0x10) != 0;
    const bool contactFlag = (flags & 0x20) != 0;
    const bool lostFlag = (flags & 0x80) != 0;
    const uint32_t skinState = worn ? 0 : 3;
    report = false;
    switch (heartRateFormat) {
        case 0:
            if (contactFlag) {
                if (currentWearState == 0 || currentWearState == 2) {
                    ++heartRateWearCounter;
                    if (currentWearState == 0) {
                        setWearState(2);
                    } else if (heartRateWearCounter == 4) {
                        setWearState(3);
                    }
                    return;
                }
                const uint32_t state = lostFlag ? 1 : skinState;
                heartRateWearCounter = 0;
                setWearState(state);
                report = state == 0;
            } else if (lostFlag) {
                heartRateWearCounter = 0;
                setWearState(1);
            } else {
                heartRateWearCounter = 0;
                setWearState(skinState);
                report = skinState == 0;
            }
            return;
        case 1:
            if (contactFlag) {
                setWearState(4);
            } else if (lostFlag) {
                setWearState(1);
            } else {
                setWearState(skinState);
                report = skinState == 0;
            }
            return;
        default:
            report = true;
            return;
    }
}

void DataConverter::processHeartRatePackage(const uint8_t* data, int size, uint64_t timestamp) {
    if (!hasExactSize("processHeartRatePackage", data, size, 20)) {
        return;
    }
    bool report = false;
    updateHeartRateWearState(data[0], report);
    if (!report || legacyFirmware || data[1] == 0) {
        return;
    }
    for (int i = 0; i < 9; ++i) {
        forward(callbacks.rrCallback, context, timestamp,
                static_cast<uint32_t>(loadLe16(data + 2 + 2 * i)));
    }
    forward(callbacks.heartRateCallback, context, timestamp, static_cast<uint32_t>(data[1]));
}

// ---- Sound volume and nasal cannula ----------------------------------------------------------

void DataConverter::processSoundVolumePackage(const uint8_t* data, int size, uint64_t timestamp) {
    if (!hasExactSize("processSoundVolumePackage", data, size, 10)) {
        return;
    }
    for (int i = 0; i < 5; ++i) {
        forward(callbacks.soundVolumeCallback, context, timestamp, loadBe16(data + 2 * i));
    }
}

void DataConverter::processNasalCannulaPackage(const uint8_t* data, int size, uint64_t timestamp) {
    if (!hasExactSize("processNasalCannulaPackage", data, size, 20)) {
        return;
    }
    // Contact changes of the packet reach the host before its pressure values; a packet fed
    // from inside such a report is decoded at once and leaves these values as they are.
    int32_t values[pressureValueCount];
    for (int i = 0; i < pressureValueCount; ++i) {
        values[i] = static_cast<int32_t>(loadBe32(data + 4 * i));
        pressureLeadOffDetector.update(values[i]);
    }
    for (const int32_t value : values) {
        forward(callbacks.pressureCallback, context, timestamp, static_cast<uint32_t>(value));
    }
}

}  // namespace Tenvik
