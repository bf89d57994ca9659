#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numbers>
#include <vector>

#include "signal/AnalysisSegment.h"

namespace TenvikTest {

// A synthetic recording for the onset analysis, cut into segments of three seconds (by default).
//
// The X axis carries a 5 Hz oscillation b·sin(π·i/3 + 0.5) at 30 values a second, Y holds 1
// (gravity) and Z 0, so the squared magnitude 1 + X² oscillates at 10 Hz with amplitude b²/2
// and a Teager energy of 3600·(b²/2)²·sin⁴(2π/3) = 506.25·b⁴: about 32 at rest (b = 0.5) and
// 1050 in a burst (b = 1.2), between the short-window level 200 and the long-window limit 2000.
// The root of the power alternates between its amplitude and 0 from value to value: 1000 at
// rest, 7000 in a burst, above the short-window level 5000 and below both the run level 7500
// and the long-window limit 40000. Both high-passed signals keep changing sign. A burst of six
// values (0.2 s) therefore starts exactly one onset.
struct BatchRecording {
    size_t segments = 10;
    std::vector<size_t> bursts{100, 400, 700};  // first axis value of each burst
    size_t energyBurstLength = 6;               // axis values with the burst oscillation
    size_t powerBurstLength = 6;
    double oscillation = 0.5;
    double burstOscillation = 1.2;
    double amplitude = 1000.0;
    double burstAmplitude = 7000.0;
    bool oscillationOnX = true;   // otherwise on Y, with X holding 1
    bool powerAlternates = true;  // otherwise the root of the power holds its amplitude
    size_t axisValuesPerSegment = 90;
    size_t powerValuesPerSegment = 90;
    int64_t segmentMs = 3000;
};

inline constexpr int64_t batchRecordingStart = 1700000000000;

inline bool inBurst(const BatchRecording& r, size_t axisIndex, size_t length) {
    for (const size_t start : r.bursts) {
        if (axisIndex >= start && axisIndex < start + length) {
            return true;
        }
    }
    return false;
}

// Values [first, first + count) of each signal's whole recording, as one segment.
inline Tenvik::AnalysisSegment batchSegment(const BatchRecording& r, size_t firstSegment,
                                            size_t segmentCount) {
    Tenvik::AnalysisSegment s;
    const size_t firstAxis = firstSegment * r.axisValuesPerSegment;
    for (size_t i = firstAxis; i < firstAxis + segmentCount * r.axisValuesPerSegment; ++i) {
        const double b = inBurst(r, i, r.energyBurstLength) ? r.burstOscillation : r.oscillation;
        const double wave = b * std::sin(std::numbers::pi * static_cast<double>(i) / 3.0 + 0.5);
        s.axisX.push_back(r.oscillationOnX ? wave : 1.0);
        s.axisY.push_back(r.oscillationOnX ? 1.0 : wave);
        s.axisZ.push_back(0.0);
    }
    const size_t firstPower = firstSegment * r.powerValuesPerSegment;
    for (size_t j = firstPower; j < firstPower + segmentCount * r.powerValuesPerSegment; ++j) {
        const size_t axisIndex = j * r.axisValuesPerSegment / r.powerValuesPerSegment;
        const double root =
            inBurst(r, axisIndex, r.powerBurstLength) ? r.burstAmplitude : r.amplitude;
        const bool high = j % 2 == 0 || !r.powerAlternates;
        s.power.push_back(high ? root * root : 0.0);
    }
    s.startTime = batchRecordingStart + static_cast<int64_t>(firstSegment) * r.segmentMs;
    s.endTime = s.startTime + static_cast<int64_t>(segmentCount) * r.segmentMs;
    return s;
}

// The whole recording as one segment: what the analyzer joins from its segments.
inline Tenvik::AnalysisSegment batchWhole(const BatchRecording& r) {
    return batchSegment(r, 0, r.segments);
}

inline std::vector<Tenvik::AnalysisSegment> batchSegments(const BatchRecording& r) {
    std::vector<Tenvik::AnalysisSegment> segments;
    for (size_t k = 0; k < r.segments; ++k) {
        segments.push_back(batchSegment(r, k, 1));
    }
    return segments;
}

}  // namespace TenvikTest
