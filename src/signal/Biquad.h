#pragma once

#include <cstdint>
#include <vector>

namespace Tenvik {

// A cascade of identical second-order sections in double precision (transposed direct
// form II), designed from a normalised frequency (cut-off or centre over the sample rate)
// and a Q.
class Biquad {
public:
    enum Kind : int { LowPass = 0, HighPass = 1, BandPass = 2, Notch = 3 };

    // A section count below 0 is 0: the filter then passes its input unchanged.
    Biquad(int kind, double normalisedFrequency, int sections, double q);

    double process(double x);

    double b0 = 0.0;
    double b1 = 0.0;
    double b2 = 0.0;
    double a1 = 0.0;
    double a2 = 0.0;

private:
    int32_t sections;
    std::vector<double> z1;
    std::vector<double> z2;
};

}  // namespace Tenvik
