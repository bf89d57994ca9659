#pragma once

#include <cstdint>

#include "processes/ProcessID.h"

namespace Tenvik {

// How the system process reports to the ProcessManager: instances the firmware created or
// ended, and user events. Never deleted through this interface.
class SystemDelegate {
public:
    virtual void createProcess(ProcessID processId, uint16_t pid) = 0;
    virtual void killProcess(ProcessID processId, uint16_t pid) = 0;
    // `timestamp` in milliseconds since the Unix epoch.
    virtual void didReceiveUserEvent(uint64_t timestamp) = 0;

protected:
    ~SystemDelegate() = default;
};

}  // namespace Tenvik
