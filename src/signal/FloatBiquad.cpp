#include "signal/FloatBiquad.h"

#include <cmath>
#include <numbers>

namespace Tenvik {

FloatBiquad::FloatBiquad(float cutoff, int sampleRate, int kind, float damping) {
    const float w = cutoff * std::numbers::pi_v<float> / static_cast<float>(sampleRate);
    const auto t = static_cast<float>(std::tan(static_cast<double>(w)));
    if (kind == HighPass) {
        const float g = 1.0f / (1.0f + damping * t + t * t);
        b0 = g;
        b1 = -2.0f * g;
        b2 = g;
        a1 = 2.0f * (t * t - 1.0f) * g;
        a2 = (1.0f - damping * t + t * t) * g;
    } else if (kind == LowPass) {
        const float c = 1.0f / t;
        const float e = 1.0f / (1.0f + damping * c + c * c);
        b0 = e;
        b1 = 2.0f * e;
        b2 = e;
        a1 = 2.0f * (1.0f - c * c) * e;
        a2 = (1.0f - damping * c + c * c) * e;
    }
}

float FloatBiquad::process(float x) {
    const float y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
    x2 = x1;
    x1 = x;
    y2 = y1;
    y1 = y;
    return y;
}

}  // namespace Tenvik
