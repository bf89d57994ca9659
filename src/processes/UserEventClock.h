#pragma once

#include <cstdint>

namespace Tenvik {

// Gives a user event its time. Firmware that sends the event time (mode 1) sends only its low
// 32 bits, which are joined to the upper half of the host clock; otherwise the event takes the
// host clock's time.
class UserEventClock {
public:
    void setMode(int32_t userEventTimestampMode) { mode = userEventTimestampMode; }
    int32_t getMode() const { return mode; }

    // The time of a user-event message of `size` bytes, whose bytes 1 to 4 hold the device's
    // low 32 bits (little-endian) in mode 1. A message too short to hold them takes the host
    // clock's time.
    uint64_t userEventTimestamp(const uint8_t* message, uint16_t size) const;

    // The rule itself, for a given host time.
    uint64_t userEventTimestamp(const uint8_t* message, uint16_t size, uint64_t now) const;

private:
    int32_t mode = 0;
};

}  // namespace Tenvik
