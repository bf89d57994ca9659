#pragma once

#include <cmath>

namespace Tenvik {

// Upsamples a slow signal on the way in: the first sample is taken as it is; each later one
// becomes `points` values on the straight way from the previous point to it, each the one
// before plus 1/points of the way, summed in single precision. The last of them is the next
// sample's starting point (`previous`, NaN before the first sample). Appends to `out` at
// `count`, which the caller sized for `points` values per sample.
inline void appendSteps(float sample, int points, float& previous, float* out, int& count) {
    if (std::isnan(previous)) {
        out[count++] = sample;
        previous = sample;
        return;
    }
    const float step = (sample - previous) / static_cast<float>(points);
    float point = previous;
    for (int k = 0; k < points; ++k) {
        point += step;
        out[count++] = point;
    }
    previous = point;
}

}  // namespace Tenvik
