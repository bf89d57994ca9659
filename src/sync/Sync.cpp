#include "sync/Sync.h"

namespace Tenvik {

void Sync::process(const uint8_t* /*data*/, uint16_t /*size*/, uint64_t /*options*/) {}

void Sync::onKilled() {}

void Sync::configure(uint8_t legacyHeaderSize, uint32_t legacyPacketSize,
                     uint32_t recordDataVersion, const FirmwareVersion& firmware,
                     uint32_t syncMode, uint32_t sessionFormatKind) {
    headerSize = legacyHeaderSize;
    packetSize = legacyPacketSize;
    dataVersion = recordDataVersion;
    firmwareVersion = firmware;
    signalCount = sessionFormatKind == 0 ? 15 : sessionFormatKind == 1 ? 16 : 18;
    mode = static_cast<int>(syncMode);
}

}  // namespace Tenvik
