#include "signal/RespirationRateEstimator.h"

#include <cstddef>

namespace Tenvik {

RespirationRateEstimator::RespirationRateEstimator(ISignalProcessor* rateOwner)
    : owner(rateOwner) {}

// The report calls out to the host, which may push further samples from inside it: the count
// is back inside the window before that, and the breaths are counted already.
void RespirationRateEstimator::pushRespirationSample(double value, uint64_t timestamp) {
    static_assert(kWindowSize % kReportInterval == 0);
    respirationBuffer[static_cast<std::size_t>(respirationCount)] = value;
    respirationCount = (respirationCount + 1) % kWindowSize;
    if (respirationCount % kReportInterval != 0) {
        return;
    }
    const uint32_t breaths = countPeaks(respirationBuffer.data(), kPeakProminence, kWindowSize);
    lastRate = static_cast<int32_t>(breaths);
    owner->didCalculateRespirationRate(breaths, timestamp);
}

int32_t RespirationRateEstimator::samplesUntilReport() const {
    return kReportInterval - respirationCount % kReportInterval;
}

uint32_t countPeaks(const double* values, double prominence, int32_t count) {
    enum class Direction { Falling, Rising, Flat };
    if (count < 2) {
        return 0;
    }
    Direction direction = Direction::Falling;
    double trough = 0.0;
    uint32_t peaks = 0;
    for (int32_t i = 0; i + 1 < count; ++i) {
        const double a = values[i];
        const double b = values[i + 1];
        if (a > b) {
            if (direction != Direction::Falling && a != 0.0 && a - trough > prominence) {
                peaks += 1;
            }
            direction = Direction::Falling;
        } else if (a == b) {
            if (direction == Direction::Rising) {
                direction = Direction::Flat;
            }
        } else {
            if (direction != Direction::Rising && a != 0.0) {
                trough = a;
            }
            direction = Direction::Rising;
        }
    }
    return peaks;
}

int32_t smallerOf(int32_t first, int32_t second) { return second < first ? second : first; }

}  // namespace Tenvik
