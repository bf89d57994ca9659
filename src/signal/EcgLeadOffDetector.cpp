#include "signal/EcgLeadOffDetector.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

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

// The smallest non-negative window sum that the test finds off: it finds off exactly the sums
// at least this large in magnitude, so one comparison stands for the division and rounding.
double offThreshold() {
    static const double threshold = [] {
        uint64_t low = 0;                                   // 0.0: not off
        uint64_t high = std::bit_cast<uint64_t>(1.0e300);  // off
        while (high - low > 1) {
            const uint64_t middle = low + (high - low) / 2;
            (offForSum(std::bit_cast<double>(middle)) ? high : low) = middle;
        }
        return std::bit_cast<double>(high);
    }();
    return threshold;
}

constexpr double unit = 0x1p-53;
// Summing n values in double in any order strays from their exact sum by at most
// (n - 1)u / (1 - (n - 1)u) times the sum of their magnitudes; taken twice over.
constexpr double terms = EcgLeadOffDetector::kWindowSize - 1;
constexpr double literalGrowth = 2.0 * terms * unit / (1.0 - terms * unit);
// The running sum is taken from the exact one again once its error bound passes this, which
// steady traffic takes millions of samples to reach.
constexpr double quickErrorLimit = 1e-7;

}  // namespace

EcgLeadOffDetector::EcgLeadOffDetector() {
    exponentCounts[0] = kWindowSize;  // the zeros the window starts with
    exponentsPresent[0] = 1;
}

void EcgLeadOffDetector::replace(uint32_t position, float sample) {
    const float old = window[position];
    window[position] = sample;
    sum.remove(old);
    sum.add(sample);
    countExponent(old, -1);
    countExponent(sample, +1);
    // Two roundings, each within 2^-53 of its result; counted at 2^-52 each for margin.
    const double change = static_cast<double>(sample) - static_cast<double>(old);
    quickSum += change;
    quickError += (std::fabs(change) + std::fabs(quickSum)) * 0x1p-52;
}

void EcgLeadOffDetector::countExponent(float sample, int direction) {
    const uint32_t exponent = (std::bit_cast<uint32_t>(sample) >> 23) & 0xFFu;
    uint64_t& word = exponentsPresent[exponent / 64];
    const uint64_t bit = uint64_t{1} << (exponent % 64);
    if (direction > 0) {
        if (exponentCounts[exponent]++ == 0) {
            word |= bit;
        }
    } else if (--exponentCounts[exponent] == 0) {
        word &= ~bit;
    }
}

// A float of biased exponent e is below 2^(e - 126) in magnitude (subnormals and zero below
// 2^-126); the exponents of NaN and infinity give 2^129, never needed since those are judged
// apart.
double EcgLeadOffDetector::magnitudeBound() const {
    int highest = 0;
    for (int word = 3; word >= 0; --word) {
        if (exponentsPresent[static_cast<size_t>(word)] != 0) {
            highest = 64 * word + 63 - std::countl_zero(exponentsPresent[static_cast<size_t>(word)]);
            break;
        }
    }
    const int exponent = std::max(highest, 1) - 126;
    return std::bit_cast<double>(static_cast<uint64_t>(exponent + 1023) << 52);
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

// Decided from the running sum unless its error bound and that of a literal sum together
// straddle the limit; then from the exact sum, and in the last resort from the literal sum.
bool EcgLeadOffDetector::meanIsOff() {
    if (sum.hasNonFinite()) {
        return offForSum(sum.nonFiniteSum());
    }
    if (!(quickError <= quickErrorLimit)) {  // also after a NaN or infinity has left
        quickSum = sum.approximate();
        quickError = 0x1p-49 * std::fabs(quickSum);
    }
    const double literalError = literalGrowth * kWindowSize * magnitudeBound();
    const double slack = quickError + literalError;
    const double magnitude = std::fabs(quickSum);
    if (magnitude - slack >= offThreshold()) {
        return true;
    }
    if (magnitude + slack < offThreshold()) {
        return false;
    }
    return exactMeanIsOff();
}

bool EcgLeadOffDetector::exactMeanIsOff() const {
    const double exact = std::fabs(sum.approximate());
    const double slack = literalGrowth * kWindowSize * magnitudeBound() + 0x1p-49 * exact;
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
