#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "signal/AnalysisSegment.h"

namespace Tenvik {

// Counts movement onsets over the last ten segments it was given. The segments are joined and
// resampled onto one 30 Hz grid; an onset is a switch into the state where the power and the
// Teager energy of the squared magnitude show a short burst (above their short-window levels,
// below their long-window limits, in runs shorter than half a second) while the sign-change
// rates of the high-passed signals stay high.
class BatchSignalAnalyzer {
public:
    // A recursive filter: numerator b, denominator a (a[0] is taken to be 1).
    struct FilterCoefficients {
        std::vector<double> b;
        std::vector<double> a;
    };

    BatchSignalAnalyzer();

    // Keeps a copy of the segment; once ten are held, analyses them, drops the oldest and
    // returns the number of onsets found. Returns 0 until then, and for a segment without axis
    // or power values or with a zero start or end time, which is not kept.
    int32_t addSegment(const AnalysisSegment& segment);

    // The steps of the analysis, public so that each can be checked on its own.

    // One value per pair of neighbouring grid points, 1.0 where an onset starts. {0.0} for a
    // segment that cannot be analysed: fewer than 7 axis values or 2 power values, axes of
    // unequal lengths, a start not before the end, or a grid too short for the long window.
    std::vector<double> detectOnsets(AnalysisSegment s) const;

    // Whether the segment can be resampled onto a grid long enough for every window.
    bool isAnalysable(const AnalysisSegment& s) const;

    // Number of grid points at `rate` per second up to the last power sample's time (may be
    // negative for a negative duration).
    static int64_t gridSize(const AnalysisSegment& s, int32_t rate);

    // Replaces the four signals by their linear interpolation at the grid times. The segment
    // must be analysable; a grid point past a signal's last time continues its last interval.
    static void resample(AnalysisSegment& s, int32_t rate);

    // x[i]^2 + y[i]^2 + z[i]^2, for the length of x; y and z must be as long.
    static std::vector<double> sumOfSquares(const std::vector<double>& x,
                                            const std::vector<double>& y,
                                            const std::vector<double>& z);

    // Teager energy of the central derivative at `rate`, one value per input; the two values at
    // each end repeat the nearest computed energy. Zeros for fewer than five values, which
    // leave no energy to compute.
    static std::vector<double> teagerEnergy(const std::vector<double>& x, int32_t rate);

    // The maximum over the `window` / 2 values before and from each position, on the signal
    // mirrored at both ends (the value before x[0] is x[1], the one after the last is the last).
    static std::vector<double> movingMax(const std::vector<double>& x, int32_t window);

    // Each set flag replaced by the length of the run of set flags it belongs to; 0 elsewhere.
    static std::vector<double> runLengths(const std::vector<uint8_t>& flags);

    // Sums of `length` consecutive values of c padded with length / 2 zeros at each end, divided
    // by `length`: one value per input for an odd length. Empty for a length below 1.
    static std::vector<double> movingMean(const std::vector<double>& c, int32_t length);

    // The share of sign changes of the filtered signal within 2 * half + 1 samples.
    static std::vector<double> crossingRate(const std::vector<double>& x,
                                            const FilterCoefficients& filter, int32_t half);

    const FilterCoefficients& firstHighPassCoefficients() const { return firstHighPass; }
    const FilterCoefficients& secondHighPassCoefficients() const { return secondHighPass; }

private:
    static constexpr size_t segmentsPerAnalysis = 10;

    AnalysisSegment combinedSegments() const;
    std::vector<uint8_t> active(const std::vector<double>& power,
                                const std::vector<double>& energy,
                                const std::vector<double>& powerCrossings,
                                const std::vector<double>& axisCrossings,
                                const std::vector<double>& magnitudeCrossings) const;

    int32_t sampleRate = 30;
    int32_t shortWindow = 2;
    int32_t mediumWindow = 6;
    int32_t longWindow = 60;
    int32_t crossingHalfWindow = 10;
    double amplitudeLevel = 25.0;
    double energyLevel = 20.0;
    double onsetFactor = 1.5;
    double maxRunLength = 15.0;
    // Second-order Butterworth high-pass filters at 1/30 and 1/60 of the sample rate.
    FilterCoefficients firstHighPass{{0.86230184, -1.72460367, 0.86230184},
                                     {1.0, -1.70555215, 0.7436552}};
    FilterCoefficients secondHighPass{{0.92862378, -1.85724756, 0.92862378},
                                      {1.0, -1.85214649, 0.86234863}};
    std::vector<AnalysisSegment> segments;  // oldest first
};

}  // namespace Tenvik
