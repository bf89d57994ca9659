#include "session/RecordClock.h"

#include <limits>

namespace Tenvik {

RecordClock::RecordClock(uint64_t startTime, uint64_t endTime, uint32_t records)
    : start(startTime), step(intervalOf(spanOf(startTime, endTime), records)) {}

float RecordClock::intervalOf(uint64_t span, uint32_t records) {
    // A block without a whole record has no record to time; half the span keeps the value
    // finite.
    const float divisor = records == 0 ? 2.0f : static_cast<float>(records);
    return static_cast<float>(span) / divisor;
}

uint64_t RecordClock::timeOf(uint32_t record) const {
    const float offset = static_cast<float>(record) * step;
    return start + toMilliseconds(offset);
}

uint64_t RecordClock::toMilliseconds(float offset) {
    // 2^64 is exact in single precision; every float below it converts without overflow.
    constexpr float limit = 18446744073709551616.0f;
    if (!(offset > 0.0f)) {
        return 0;
    }
    if (offset >= limit) {
        return std::numeric_limits<uint64_t>::max();
    }
    return static_cast<uint64_t>(offset);
}

}  // namespace Tenvik
