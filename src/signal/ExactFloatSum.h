#pragma once

#include <array>
#include <bit>
#include <cstdint>

namespace Tenvik {

// The exact sum of a changing set of floats: values are added and taken away in constant time,
// and no rounding ever accumulates, however many pass through. Finite values go into a
// two's-complement fixed-point number whose lowest bit is the smallest float (2^-149), wide
// enough for any float and for thousands of them together; NaNs and infinities are counted.
class ExactFloatSum {
public:
    void add(float value) { update(value, +1); }
    void remove(float value) { update(value, -1); }

    // Whether a NaN or an infinity is among the values; the sum of the finite ones then does
    // not decide what a plain floating-point sum of them all would be.
    bool hasNonFinite() const { return nans != 0 || positiveInfinities != 0 || negativeInfinities != 0; }
    // What any plain floating-point sum of the values gives when hasNonFinite(): NaN, +inf or
    // -inf, whatever the order.
    double nonFiniteSum() const;

    // The sum of the finite values, within a relative error of 2^-50.
    double approximate() const;

private:
    static constexpr int Limbs = 5;  // 320 bits: 2^-149 up to beyond 2^138, and a sign

    void update(float value, int direction);
    void addAt(uint64_t mantissa, int shift);
    void subtractAt(uint64_t mantissa, int shift);

    std::array<uint64_t, Limbs> limbs{};
    int32_t nans = 0;
    int32_t positiveInfinities = 0;
    int32_t negativeInfinities = 0;
};

// A finite float is a 24-bit integer times a power of two no lower than 2^-149: its bits land
// on at most two limbs, and the carry or borrow runs on from there.
inline void ExactFloatSum::update(float value, int direction) {
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

inline void ExactFloatSum::addAt(uint64_t mantissa, int shift) {
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

inline void ExactFloatSum::subtractAt(uint64_t mantissa, int shift) {
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

}  // namespace Tenvik
