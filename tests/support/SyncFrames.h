#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace TenvikTest {

// Packets of the legacy synchronisation framing, as the device sends them: 18 bytes, of which
// a group's first packet spends 14 on its header.
namespace SyncFrames {

using Bytes = std::vector<uint8_t>;

inline constexpr std::size_t packetSize = 18;
inline constexpr std::size_t headerSize = 14;

// Header: type (low nibble) and status (high nibble), record type, count (big-endian), total
// length of the group, record length, time of the first record (little-endian).
inline Bytes header(uint8_t type, uint8_t status, uint8_t recordType, uint16_t count,
                    uint8_t totalLength, uint8_t recordLength, uint64_t timestamp) {
    Bytes out{static_cast<uint8_t>((status << 4) | (type & 0x0F)), recordType,
              static_cast<uint8_t>(count >> 8), static_cast<uint8_t>(count), totalLength,
              recordLength};
    for (int i = 0; i < 8; ++i) {
        out.push_back(static_cast<uint8_t>(timestamp >> (8 * i)));
    }
    return out;
}

// A data header (type 1) for a group of records, with the first payload bytes.
inline Bytes groupStart(uint8_t recordType, uint8_t totalLength, uint8_t recordLength,
                        uint64_t timestamp, const Bytes& firstBytes, uint16_t count = 0) {
    Bytes out = header(1, 0, recordType, count, totalLength, recordLength, timestamp);
    out.insert(out.end(), firstBytes.begin(), firstBytes.end());
    out.resize(packetSize, 0);
    return out;
}

// A status header (type 2) with its count.
inline Bytes statusPacket(uint8_t status, uint16_t count = 0) {
    Bytes out = header(2, status, 0, count, 0, 0, 0);
    out.resize(packetSize, 0);
    return out;
}

// A text header: type 1, then the word from byte 1 on.
inline Bytes textPacket(const std::string& word) {
    Bytes out(packetSize, 0);
    out[0] = 0x01;
    for (std::size_t i = 0; i < word.size() && i + 1 < packetSize; ++i) {
        out[i + 1] = static_cast<uint8_t>(word[i]);
    }
    return out;
}

// The packets of one group: the header packet with the first 4 payload bytes, then packets
// of 18 payload bytes (the last one padded with zeros). totalLength = 14 + payload size.
inline std::vector<Bytes> group(uint8_t recordType, uint8_t recordLength, uint64_t timestamp,
                                const Bytes& payload) {
    const auto total = static_cast<uint8_t>(headerSize + payload.size());
    const std::size_t first = std::min(payload.size(), packetSize - headerSize);
    std::vector<Bytes> packets{groupStart(recordType, total, recordLength, timestamp,
                                          Bytes(payload.begin(), payload.begin() + first))};
    for (std::size_t at = first; at < payload.size(); at += packetSize) {
        const std::size_t end = std::min(payload.size(), at + packetSize);
        Bytes packet(payload.begin() + static_cast<std::ptrdiff_t>(at),
                     payload.begin() + static_cast<std::ptrdiff_t>(end));
        packet.resize(packetSize, 0);
        packets.push_back(packet);
    }
    return packets;
}

// Bytes 0, 1, 2 ... n-1 plus `start`, so that every byte of a record is recognisable.
inline Bytes counting(std::size_t n, uint8_t start = 1) {
    Bytes out(n);
    for (std::size_t i = 0; i < n; ++i) {
        out[i] = static_cast<uint8_t>(start + i);
    }
    return out;
}

}  // namespace SyncFrames
}  // namespace TenvikTest
