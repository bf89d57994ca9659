#pragma once

#include <cstdint>

namespace Tenvik {

// Times for the records of one signal block of a session: the block's records are spread
// evenly over the session, record i at start + i x (span / n). The arithmetic is single
// precision, as the device's own tools compute it, so long sessions round the same way.
class RecordClock {
public:
    // `records` is the number of whole records in the block. A session whose end lies before
    // its start has no usable span: every record then falls on the start.
    RecordClock(uint64_t start, uint64_t end, uint32_t records);

    uint64_t timeOf(uint32_t record) const;
    float interval() const { return step; }

    // The duration between the two times, 0 when the end lies before the start.
    static uint64_t spanOf(uint64_t start, uint64_t end) { return end > start ? end - start : 0; }

    // A non-negative offset in milliseconds as an unsigned count, saturating at both ends:
    // nothing at or below zero (or not a number) becomes more than 0, nothing past the range
    // wraps.
    static uint64_t toMilliseconds(float offset);

    // The spacing of `records` records over `span` milliseconds, in single precision.
    static float intervalOf(uint64_t span, uint32_t records);

private:
    uint64_t start;
    float step;
};

}  // namespace Tenvik
