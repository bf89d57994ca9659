#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "LinkFrames.h"

namespace TenvikTest {

// Device-side framing of the link protocols, for building incoming chunks in tests; the
// protocol-3 and protocol-4 messages come from LinkFrames.h (v3Message, v4Message).
namespace DeviceFrames {

using TenvikTest::concat;
using TenvikTest::v3Message;
using TenvikTest::v4Message;

using Bytes = std::vector<uint8_t>;

inline void appendLe16(Bytes& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

inline Bytes joined(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

// Protocol 2: 02 0A type total16 payload, the total counting the 5 header bytes.
inline Bytes v2Packet(uint8_t type, const Bytes& payload) {
    Bytes packet{0x02, 0x0A, type};
    appendLe16(packet, payload.size() + 5);
    return concat(packet, payload);
}

// The 14-byte "V3.1" header chunk: 01 size16 index pid16 options64; the payload follows in
// later chunks.
inline Bytes v31Header(uint16_t size, uint8_t index, uint16_t pid, uint64_t options) {
    Bytes header{0x01};
    appendLe16(header, size);
    header.push_back(index);
    appendLe16(header, pid);
    for (int i = 0; i < 8; ++i) {
        header.push_back(static_cast<uint8_t>(options >> (8 * i)));
    }
    return header;
}

// gzip stream (mtime 0) of "status ok status ok status ok status ok" (39 bytes), whose
// CRC-8/SMBUS is 0xA2.
inline const Bytes& statusGzip() {
    static const Bytes stream{0x1F, 0x8B, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x03, 0x2B,
                              0x2E, 0x49, 0x2C, 0x29, 0x2D, 0x56, 0xC8, 0xCF, 0x56, 0x28, 0xC6,
                              0xC7, 0x02, 0x00, 0xC2, 0xA2, 0xF4, 0x6C, 0x27, 0x00, 0x00, 0x00};
    return stream;
}
inline constexpr const char* statusText = "status ok status ok status ok status ok";
inline constexpr uint8_t statusCrc = 0xA2;

}  // namespace DeviceFrames
}  // namespace TenvikTest
