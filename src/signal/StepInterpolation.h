#pragma once

#include <cmath>

namespace Tenvik {

// Upsampling of the slow respiration signal on the way in. Both rules take the first sample
// as it is (`reference` is NaN before it and becomes that sample) and turn each later sample
// into `points` values, summed in single precision. They append to `out` at `count`, which the
// caller sized for `points` values per sample.

namespace StepInterpolationDetail {

inline bool takeFirst(float sample, float& reference, float* out, int& count) {
    if (!std::isnan(reference)) {
        return false;
    }
    out[count++] = sample;
    reference = sample;
    return true;
}

}  // namespace StepInterpolationDetail

// The straight way from the previous point to the sample: each point the one before plus
// 1/points of the way. The last of them is the next sample's starting point.
inline void appendSteps(float sample, int points, float& previous, float* out, int& count) {
    if (StepInterpolationDetail::takeFirst(sample, previous, out, count)) {
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

// Away from a fixed reference: the sample minus 1/points of its distance to the reference,
// minus that again, and so on, ending at twice the sample less the reference. The reference
// stays the first sample for good.
inline void appendStepsAwayFromReference(float sample, int points, float& reference, float* out,
                                         int& count) {
    if (StepInterpolationDetail::takeFirst(sample, reference, out, count)) {
        return;
    }
    const float step = (reference - sample) / static_cast<float>(points);
    float point = sample;
    for (int k = 0; k < points; ++k) {
        point -= step;
        out[count++] = point;
    }
}

}  // namespace Tenvik
