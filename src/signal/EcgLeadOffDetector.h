#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "signal/Biquad.h"
#include "signal/ExactFloatSum.h"

namespace Tenvik {

// Tests raw ECG samples for lead-off: with the electrodes off the signal's mean over the last
// 600 samples drifts away from zero. The answer only changes after 502 consecutive samples that
// disagree with it. Every detector keeps its own window, position, counter and state, so that
// detectors of different devices (and threads) never disturb each other.
class EcgLeadOffDetector {
public:
    static constexpr uint32_t kWindowSize = 600;

    EcgLeadOffDetector();

    // Writes the sample and returns the debounced state; true = lead off.
    bool update(float sample);

    // Writes the sample and returns the raw test, without debouncing.
    bool updateUndebounced(float sample);

    // Debounces a raw test result; the state changes once more than factor x 500 consecutive
    // results disagreed with it.
    bool debounce(bool off, float factor);

    // Writes the sample less its notch-filtered version into the window at a write position of
    // its own and tests whether the window's range is implausibly narrow or wide.
    bool updateRange(float sample);

private:
    bool writeAndTest(float sample);
    void replace(uint32_t position, float sample);
    // |mean| > 0.04 with the mean of the window summed in double in index order and rounded to
    // float, decided in constant time from the exact sums whenever that sum's rounding cannot
    // change the answer (so always but within a hair of the limit).
    bool meanIsOff();
    bool exactMeanIsOff() const;
    bool literalMeanIsOff() const;
    void countExponent(float sample, int direction);
    // No window value is larger in magnitude than this power of two.
    double magnitudeBound() const;

    std::array<float, kWindowSize> window{};
    // The exact sum of the window, kept up to date as samples replace one another.
    ExactFloatSum sum;
    // A plain running sum beside it, and a bound on how far it has strayed from the exact sum;
    // taken from the exact sum again before it strays far.
    double quickSum = 0.0;
    double quickError = 0.0;
    // How many window values have each float exponent, and which exponents occur: the largest
    // bounds every value, and so the rounding of a plain sum of them.
    std::array<uint16_t, 256> exponentCounts{};
    std::array<uint64_t, 4> exponentsPresent{};
    Biquad notch{3, 0.25, 2, 1.0};
    uint32_t writePosition = 0;
    uint32_t rangePosition = 0;
    float disagreements = 0.0f;
    bool leadOff = true;
};

}  // namespace Tenvik
