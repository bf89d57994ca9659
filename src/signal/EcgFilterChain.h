#pragma once

#include <vector>

#include "signal/Biquad.h"
#include "signal/Filter.h"

namespace Tenvik {

// The ECG chain of the oldest firmware: four notches (mains harmonics and interference), a
// first-order high-pass against baseline wander and a first-order low-pass. Every stage
// computes in double and hands the next one its result rounded to float.
class EcgFilterChain {
public:
    EcgFilterChain();
    ~EcgFilterChain();

    float process(float x);

private:
    std::vector<double> highPassA;
    std::vector<double> highPassB;
    std::vector<double> lowPassA;
    std::vector<double> lowPassB;
    Biquad notch1;
    Biquad notch2;
    Biquad notch3;
    Biquad notch4;
    Filter highPass;
    Filter lowPass;
};

}  // namespace Tenvik
