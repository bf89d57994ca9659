#include "signal/FrequencyCalculator.h"

#include "common/Log.h"

namespace Tenvik {

FrequencyCalculator::FrequencyCalculator(float initialFrequency, int32_t window)
    : frequency(initialFrequency), windowSeconds(window) {}

void FrequencyCalculator::update(int32_t count, uint64_t timestampMs) {
    if (lastTimestamp == 0) {
        lastTimestamp = timestampMs;
        return;
    }
    accumulated += static_cast<float>(count);
    if (isBeforeLast(timestampMs) || !windowIsFull(timestampMs - lastTimestamp)) {
        return;
    }
    frequency = takeRate(timestampMs);
}

float FrequencyCalculator::getFrequency() const { return frequency; }

float FrequencyCalculator::calculate(uint64_t timestampMs) {
    if (isBeforeLast(timestampMs) || !windowIsFull(timestampMs - lastTimestamp)) {
        return frequency;
    }
    return takeRate(timestampMs);
}

bool FrequencyCalculator::isBeforeLast(uint64_t timestampMs) const {
    if (timestampMs >= lastTimestamp) {
        return false;
    }
    logLine(LogInfo, "FrequencyCalculator lastTimestamp > timestamp");
    return true;
}

bool FrequencyCalculator::windowIsFull(uint64_t elapsedMs) const {
    const int64_t windowMs = static_cast<int64_t>(windowSeconds) * 1000;
    return windowMs <= 0 || elapsedMs >= static_cast<uint64_t>(windowMs);
}

// The rate over the time since the last evaluation; starts the next window.
float FrequencyCalculator::takeRate(uint64_t timestampMs) {
    const float elapsedSeconds = static_cast<float>(timestampMs - lastTimestamp) / 1000.0f;
    const float rate = accumulated / elapsedSeconds;
    accumulated = 0.0f;
    lastTimestamp = timestampMs;
    return rate;
}

}  // namespace Tenvik
