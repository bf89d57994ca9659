#pragma once

#include <cstdint>

namespace Tenvik {

class ProcessManagerDelegate;

// Base of the handler of one device process type. The ProcessManager keeps in `pid` the
// firmware's number of the running instance (-1 while none runs) and routes to `process` every
// message that carries it. Handlers are members of the ProcessManager and are never deleted
// through this base.
class Process {
public:
    Process() = default;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // One complete message of the running instance with the 64-bit options of its transport
    // package. `data` may be null only when `size` is 0.
    virtual void process(const uint8_t* data, uint16_t size, uint64_t options) = 0;
    // The instance has ended, or the firmware replaced it with a new one.
    virtual void onKilled() = 0;

    int32_t pid = -1;
    ProcessManagerDelegate* delegate = nullptr;

protected:
    ~Process() = default;
};

}  // namespace Tenvik
