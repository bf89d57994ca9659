#pragma once

#include <array>
#include <cstdint>

#include "signal/ISignalProcessor.h"

namespace Tenvik {

// Estimates the respiration rate as the number of breaths (prominent peaks of the filtered
// respiration signal) in a window of 30000 samples, one minute of signal. The count is
// reported to the owner every quarter window, the first time with the 7500th sample.
class RespirationRateEstimator {
public:
    static constexpr int32_t kWindowSize = 30000;
    static constexpr int32_t kReportInterval = 7500;
    static constexpr double kPeakProminence = 7e-7;

    explicit RespirationRateEstimator(ISignalProcessor* owner);

    // One filtered respiration sample.
    void pushRespirationSample(double value, uint64_t timestamp);

    // How many more samples complete the next report (1 to kReportInterval).
    int32_t samplesUntilReport() const;

    // The last count reported, -1 before the first.
    int32_t lastRespirationRate() const { return lastRate; }

private:
    ISignalProcessor* owner;
    int32_t lastRate = -1;
    int32_t respirationCount = 0;
    std::array<double, kWindowSize> respirationBuffer{};
};

// Counts the local maxima of values[0 .. count-1] that rise more than the prominence above the
// preceding trough. A plateau counts once, at its end, when the signal then falls; a value of
// exactly 0 is never a peak nor a trough, so a zero-filled part adds nothing.
uint32_t countPeaks(const double* values, double prominence, int32_t count);

// The smaller of two values.
int32_t smallerOf(int32_t first, int32_t second);

}  // namespace Tenvik
