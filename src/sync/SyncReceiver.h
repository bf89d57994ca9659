#pragma once

#include <array>
#include <cstdint>

#include "sync/SyncHeader.h"
#include "sync/SyncReceiverDelegate.h"
#include "tenvik_sdk.h"

namespace Tenvik {

// The legacy synchronisation framing: every payload of the synchronisation process is one
// fixed-size packet. A packet opens a group with a 14-byte header and its first payload bytes,
// or continues the current group. Records of a group are reassembled, timed and handed to the
// delegate; state and progress headers go to the host's two transfer callbacks, which this
// object keeps for both transfer modes.
class SyncReceiver {
public:
    // Bytes of the header layout on the wire, whatever header size the firmware reports.
    static constexpr int headerLayoutSize = 14;
    // The largest record length: its field is one byte, and so is the length of a group.
    static constexpr int recordCapacity = 255;
    // A group, header included, never holds more than its one-byte total length: no packet
    // needs to be longer.
    static constexpr int maxPacketSize = 255;

    explicit SyncReceiver(SyncReceiverDelegate* delegate);

    void setPacketSize(uint32_t size);
    void setHeaderSize(uint8_t size);
    void setDataVersion(int version) { dataVersion = version; }
    void setContext(void* hostContext) { context = hostContext; }
    void setSyncStateCallback(TenvikSDK_IntCallback callback) { syncStateCallback = callback; }
    void setSyncProgressCallback(TenvikSDK_ProgressCallback callback) {
        syncProgressCallback = callback;
    }
    int getPacketSize() const { return packetSize; }
    uint8_t getHeaderSize() const { return syncHeaderSize; }
    int getDataVersion() const { return dataVersion; }
    TenvikSDK_IntCallback getSyncStateCallback() const { return syncStateCallback; }
    TenvikSDK_ProgressCallback getSyncProgressCallback() const { return syncProgressCallback; }

    // How many bytes `process` reads from a packet: the packet size, and never less than the
    // header layout.
    int packetBytes() const;

    // One packet of `packetBytes()` readable bytes.
    void process(const uint8_t* packet);

    // The first 14 bytes of a packet as a header; changes no member.
    static void parseHeader(SyncHeader& out, const uint8_t* packet);
    // 0 for "start", 2 for "end", 3 for another data or text header, the status of a status
    // header, 7 for any other type.
    static int classifyHeader(const SyncHeader& header);
    // A time with bit 63 set whose other bits lie in 2000..2100 is masked, with a warning
    // limited to five per process; any other value passes unchanged.
    static uint64_t normalizeTimestamp(uint64_t raw);
    static uint64_t readTimestamp(const uint8_t* data, uint8_t offset);

    // Whether the next packet opens a new group.
    bool expectsHeader() const;

private:
    enum class TextHeader { None, Start, End };

    static TextHeader textHeaderOf(const SyncHeader& header);
    void processHeader(const uint8_t* packet);
    void processStatusHeader();
    void beginGroup(const uint8_t* packet);
    void appendPayload(const uint8_t* packet);
    void applyTimestampFloor();
    void deliverRecord();
    void clearRecord();
    void reportState(int state);
    void reportProgress(uint16_t count);

    TenvikSDK_ProgressCallback syncProgressCallback = nullptr;
    TenvikSDK_IntCallback syncStateCallback = nullptr;
    int dataVersion = 0;
    void* context = nullptr;
    // Sized for the longest record rather than the packet: records of 20 bytes and more
    // are common, and a group never brings more than its one-byte total length.
    std::array<uint8_t, recordCapacity> recordBuffer{};
    SyncReceiverDelegate* delegate;
    SyncHeader header;
    int packetSize = 18;
    uint8_t syncHeaderSize = 14;
    uint8_t recordPeriod = 0;
    uint8_t recordFill = 0;
    int16_t bytesRemaining = 0;
    uint64_t lastTimestamp = 0;
};

}  // namespace Tenvik
