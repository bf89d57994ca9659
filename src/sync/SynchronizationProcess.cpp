#include "sync/SynchronizationProcess.h"

#include <cstddef>
#include <limits>

#include "common/ByteConverters.h"
#include "common/ByteOrder.h"
#include "common/Forward.h"
#include "common/Log.h"
#include "common/SizeCheck.h"
#include "signal/StepInterpolation.h"

namespace Tenvik {

namespace {

constexpr uint32_t temperatureRecordSize = 4;
constexpr uint32_t heartRateRecordSize = 20;
constexpr uint32_t activityRecordSize = 1;
constexpr uint32_t stepsRecordSize = 4;
constexpr uint32_t legacyRecordSize = 18;
constexpr uint32_t recordSize = 20;
constexpr int rrIntervalCount = 9;
constexpr uint64_t respirationRateGateMs = 14999;

bool hasLength(const char* decoder, const uint8_t* record, uint32_t size, uint32_t expected) {
    return Tenvik::hasExactSize("Synchronization", decoder, record, size, expected);
}

// Signed little-endian fields at their scales.
float sampleQ16(const uint8_t* bytes) { return decodeInt24Q24(bytes[1], bytes[0], 0); }
float sampleQ24(const uint8_t* bytes) { return decodeInt24Q24(bytes[2], bytes[1], bytes[0]); }
float sampleInt16Q10(const uint8_t* bytes) { return decodeInt16Q10(bytes[1], bytes[0]); }
float sampleInt24Q10(const uint8_t* bytes) {
    return decodeInt24Q10(bytes[2], bytes[1], bytes[0]);
}

// 0.02-kelvin steps to degrees Celsius, each step rounded to single precision.
float kelvinStepsToCelsius(uint16_t raw) {
    const auto kelvin = static_cast<float>(raw * 0.02);
    return static_cast<float>(kelvin - 273.15);
}

// The device stamps the low 32 bits of its millisecond clock; the record time gives the rest.
uint64_t joinDeviceTime(const uint8_t* record, uint64_t timestamp) {
    return (timestamp & 0xFFFFFFFF00000000ull) | loadLe32(record);
}

}  // namespace

SynchronizationProcess::SynchronizationProcess()
    : signalProcessor(this), lastRespirationSample(std::numeric_limits<float>::quiet_NaN()) {}

void SynchronizationProcess::setContext(void* hostContext) {
    context = hostContext;
    signalProcessor.motionDetector().setContext(hostContext);
}

void SynchronizationProcess::didCalculateHeartRate(uint32_t /*value*/, uint64_t /*timestamp*/) {}

void SynchronizationProcess::didCalculateRespirationRate(uint32_t value, uint64_t timestamp) {
    forward(pastCallbacks.pastRespirationRateCallback, context, timestamp, value);
}

// ---- Temperature, heart rate, activity, steps ----------------------------------------------

void SynchronizationProcess::processTemperaturePackage(const uint8_t* record, uint32_t size,
                                                       uint64_t timestamp) {
    if (!hasLength("processTemperaturePackage", record, size, temperatureRecordSize)) {
        return;
    }
    // The estimate keeps windows of past readings: it sees only what the host receives.
    if (pastCallbacks.pastTemperatureCallback == nullptr) {
        return;
    }
    const float skin = kelvinStepsToCelsius(loadLe16(record));
    const float ambient = kelvinStepsToCelsius(loadLe16(record + 2));
    const float value = signalProcessor.estimateBodyTemperature(skin, ambient);
    forward(pastCallbacks.pastTemperatureCallback, context, timestamp, value);
}

void SynchronizationProcess::processHeartRatePackage(const uint8_t* record, uint32_t size,
                                                     uint64_t timestamp) {
    if (!hasLength("processHeartRatePackage", record, size, heartRateRecordSize)) {
        return;
    }
    // Decoded before the first call: a host callback may feed further records.
    uint32_t rr[rrIntervalCount];
    for (int i = 0; i < rrIntervalCount; ++i) {
        rr[i] = loadLe16(record + 2 + 2 * i);
    }
    const uint32_t beatsPerMinute = record[1];
    for (const uint32_t interval : rr) {
        forward(pastCallbacks.pastRrCallback, context, timestamp, interval);
    }
    forward(pastCallbacks.pastHeartRateCallback, context, timestamp, beatsPerMinute);
}

void SynchronizationProcess::processActivityPackage(const uint8_t* record, uint32_t size,
                                                    uint64_t timestamp) {
    if (!hasLength("processActivityPackage", record, size, activityRecordSize)) {
        return;
    }
    forward(pastCallbacks.pastActivityCallback, context, timestamp, activityFromCode(record[0]));
}

void SynchronizationProcess::processStepsPackage(const uint8_t* record, uint32_t size,
                                                 uint64_t timestamp) {
    if (!hasLength("processStepsPackage", record, size, stepsRecordSize)) {
        return;
    }
    // A signed count, widened with its sign.
    const auto steps = static_cast<int32_t>(loadLe32(record));
    forward(pastCallbacks.pastStepsCallback, context, timestamp,
            static_cast<uint64_t>(static_cast<int64_t>(steps)));
}

// ---- ECG --------------------------------------------------------------------------------------

void SynchronizationProcess::processECGPackage(const uint8_t* record, uint32_t size,
                                               uint64_t timestamp) {
    switch (dataVersion) {
        case 0: ecgProcessVersion1(record, size, timestamp); break;
        case 1:
        case 2: ecgProcessVersion2(record, size, timestamp); break;
        case 3: ecgProcessVersion3(record, size, timestamp); break;
        case 4: ecgProcessVersion5(record, size, timestamp); break;
        case 5:
        case 6: ecgProcessVersion4(record, size, timestamp); break;
        case 7:
            if (firmwareVersion.major() > 2) {
                ecgProcessVersion4(record, size, timestamp);
            } else {
                ecgProcessVersion5(record, size, timestamp);
            }
            break;
        default: break;
    }
}

// A host callback may replace or clear the callbacks, so the callback is read again before
// every call. Records arrive only through the link, which holds back a chunk fed from inside a
// callback until this record is done, so the record, the outputs and the signal chain stay as
// they are meanwhile (the respiration rate is read from the record after its samples); values
// the host feeds to the live characteristics go to the live decoders' own chain.
void SynchronizationProcess::deliverSamples(TenvikSDK_TimedFloatCallback Callbacks::*callback,
                                            const float* outputs, int count, uint64_t timestamp,
                                            uint64_t spacing) {
    for (int i = 0; i < count; ++i) {
        forward(pastCallbacks.*callback, context, timestamp + spacing * static_cast<uint64_t>(i),
                outputs[i]);
    }
}

// Doubles the rate: every sample yields the midpoint with the one before it, then itself.
void SynchronizationProcess::upsampleEcg(const uint8_t* samples, int count, int width,
                                         uint64_t timestamp, uint64_t spacing) {
    for (int i = 0; i < count; ++i) {
        const uint8_t* bytes = samples + width * i;
        const float sample = width == 3 ? sampleQ24(bytes) : sampleQ16(bytes);
        ecgOutput[2 * i] = lastEcgSample + (sample - lastEcgSample) * 0.5f;
        ecgOutput[2 * i + 1] = sample;
        lastEcgSample = sample;
    }
    deliverSamples(&Callbacks::pastEcgCallback, ecgOutput, 2 * count, timestamp, spacing);
}

void SynchronizationProcess::ecgProcessVersion1(const uint8_t* record, uint32_t size,
                                                uint64_t timestamp) {
    if (!hasLength("ecgProcessVersion1", record, size, legacyRecordSize)) {
        return;
    }
    constexpr int sampleCount = 6;
    for (int i = 0; i < sampleCount; ++i) {
        ecgOutput[i] = sampleQ24(record + 3 * i);
    }
    deliverSamples(&Callbacks::pastEcgCallback, ecgOutput, sampleCount, timestamp, 0);
}

void SynchronizationProcess::ecgProcessVersion2(const uint8_t* record, uint32_t size,
                                                uint64_t timestamp) {
    if (hasLength("ecgProcessVersion2", record, size, recordSize)) {
        upsampleEcg(record, 10, 2, timestamp, 0);
    }
}

// Each output one millisecond after the one before.
void SynchronizationProcess::ecgProcessVersion3(const uint8_t* record, uint32_t size,
                                                uint64_t timestamp) {
    if (hasLength("ecgProcessVersion3", record, size, recordSize)) {
        upsampleEcg(record + 4, 8, 2, joinDeviceTime(record, timestamp), 1);
    }
}

void SynchronizationProcess::ecgProcessVersion4(const uint8_t* record, uint32_t size,
                                                uint64_t timestamp) {
    if (hasLength("ecgProcessVersion4", record, size, recordSize)) {
        upsampleEcg(record + 4, 5, 3, joinDeviceTime(record, timestamp), 0);
    }
}

void SynchronizationProcess::ecgProcessVersion5(const uint8_t* record, uint32_t size,
                                                uint64_t timestamp) {
    if (hasLength("ecgProcessVersion5", record, size, recordSize)) {
        upsampleEcg(record, 6, 3, timestamp, 0);
    }
}

// ---- Respiration --------------------------------------------------------------------------------

void SynchronizationProcess::processRespirationPackage(const uint8_t* record, uint32_t size,
                                                       uint64_t timestamp) {
    switch (dataVersion) {
        case 0: respirationProcessVersion1(record, size, timestamp); break;
        case 1: respirationProcessVersion2(record, size, timestamp); break;
        case 2:
        case 3:
        case 4:
        case 5:
        case 6: respirationProcessVersion3(record, size, timestamp); break;
        case 7: respirationProcessVersion4(record, size, timestamp); break;
        default: break;
    }
}

void SynchronizationProcess::respirationProcessVersion1(const uint8_t* record, uint32_t size,
                                                        uint64_t timestamp) {
    if (!hasLength("respirationProcessVersion1", record, size, legacyRecordSize)) {
        return;
    }
    int count = 0;
    for (int i = 0; i < 6; ++i) {
        const float sample = sampleQ24(record + 3 * i);
        for (int repeat = 0; repeat < respirationRepeat; ++repeat) {
            respirationOutput[count++] = signalProcessor.processRespiration(sample, timestamp);
        }
    }
    deliverSamples(&Callbacks::pastRespirationCallback, respirationOutput, count, timestamp, 0);
}

void SynchronizationProcess::respirationProcessVersion2(const uint8_t* record, uint32_t size,
                                                        uint64_t timestamp) {
    if (!hasLength("respirationProcessVersion2", record, size, recordSize)) {
        return;
    }
    constexpr int points = 6;
    float inputs[maxRespirationOutputs];
    int count = 0;
    for (int i = 0; i < 10; ++i) {
        appendStepsAwayFromReference(sampleQ16(record + 2 * i), points, lastRespirationSample,
                                     inputs, count);
    }
    signalProcessor.processRespirationBlock(inputs, respirationOutput,
                                            static_cast<std::size_t>(count), timestamp);
    deliverSamples(&Callbacks::pastRespirationCallback, respirationOutput, count, timestamp, 0);
}

// Layouts with the device's own rate: eight unfiltered points per sample.
void SynchronizationProcess::interpolateRespiration(const uint8_t* record, int sampleCount,
                                                    int width, float (*decode)(const uint8_t*),
                                                    uint64_t timestamp) {
    int count = 0;
    for (int i = 0; i < sampleCount; ++i) {
        appendSteps(decode(record + width * i), 8, lastRespirationSample, respirationOutput, count);
    }
    deliverSamples(&Callbacks::pastRespirationCallback, respirationOutput, count, timestamp, 0);
    reportRespirationRate(record, timestamp);
}

// The device's own rate, big-endian in the last two bytes, at most once in 15 seconds of
// record time.
void SynchronizationProcess::reportRespirationRate(const uint8_t* record, uint64_t timestamp) {
    if (timestamp - lastRateReportTime <= respirationRateGateMs) {
        return;
    }
    lastRateReportTime = timestamp;
    const auto rate = static_cast<uint32_t>(loadBe16(record + 18));
    forward(pastCallbacks.pastRespirationRateCallback, context, timestamp, rate);
}

void SynchronizationProcess::respirationProcessVersion3(const uint8_t* record, uint32_t size,
                                                        uint64_t timestamp) {
    if (hasLength("respirationProcessVersion3", record, size, recordSize)) {
        interpolateRespiration(record, 9, 2, &sampleInt16Q10, timestamp);
    }
}

void SynchronizationProcess::respirationProcessVersion4(const uint8_t* record, uint32_t size,
                                                        uint64_t timestamp) {
    if (hasExactSize("TenvikSDKMiddle", "respirationProcessVersion4", record, size, recordSize)) {
        interpolateRespiration(record, 6, 3, &sampleInt24Q10, timestamp);
    }
}

}  // namespace Tenvik
