#pragma once

#include <array>
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

}  // namespace Tenvik
