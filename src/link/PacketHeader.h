#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace Tenvik {

// Every link protocol frames a payload behind a header that starts with the protocol version
// and this tag byte.
inline constexpr uint8_t HeaderTag = 0x0A;
// Protocol-1 headers, and protocol-3 headers coming from the device, carry this byte at offset 2.
inline constexpr uint8_t HeaderSignature = 0x63;
// The largest header (protocol 4, without its three padding bytes).
inline constexpr std::size_t MaxHeaderSize = 17;

// A header as it goes on the wire: the bytes of `version`'s layout, the rest zero. Fields are
// little-endian. Layouts:
//   v1 (5):  01 0A 63 len16
//   v2 (5):  02 0A type len16               len = payload + 5
//   v3 (7):  03 0A type len16 pid16         len = payload + 7
//   v4 (17): 04 0A 00 len16 pid16 options64 flags crc    len = payload bytes on the wire
struct PacketHeader {
    std::array<uint8_t, MaxHeaderSize> bytes{};
    int version = 1;
};

// Bytes of a header of this protocol version: 7 for 3, 17 for 4, 5 for any other value.
int headerSize(int version);

PacketHeader makeV1Header(uint16_t value);
PacketHeader makeV2Header(uint8_t type, uint16_t payloadLength);
PacketHeader makeV3Header(uint8_t type, uint16_t payloadLength, uint16_t pid);
PacketHeader makeV4Header(uint16_t payloadLength, uint16_t pid, uint64_t options, uint8_t flags,
                          uint8_t crc);

// Writes headerSize(header.version) bytes of the header to `destination`.
void copyHeader(const PacketHeader& header, uint8_t* destination);

// Which protocol's header the bytes look like; 1 when they fit none of the others.
int detectProtocolVersion(const uint8_t* bytes, std::size_t length);

// Reads a header from received bytes into `out` and tells whether it is acceptable. Fewer than
// 3 bytes leave `out` untouched; 3 or 4 bytes only mark it as version 1.
bool parseHeader(PacketHeader& out, const uint8_t* bytes, std::size_t length);

// Raw field reads; the caller guarantees the bytes are there (2 for version and tag, 5 for the
// length).
uint8_t headerVersion(const uint8_t* bytes);
uint8_t headerTag(const uint8_t* bytes);
uint16_t headerLength(const uint8_t* bytes);

// Fields of a header record; 0 when its version does not carry the field.
uint8_t headerSignature(const PacketHeader& header);
uint8_t headerType(const PacketHeader& header);
uint16_t headerPid(const PacketHeader& header);
uint64_t headerOptions(const PacketHeader& header);
uint8_t headerFlags(const PacketHeader& header);
uint8_t headerCrc(const PacketHeader& header);

}  // namespace Tenvik
