#include "signal/EcgLeadOffDetector.h"

#include <algorithm>
#include <cmath>

namespace Tenvik {

namespace {

constexpr double kMeanLimit = 0.04;
constexpr float kHoldSamples = 500.0f;
constexpr double kNarrowestRange = 0.3;
constexpr double kWidestRange = 2.41888;

}  // namespace

EcgLeadOffDetector::EcgLeadOffDetector() = default;

bool EcgLeadOffDetector::writeAndTest(float sample) {
    window[writePosition] = sample;
    writePosition = (writePosition + 1) % kWindowSize;
    double sum = 0.0;
    for (const float value : window) {
        sum += value;
    }
    const float mean = static_cast<float>(sum / kWindowSize);
    return std::fabs(mean) > kMeanLimit;
}

bool EcgLeadOffDetector::update(float sample) { return debounce(writeAndTest(sample), 1.0f); }

bool EcgLeadOffDetector::updateUndebounced(float sample) { return writeAndTest(sample); }

bool EcgLeadOffDetector::debounce(bool off, float factor) {
    if (off == leadOff) {
        disagreements = 0.0f;
        return leadOff;
    }
    if (disagreements > factor * kHoldSamples) {
        leadOff = off;
        disagreements = 0.0f;
        return leadOff;
    }
    disagreements += 1.0f;
    return leadOff;
}

bool EcgLeadOffDetector::updateRange(float sample) {
    window[rangePosition] = sample - static_cast<float>(notch.process(sample));
    rangePosition = (rangePosition + 1) % kWindowSize;
    const auto [lowest, highest] = std::minmax_element(window.begin(), window.end());
    const double range = *highest - *lowest;
    return range < kNarrowestRange || range > kWidestRange;
}

}  // namespace Tenvik
