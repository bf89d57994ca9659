#pragma once

#include "signal/Biquad.h"

namespace Tenvik {

// The respiration chain: two notches, a high-pass against drift and a low-pass that keeps
// the breathing band, all in double precision; only the result is rounded to float.
class RespirationFilterChain {
public:
    RespirationFilterChain();

    float process(float x);

private:
    Biquad notch1;
    Biquad notch2;
    Biquad highPass;
    Biquad lowPass;
};

}  // namespace Tenvik
