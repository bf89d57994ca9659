#include "signal/ExactFloatSum.h"

#include <limits>

namespace Tenvik {

namespace {

// The weight of each limb's lowest bit: 2^(64 k - 149), exact in double.
constexpr double limbWeight(int k) {
    double weight = 1.0;
    for (int e = 64 * k - 149; e < 0; ++e) {
        weight *= 0.5;
    }
    for (int e = 64 * k - 149; e > 0; --e) {
        weight *= 2.0;
    }
    return weight;
}
constexpr double LimbWeights[] = {limbWeight(0), limbWeight(1), limbWeight(2), limbWeight(3),
                                  limbWeight(4)};

}  // namespace

double ExactFloatSum::nonFiniteSum() const {
    if (nans != 0 || (positiveInfinities != 0 && negativeInfinities != 0)) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    if (positiveInfinities != 0) {
        return std::numeric_limits<double>::infinity();
    }
    return negativeInfinities != 0 ? -std::numeric_limits<double>::infinity() : 0.0;
}

// The two highest non-zero limbs of the magnitude, each rounded to double once and summed:
// what lies below them is less than 2^-64 of the whole.
double ExactFloatSum::approximate() const {
    std::array<uint64_t, Limbs> magnitude = limbs;
    const bool negative = (magnitude[Limbs - 1] >> 63) != 0;
    if (negative) {
        uint64_t carry = 1;
        for (uint64_t& limb : magnitude) {
            limb = ~limb + carry;
            carry = carry != 0 && limb == 0 ? 1 : 0;
        }
    }
    int top = Limbs - 1;
    while (top >= 0 && magnitude[top] == 0) {
        --top;
    }
    if (top < 0) {
        return 0.0;
    }
    double value = static_cast<double>(magnitude[top]) * LimbWeights[top];
    if (top > 0) {
        value += static_cast<double>(magnitude[top - 1]) * LimbWeights[top - 1];
    }
    return negative ? -value : value;
}

}  // namespace Tenvik
