#pragma once

#include <cstdint>
#include <vector>

#include "DeviceFrames.h"
#include "LinkFrames.h"
#include "tenvik_sdk.h"

namespace TenvikTest {

// The device side of a synchronisation: creates the synchronisation process through a system
// report and sends the process's payloads, framed for the instance's link protocol (3 or 4).
// Under protocol 3 a message with options goes behind a "V3.1" header chunk, the only one that
// carries them; a message without options is one protocol-3 chunk.
class SyncDevice {
public:
    using Bytes = std::vector<uint8_t>;

    static constexpr uint16_t defaultSyncPid = 7;

    SyncDevice(TenvikSDK* instance, int linkProtocol, uint16_t syncPid = defaultSyncPid)
        : sdk(instance), protocol(linkProtocol), pid(syncPid) {}

    // The system report "created process 7 (sync) with this PID".
    void createSync() const {
        message({0x00, static_cast<uint8_t>(pid), static_cast<uint8_t>(pid >> 8), 0x07}, 0, 0);
    }
    // The system report "ended process 7".
    void killSync() const {
        message({0x02, static_cast<uint8_t>(pid), static_cast<uint8_t>(pid >> 8), 0x07}, 0, 0);
    }

    // One payload of the synchronisation process.
    void send(const Bytes& payload, uint64_t options = 0) const { message(payload, pid, options); }
    void send(const std::vector<Bytes>& payloads) const {
        for (const Bytes& payload : payloads) {
            send(payload);
        }
    }
    // A status-based payload: status in the upper half of the options, count in the lower.
    void status(uint32_t status, uint32_t count, const Bytes& payload = {}) const {
        send(payload, (static_cast<uint64_t>(status) << 32) | count);
    }

    void message(const Bytes& payload, uint16_t toPid, uint64_t options) const {
        for (const Bytes& bytes : frames(protocol, payload, toPid, options)) {
            chunk(bytes);
        }
    }

    // The chunks that carry one message under a link protocol.
    static std::vector<Bytes> frames(int linkProtocol, const Bytes& payload, uint16_t toPid,
                                     uint64_t options) {
        if (linkProtocol == 4) {
            return {v4Message(payload, toPid, options)};
        }
        if (options == 0) {
            return {v3Message(payload, toPid)};
        }
        std::vector<Bytes> chunks{
            DeviceFrames::v31Header(static_cast<uint16_t>(payload.size()), 0, toPid, options)};
        if (!payload.empty()) {
            chunks.push_back(payload);
        }
        return chunks;
    }

    void chunk(const Bytes& bytes) const {
        TenvikSDK_process_ble_chunk(bytes.empty() ? nullptr : bytes.data(),
                                    static_cast<int>(bytes.size()), sdk);
    }

private:
    TenvikSDK* sdk;
    int protocol;
    uint16_t pid;
};

}  // namespace TenvikTest
