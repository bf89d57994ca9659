#include "link/Sender.h"

#include <algorithm>

#include "common/Log.h"
#include "link/PacketHeader.h"

namespace Tenvik {

namespace {

// The payload count of a legacy packet is one byte wide.
constexpr size_t MaxLegacyPayload = 255;

}  // namespace

Sender::Sender() = default;

void Sender::setProtocolVersion(uint8_t version) { headerTemplate.setVersion(version); }

size_t Sender::capacity() const {
    // Mode 1 keeps one byte of the package free.
    if (mode == 1) {
        const int capped = maxPackageSize - 1;
        if (capped <= 0) {
            return 0;
        }
        return std::min(static_cast<size_t>(capped), MaxLegacyPayload);
    }
    return MaxLegacyPayload;
}

const uint8_t* Sender::makePacket(const std::vector<uint8_t>& payload, uint16_t pid) {
    return build(payload.data(), payload.size(), 0, pid);
}

const uint8_t* Sender::makePacket(const uint8_t* payload, uint32_t length, uint16_t pid) {
    if (payload == nullptr && length > 0) {
        packet.clear();
        return nullptr;
    }
    return build(payload, length, 1, pid);
}

const uint8_t* Sender::build(const uint8_t* payload, size_t length, uint8_t type, uint16_t pid) {
    packet.clear();
    if (length > capacity()) {
        logLine(LogWarning, "Sender::makePacket - payload of ", length,
                " bytes does not fit one packet of at most ", capacity(), " bytes");
        return nullptr;
    }
    appendHeader(headerTemplate, packet, static_cast<uint16_t>(length), type, pid);
    packet.insert(packet.end(), payload, payload + length);
    return packet.data();
}

}  // namespace Tenvik
