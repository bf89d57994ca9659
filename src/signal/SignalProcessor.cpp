#include "signal/SignalProcessor.h"

#include <algorithm>
#include <cmath>

#include "common/ByteConverters.h"
#include "signal/OrientationFilter.h"
#include "common/Quaternion.h"

namespace Tenvik {

namespace {

// Motion samples of the live path arrive at this rate.
constexpr float kMotionSampleRate = 30.0f;

}  // namespace

SignalProcessor::SignalProcessor(ISignalProcessor* resultDelegate)
    : respirationRateEstimator(this), delegate(resultDelegate) {
    // Room for one value beyond the size, so the windows never grow once full.
    ambientWindow.reserve(static_cast<size_t>(ambientWindowSize) + 1);
    skinWindow.reserve(static_cast<size_t>(skinWindowSize) + 1);
}

void SignalProcessor::didCalculateHeartRate(uint32_t value, uint64_t timestamp) {
    if (delegate != nullptr) {
        delegate->didCalculateHeartRate(value, timestamp);
    }
}

void SignalProcessor::didCalculateRespirationRate(uint32_t value, uint64_t timestamp) {
    if (delegate != nullptr) {
        delegate->didCalculateRespirationRate(value, timestamp);
    }
}

float SignalProcessor::processEcg(float sample, bool filter, uint64_t /*timestamp*/) {
    return filter ? ecgFilter.process(sample) : sample;
}

float SignalProcessor::processRespiration(float sample, uint64_t timestamp) {
    const float filtered = respirationFilter.process(sample);
    respirationRateEstimator.pushRespirationSample(filtered, timestamp);
    return filtered;
}

// A rate report calls out to the host, which may feed further samples from inside it. So the
// block is filtered in runs that end with the sample completing a report: the samples fed
// meanwhile pass the filter and the estimator after it and before the rest of the block, as
// they would one sample at a time.
void SignalProcessor::processRespirationBlock(const float* samples, float* filtered,
                                              std::size_t count, uint64_t timestamp) {
    while (count > 0) {
        const std::size_t run = std::min(
            count, static_cast<std::size_t>(respirationRateEstimator.samplesUntilReport()));
        respirationFilter.processBlock(samples, filtered, run);
        for (std::size_t i = 0; i < run; ++i) {
            respirationRateEstimator.pushRespirationSample(filtered[i], timestamp);
        }
        samples += run;
        filtered += run;
        count -= run;
    }
}

bool SignalProcessor::detectLeadOff(float sample) { return leadOffDetector.update(sample); }

void SignalProcessor::processMotion(float q0, float q1, float q2, float q3, float ax, float ay,
                                    float az, const Vector3& angles) {
    const Quaternion orientation(q1, q2, q3, q0);
    const Vector3 linear = removeGravity(orientation, Vector3(ax, ay, az));
    motion.process(orientation, linear, angles, kMotionSampleRate);
}

void SignalProcessor::processImu(float gx, float gy, float gz, float ax, float ay, float az,
                                 float mx, float my, float mz, const Vector3& angles) {
    updateOrientation(gx, gy, gz, ax, ay, az, mx, my, mz);
    const OrientationQuaternion& q = orientationQuaternion();
    processMotion(q.q0, q.q1, q.q2, q.q3, ax, ay, az, angles);
}

void SignalProcessor::appendToWindow(std::vector<float>& window, int32_t size, float value) {
    window.push_back(value);
    if (window.size() > static_cast<size_t>(size)) {
        window.erase(window.begin());
    }
}

float SignalProcessor::meanOf(const std::vector<float>& window) {
    float sum = 0.0f;
    for (const float value : window) {
        sum += value;
    }
    return sum / static_cast<float>(window.size());
}

float SignalProcessor::estimateBodyTemperature(float skin, float ambient) {
    appendToWindow(skinWindow, skinWindowSize, skin);
    appendToWindow(ambientWindow, ambientWindowSize, ambient);
    const float skinMean = meanOf(skinWindow);
    const float ambientMean = meanOf(ambientWindow);
    const float gain = skinMean <= 35.833332f ? -0.0724489f * skinMean + 3.78068f
                                              : 0.0105772f * skinMean + 0.805577f;
    const float estimate = (skinMean - ambientMean) * gain + ambientMean;
    return std::trunc(estimate * 10.0f) / 10.0f;
}

}  // namespace Tenvik
