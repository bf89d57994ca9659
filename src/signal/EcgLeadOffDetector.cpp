#include "signal/EcgLeadOffDetector.h"

#include <algorithm>
#include <cmath>

namespace Tenvik {

namespace {

constexpr double kMeanLimit = 0.04;
constexpr float kHoldSamples = 500.0f;
constexpr double kNarrowestRange = 0.3;
constexpr double kWidestRange = 2.41888;

// The test on a sum of the window: its mean rounded to float, against the limit. The answer
// only grows with the sum's magnitude.
bool offForSum(double windowSum) {
    const float mean = static_cast<float>(windowSum / EcgLeadOffDetector::kWindowSize);
    return std::fabs(mean) > kMeanLimit;
}

}  // namespace

EcgLeadOffDetector::EcgLeadOffDetector() = default;

void EcgLeadOffDetector::replace(uint32_t position, float sample) {
    sum.remove(window[position]);
    magnitudes.remove(std::fabs(window[position]));
    window[position] = sample;
    sum.add(sample);
    magnitudes.add(std::fabs(sample));
}

bool EcgLeadOffDetector::writeAndTest(float sample) {
    replace(writePosition, sample);
    writePosition = (writePosition + 1) % kWindowSize;
    return meanIsOff();
}

bool EcgLeadOffDetector::literalMeanIsOff() const {
    double windowSum = 0.0;
    for (const float value : window) {
        windowSum += value;
    }
    return offForSum(windowSum);
}

bool EcgLeadOffDetector::meanIsOff() const {
    if (sum.hasNonFinite()) {
        return offForSum(sum.nonFiniteSum());
    }
    // Summing n values in double in any order strays from their exact sum by at most
    // (n - 1)u / (1 - (n - 1)u) times the sum of their magnitudes, u = 2^-53. Taken twice over,
    // with the approximations' own 2^-50, the exact sum's interval holds the literal sum.
    constexpr double unit = 0x1p-53;
    constexpr double terms = kWindowSize - 1;
    constexpr double growth = 2.0 * terms * unit / (1.0 - terms * unit);
    const double exact = std::fabs(sum.approximate());
    const double slack = growth * magnitudes.approximate() + 0x1p-49 * exact;
    const bool lower = offForSum(std::max(0.0, exact - slack));
    const bool upper = offForSum(exact + slack);
    return lower == upper ? lower : literalMeanIsOff();
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
    replace(rangePosition, sample - static_cast<float>(notch.process(sample)));
    rangePosition = (rangePosition + 1) % kWindowSize;
    const auto [lowest, highest] = std::minmax_element(window.begin(), window.end());
    const double range = *highest - *lowest;
    return range < kNarrowestRange || range > kWidestRange;
}

}  // namespace Tenvik
