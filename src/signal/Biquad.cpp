#include "signal/Biquad.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace Tenvik {

Biquad::Biquad(int kind, double normalisedFrequency, int sectionCount, double q)
    : sections(std::max(sectionCount, 0)),
      z1(static_cast<size_t>(sections), 0.0),
      z2(static_cast<size_t>(sections), 0.0) {
    const double k = std::tan(std::numbers::pi * normalisedFrequency);
    const double kk = k * k;
    const double d = k / q;
    const double norm = 1.0 / (1.0 + d + kk);
    a1 = 2.0 * (kk - 1.0) * norm;
    a2 = (1.0 - d + kk) * norm;
    switch (kind) {
        case LowPass:
            b0 = kk * norm;
            b1 = 2.0 * kk * norm;
            b2 = kk * norm;
            break;
        case HighPass:
            b0 = norm;
            b1 = -2.0 * norm;
            b2 = norm;
            break;
        case BandPass:
            b0 = d * norm;
            b1 = 0.0;
            b2 = -d * norm;
            break;
        case Notch:
            b0 = (1.0 + kk) * norm;
            b1 = 2.0 * (kk - 1.0) * norm;
            b2 = (1.0 + kk) * norm;
            break;
        default:
            break;  // no numerator: the filter outputs 0
    }
}

double Biquad::process(double x) {
    for (size_t i = 0; i < z1.size(); ++i) {
        const double y = b0 * x + z1[i];
        z1[i] = b1 * x + z2[i] - a1 * y;
        z2[i] = b2 * x - a2 * y;
        x = y;
    }
    return x;
}

}  // namespace Tenvik
