#pragma once

#include <cstddef>

#include "signal/Biquad.h"
#include "signal/FixedBiquad.h"

namespace Tenvik {

// The respiration chain: two notches, a high-pass against drift and a low-pass that keeps
// the breathing band, all in double precision; only the result is rounded to float.
class RespirationFilterChain {
public:
    // The most samples one call of processBlock takes.
    static constexpr std::size_t MaxBlock = 72;

    RespirationFilterChain();

    float process(float x);

    // Filters `count` samples (at most MaxBlock) in order, as `count` calls of process would:
    // the stages see the samples one stage at a time instead of one sample at a time.
    void processBlock(const float* in, float* out, std::size_t count);

private:
    FixedBiquad<4> notch1;
    FixedBiquad<2> notch2;
    FixedBiquad<2> highPass;
    FixedBiquad<2> lowPass;
};

}  // namespace Tenvik
