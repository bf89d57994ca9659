#include "processes/UserEventClock.h"

#include "common/ByteOrder.h"
#include "common/TimeUtils.h"

namespace Tenvik {

namespace {
// The status byte and the 32-bit device time.
constexpr uint16_t DeviceTimeMessageSize = 5;
}  // namespace

uint64_t UserEventClock::userEventTimestamp(const uint8_t* message, uint16_t size) const {
    return userEventTimestamp(message, size, nowMs());
}

uint64_t UserEventClock::userEventTimestamp(const uint8_t* message, uint16_t size,
                                            uint64_t now) const {
    if (mode != 1 || message == nullptr || size < DeviceTimeMessageSize) {
        return now;
    }
    const uint32_t low = loadLe32(message + 1);
    return (now & 0xFFFFFFFF00000000ull) | low;
}

}  // namespace Tenvik
