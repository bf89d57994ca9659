#pragma once

#include <cstdint>

namespace Tenvik {

// Type of a device process. The firmware sends it as a signed byte, so device values
// 0x80..0xFF arrive as negative (dynamic) types, which have no handler.
enum ProcessID : int32_t {
    ProcessSystem = 0,
    ProcessUpdate = 1,
    ProcessPing = 2,
    ProcessSet = 3,
    ProcessMemory = 4,
    ProcessDump = 5,
    ProcessLog = 6,
    ProcessSync = 7,
    ProcessCollect = 8,
    ProcessUnknown = 255,
};

}  // namespace Tenvik
