#pragma once

#include <cstdint>
#include <vector>

#include "link/IBLECommunication.h"

namespace Tenvik {

class UnifiedBLEManager;

// The protocol-4 link layer's view of the manager: packets out, readiness, complete messages
// and error codes in.
class UnifiedBLEAdapter : public IBLECommunication {
public:
    explicit UnifiedBLEAdapter(UnifiedBLEManager* owner) : manager(owner) {}
    ~UnifiedBLEAdapter() override = default;

    void send(const std::vector<uint8_t>& packet) override;
    void notifyReady() override;
    void didReceivePackage(const std::vector<uint8_t>& payload, uint16_t pid,
                           uint64_t options) override;
    void didReceiveError(uint8_t code) override;

private:
    UnifiedBLEManager* manager;
};

}  // namespace Tenvik
