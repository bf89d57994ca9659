#pragma once

#include <cstdint>
#include <vector>

#include "link/HeaderTemplate.h"

namespace Tenvik {

// Legacy packet builder: one payload behind a legacy header. Configured at creation; the device
// link does not send through it.
class Sender {
public:
    Sender();

    void setProtocolVersion(uint8_t version);
    void setMaxPackageSize(int size) { maxPackageSize = size; }
    void setMode(int newMode) { mode = newMode; }

    // Build a packet (system data from the vector, process data from the pointer) and return
    // its bytes, valid until the next build. A payload that one packet cannot carry whole is
    // refused: the result is null and no packet is kept.
    const uint8_t* makePacket(const std::vector<uint8_t>& payload, uint16_t pid);
    const uint8_t* makePacket(const uint8_t* payload, uint32_t length, uint16_t pid);

    const std::vector<uint8_t>& getPacket() const { return packet; }
    uint8_t getProtocolVersion() const { return headerTemplate.version(); }
    int getMode() const { return mode; }
    int getMaxPackageSize() const { return maxPackageSize; }

private:
    const uint8_t* build(const uint8_t* payload, size_t length, uint8_t type, uint16_t pid);
    size_t capacity() const;

    std::vector<uint8_t> packet;
    HeaderTemplate headerTemplate;
    int mode = 1;
    int maxPackageSize = 18;
};

}  // namespace Tenvik
