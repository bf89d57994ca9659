#pragma once

#include <cstdint>

#include "processes/Process.h"
#include "processes/UserEventClock.h"

namespace Tenvik {

class SystemDelegate;

// Kinds of a system-process message (byte 0).
enum class SystemInformation : uint8_t {
    createSuccess = 0,
    createFailure = 1,
    killSuccess = 2,
    killFailure = 3,
    userEvent = 4,
};

// The device's system process, which runs from the start. Its messages report instances the
// firmware created or ended, failed creates and kills, and user events:
//   byte 0 kind, bytes 1-2 PID (little-endian), byte 3 process type (signed), more bytes unread
// (for a user event from firmware that sends its time, bytes 1-4 hold the low 32 bits of it).
// Each is reported to the ProcessManager and then handed to the host as "System".
class System final : public Process {
public:
    explicit System(SystemDelegate* systemDelegate);

    void process(const uint8_t* data, uint16_t size, uint64_t options) override;
    void onKilled() override {}

    UserEventClock& clock() { return eventClock; }
    const UserEventClock& clock() const { return eventClock; }

private:
    void reportCreated(const uint8_t* message);
    void reportKilled(const uint8_t* message);
    void reportUserEvent(const uint8_t* message, uint16_t size);
    static void logUnknownKind(const uint8_t* message, uint16_t size);

    UserEventClock eventClock;
    SystemDelegate* systemDelegate;
};

}  // namespace Tenvik
