#pragma once

#include <cstdint>

namespace Tenvik {

// The 14-byte header that opens a group of the legacy synchronisation framing, or reports the
// start, end, state or progress of a transfer.
struct SyncHeader {
    // Low nibble of byte 0: 1 data or text header, 2 status header.
    int type = 0;
    int recordType = 0;
    // High nibble of byte 0: the device's status of the transfer step.
    int status = 0;
    // Bytes of the whole group over its packets, header included.
    int totalLength = 0;
    int recordLength = 0;
    // Time of the group's first record, ms since the Unix epoch.
    uint64_t timestamp = 0;
    // Progress count, big-endian in bytes 2 and 3.
    uint16_t count = 0;
    int byte2 = 0;
    int byte3 = 0;
};

}  // namespace Tenvik
