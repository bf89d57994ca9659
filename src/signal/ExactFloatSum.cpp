#include "signal/ExactFloatSum.h"

#include <bit>
#include <cmath>
#include <limits>

namespace Tenvik {

namespace {

constexpr int LowestExponent = -149;  // the weight of the fixed point's lowest bit

}  // namespace

// A finite float is a 24-bit integer times a power of two no lower than 2^-149: its bits land
// on at most two limbs, and the carry or borrow runs on from there.
void ExactFloatSum::update(float value, int direction) {
    const uint32_t bits = std::bit_cast<uint32_t>(value);
    const uint32_t exponent = (bits >> 23) & 0xFFu;
    const uint32_t fraction = bits & 0x7FFFFFu;
    const bool negative = (bits >> 31) != 0;
    if (exponent == 0xFFu) {
        int32_t& count = fraction != 0 ? nans : negative ? negativeInfinities : positiveInfinities;
        count += direction;
        return;
    }
    if (exponent == 0 && fraction == 0) {
        return;
    }
    // Subnormals carry no hidden bit and share the lowest exponent.
    const uint64_t mantissa = exponent == 0 ? fraction : (fraction | 0x800000u);
    const int shift = exponent == 0 ? 0 : static_cast<int>(exponent) - 1;
    if (negative == (direction > 0)) {
        subtractAt(mantissa, shift);
    } else {
        addAt(mantissa, shift);
    }
}

void ExactFloatSum::addAt(uint64_t mantissa, int shift) {
    const int limb = shift / 64;
    const int offset = shift % 64;
    const uint64_t low = mantissa << offset;
    const uint64_t high = offset == 0 ? 0 : mantissa >> (64 - offset);
    uint64_t before = limbs[limb];
    limbs[limb] += low;
    uint64_t carry = limbs[limb] < before ? 1 : 0;
    for (int i = limb + 1; i < Limbs; ++i) {
        const uint64_t addend = (i == limb + 1 ? high : 0) + carry;  // high < 2^24: no wrap
        if (addend == 0) {
            break;
        }
        before = limbs[i];
        limbs[i] += addend;
        carry = limbs[i] < before ? 1 : 0;
    }
}

void ExactFloatSum::subtractAt(uint64_t mantissa, int shift) {
    const int limb = shift / 64;
    const int offset = shift % 64;
    const uint64_t low = mantissa << offset;
    const uint64_t high = offset == 0 ? 0 : mantissa >> (64 - offset);
    uint64_t before = limbs[limb];
    limbs[limb] -= low;
    uint64_t borrow = limbs[limb] > before ? 1 : 0;
    for (int i = limb + 1; i < Limbs; ++i) {
        const uint64_t subtrahend = (i == limb + 1 ? high : 0) + borrow;
        if (subtrahend == 0) {
            break;
        }
        before = limbs[i];
        limbs[i] -= subtrahend;
        borrow = limbs[i] > before ? 1 : 0;
    }
}

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
    double value = std::ldexp(static_cast<double>(magnitude[top]), 64 * top + LowestExponent);
    if (top > 0) {
        value += std::ldexp(static_cast<double>(magnitude[top - 1]), 64 * (top - 1) + LowestExponent);
    }
    return negative ? -value : value;
}

}  // namespace Tenvik
