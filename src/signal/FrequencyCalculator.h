#pragma once

#include <cstdint>

namespace Tenvik {

// Turns counts of items received over time into a rate per second, evaluated over windows of
// at least `windowSeconds`.
class FrequencyCalculator {
public:
    FrequencyCalculator(float initialFrequency, int32_t windowSeconds);

    // Adds `count` items received at `timestampMs`. The first observation only starts the clock.
    void update(int32_t count, uint64_t timestampMs);
    // The last rate computed, or the initial frequency until a full window has passed.
    float getFrequency() const;
    // The rate of what has been accumulated up to `timestampMs`, without storing it.
    float calculate(uint64_t timestampMs);

private:
    bool isBeforeLast(uint64_t timestampMs) const;
    bool windowIsFull(uint64_t elapsedMs) const;
    float takeRate(uint64_t timestampMs);

    float accumulated = 0.0f;
    uint64_t lastTimestamp = 0;
    float frequency;
    int32_t windowSeconds;
};

}  // namespace Tenvik
