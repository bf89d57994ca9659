#include "link/UnifiedBLEAdapter.h"

#include <string>

#include "common/Log.h"
#include "link/UnifiedBLEManager.h"

namespace Tenvik {

void UnifiedBLEAdapter::send(const std::vector<uint8_t>& packet) {
    manager->emitSend(packet.data(), static_cast<int>(packet.size()));
}

void UnifiedBLEAdapter::notifyReady() { manager->emitReady(); }

void UnifiedBLEAdapter::didReceivePackage(const std::vector<uint8_t>& payload, uint16_t pid,
                                          uint64_t options) {
    logLine(LogDebug, "didReceivePackage: size=", payload.size());
    manager->emitPackage(payload, pid, options, pid != 0 ? ProcessData : SystemData);
}

void UnifiedBLEAdapter::didReceiveError(uint8_t code) {
    manager->emitReady();
    if (manager->errorCallback) {
        manager->emitError("V4 Protocol Error Code: " + std::to_string(code));
    }
}

}  // namespace Tenvik
