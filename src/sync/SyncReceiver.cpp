#include "sync/SyncReceiver.h"

#include <algorithm>
#include <atomic>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/ByteConverters.h"
#include "common/ByteOrder.h"
#include "common/Forward.h"
#include "common/Log.h"
#include "sync/SyncStatus.h"

namespace Tenvik {

namespace {

constexpr uint64_t timestampMsb = uint64_t{1} << 63;
constexpr uint64_t minValidTimestamp = 946684800000ull;   // 2000-01-01T00:00:00Z
constexpr uint64_t maxValidTimestamp = 4102444800000ull;  // 2100-01-01T00:00:00Z
constexpr int maxNormalizedTimestampWarnings = 5;
constexpr int typeDataOrText = 1;
constexpr int typeStatus = 2;
constexpr float progressWithoutRate = -1.0f;

// One count for every instance of the process: the warning is about the device's clock,
// not about an instance, and five lines say enough.
std::atomic<int> normalizedTimestampWarnings{0};

bool takeNormalizedTimestampWarning() {
    int seen = normalizedTimestampWarnings.load(std::memory_order_relaxed);
    while (seen < maxNormalizedTimestampWarnings) {
        if (normalizedTimestampWarnings.compare_exchange_weak(seen, seen + 1,
                                                              std::memory_order_relaxed)) {
            return true;
        }
    }
    return false;
}

// "<decimal> 0x<16 hex digits> le=<the eight bytes, least significant first>"
void appendTimestampForms(std::string& out, uint64_t value) {
    char text[80];
    std::snprintf(text, sizeof text, "%" PRIu64 " 0x%016" PRIX64 " le=", value, value);
    out += text;
    for (int i = 0; i < 8; ++i) {
        std::snprintf(text, sizeof text, i == 0 ? "%02X" : " %02X",
                      static_cast<unsigned>((value >> (8 * i)) & 0xFFu));
        out += text;
    }
}

void logNormalizedTimestamp(uint64_t raw, uint64_t masked) {
    if (!logEnabled()) {
        return;
    }
    std::string text = "SyncReceiver: normalized epoch-ms timestamp with MSB set (raw=";
    appendTimestampForms(text, raw);
    text += ", masked=";
    appendTimestampForms(text, masked);
    text += ")";
    logMessage(LogWarning, text);
}


}  // namespace

SyncReceiver::SyncReceiver(SyncReceiverDelegate* owner) : delegate(owner) {}

void SyncReceiver::setPacketSize(uint32_t size) {
    packetSize = static_cast<int>(std::min<uint32_t>(size, maxPacketSize));
    recordBuffer.fill(0);
}

void SyncReceiver::setHeaderSize(uint8_t size) { syncHeaderSize = size; }

int SyncReceiver::packetBytes() const { return std::max(packetSize, headerLayoutSize); }

uint64_t SyncReceiver::normalizeTimestamp(uint64_t raw) {
    if ((raw & timestampMsb) == 0) {
        return raw;
    }
    const uint64_t masked = raw & ~timestampMsb;
    if (masked < minValidTimestamp || masked > maxValidTimestamp) {
        return raw;
    }
    // Spent before the line goes out: a host that drives another instance from inside its log
    // callback finds the count already taken.
    if (takeNormalizedTimestampWarning()) {
        logNormalizedTimestamp(raw, masked);
    }
    return masked;
}

uint64_t SyncReceiver::readTimestamp(const uint8_t* data, uint8_t offset) {
    return normalizeTimestamp(loadLe64(data + offset));
}

void SyncReceiver::parseHeader(SyncHeader& out, const uint8_t* packet) {
    out.type = packet[0] & 0x0F;
    out.status = packet[0] >> 4;
    out.recordType = packet[1];
    out.count = loadBe16(packet + 2);
    out.byte2 = packet[2];
    out.byte3 = packet[3];
    out.totalLength = packet[4];
    out.recordLength = packet[5];
    out.timestamp = readTimestamp(packet, 6);
}

// A text header spells its word from byte 1 on, over the fields that other headers use.
SyncReceiver::TextHeader SyncReceiver::textHeaderOf(const SyncHeader& header) {
    if (header.type != typeDataOrText) {
        return TextHeader::None;
    }
    if (header.recordType == 's' && header.byte2 == 't' && header.byte3 == 'a' &&
        header.totalLength == 'r' && header.recordLength == 't') {
        return TextHeader::Start;
    }
    if (header.recordType == 'e' && header.byte2 == 'n' && header.byte3 == 'd') {
        return TextHeader::End;
    }
    return TextHeader::None;
}

int SyncReceiver::classifyHeader(const SyncHeader& header) {
    switch (textHeaderOf(header)) {
        case TextHeader::Start: return SyncStatusStart;
        case TextHeader::End: return SyncStatusEnd;
        case TextHeader::None: break;
    }
    if (header.type == typeDataOrText) {
        return SyncStatusData;
    }
    if (header.type == typeStatus) {
        return header.status;
    }
    return 7;
}

bool SyncReceiver::expectsHeader() const {
    return bytesRemaining <= 0 || recordFill == header.recordLength;
}

void SyncReceiver::process(const uint8_t* packet) {
    if (expectsHeader()) {
        processHeader(packet);
    } else {
        appendPayload(packet);
    }
}

void SyncReceiver::processHeader(const uint8_t* packet) {
    parseHeader(header, packet);
    switch (textHeaderOf(header)) {
        case TextHeader::Start:
            reportState(SyncStateStarted);
            clearRecord();
            return;
        case TextHeader::End:
            reportState(SyncStateEnded);
            clearRecord();
            return;
        case TextHeader::None: break;
    }
    if (header.type == typeDataOrText ||
        (header.type == typeStatus && header.status == SyncStatusData)) {
        beginGroup(packet);
    } else if (header.type == typeStatus) {
        processStatusHeader();
    }
}

void SyncReceiver::processStatusHeader() {
    const auto status = static_cast<uint32_t>(header.status);
    if (const std::optional<int> state = syncStateForStatus(status)) {
        reportState(*state);
    } else if (status == SyncStatusDevice6) {
        reportState(SyncStateDevice6);
    } else if (status == SyncStatusProgress) {
        reportProgress(header.count);
    } else {
        return;  // statuses 7 to 15 carry nothing
    }
    clearRecord();
}

void SyncReceiver::beginGroup(const uint8_t* packet) {
    reportProgress(header.count);
    applyTimestampFloor();
    bytesRemaining = static_cast<int16_t>(header.totalLength);
    recordPeriod = static_cast<uint8_t>(recordPeriodMs(header.recordType));
    const int firstBytes = std::clamp(packetSize - static_cast<int>(syncHeaderSize), 0,
                                      recordCapacity);
    if (firstBytes > 0) {
        std::memcpy(recordBuffer.data(), packet + syncHeaderSize, static_cast<size_t>(firstBytes));
    }
    recordFill = static_cast<uint8_t>(firstBytes);
    bytesRemaining = static_cast<int16_t>(bytesRemaining - packetSize);
    if (bytesRemaining > 0 && recordFill != header.recordLength) {
        return;
    }
    deliverRecord();
}

void SyncReceiver::appendPayload(const uint8_t* packet) {
    const int count = std::min<int>(bytesRemaining, packetSize);
    for (int i = 0; i < count; ++i) {
        // Every write is bounded by the buffer itself, whatever the header announced.
        if (recordFill < recordCapacity) {
            recordBuffer[recordFill++] = packet[i];
        }
        bytesRemaining = static_cast<int16_t>(bytesRemaining - 1);
        if (bytesRemaining <= 0 || recordFill == header.recordLength) {
            applyTimestampFloor();
            deliverRecord();
        }
    }
}

// Without device times a record never goes back before the last one delivered.
void SyncReceiver::applyTimestampFloor() {
    if (header.timestamp < lastTimestamp && !hasDeviceTimestamps(dataVersion)) {
        header.timestamp = lastTimestamp;
    }
}

// A record cut short by the end of its group is delivered at full length, zero-filled. The
// record, its time and the fill move on only once the delegate has returned: packets reach
// this object only through the link, which holds back a chunk fed from inside a callback until
// the chunk in progress is done, so nothing here changes while the host is being called.
void SyncReceiver::deliverRecord() {
    if (delegate != nullptr) {
        delegate->didReceiveRecord(recordBuffer.data(), static_cast<uint8_t>(header.recordLength),
                                   header.recordType, header.timestamp);
    }
    header.timestamp += recordPeriod;
    lastTimestamp += recordPeriod;
    clearRecord();
}

void SyncReceiver::clearRecord() {
    recordFill = 0;
    recordBuffer.fill(0);
}

void SyncReceiver::reportState(int state) { forward(syncStateCallback, context, state); }

void SyncReceiver::reportProgress(uint16_t count) {
    forward(syncProgressCallback, context, static_cast<uint32_t>(count), progressWithoutRate);
}

}  // namespace Tenvik
