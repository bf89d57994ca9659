#include "link/PacketHeader.h"

#include <algorithm>
#include <cstring>

#include "common/ByteOrder.h"

namespace Tenvik {

namespace {

constexpr std::size_t LengthOffset = 3;
constexpr std::size_t PidOffset = 5;
constexpr std::size_t OptionsOffset = 7;
constexpr std::size_t FlagsOffset = 15;
constexpr std::size_t CrcOffset = 16;

PacketHeader startHeader(int version, uint8_t thirdByte, uint16_t length) {
    PacketHeader header;
    header.version = version;
    header.bytes[0] = static_cast<uint8_t>(version);
    header.bytes[1] = HeaderTag;
    header.bytes[2] = thirdByte;
    storeLe16(header.bytes.data() + LengthOffset, length);
    return header;
}

// Whether byte 2 may stand in a header of this (template or detected) version.
bool isDataType(uint8_t value) { return value == 0 || value == 1; }

}  // namespace

int headerSize(int version) {
    switch (version) {
    case 3:
        return 7;
    case 4:
        return 17;
    default:
        return 5;
    }
}

PacketHeader makeV1Header(uint16_t value) { return startHeader(1, HeaderSignature, value); }

PacketHeader makeV2Header(uint8_t type, uint16_t payloadLength) {
    return startHeader(2, type, static_cast<uint16_t>(payloadLength + 5));
}

PacketHeader makeV3Header(uint8_t type, uint16_t payloadLength, uint16_t pid) {
    PacketHeader header = startHeader(3, type, static_cast<uint16_t>(payloadLength + 7));
    storeLe16(header.bytes.data() + PidOffset, pid);
    return header;
}

PacketHeader makeV4Header(uint16_t payloadLength, uint16_t pid, uint64_t options, uint8_t flags,
                          uint8_t crc) {
    PacketHeader header = startHeader(4, 0x00, payloadLength);
    storeLe16(header.bytes.data() + PidOffset, pid);
    storeLe64(header.bytes.data() + OptionsOffset, options);
    header.bytes[FlagsOffset] = flags;
    header.bytes[CrcOffset] = crc;
    return header;
}

void copyHeader(const PacketHeader& header, uint8_t* destination) {
    std::memcpy(destination, header.bytes.data(), static_cast<std::size_t>(headerSize(header.version)));
}

int detectProtocolVersion(const uint8_t* bytes, std::size_t length) {
    if (bytes == nullptr || length <= 4 || bytes[1] != HeaderTag) {
        return 1;
    }
    switch (bytes[0]) {
    case 4:
        return length >= 17 ? 4 : 1;
    case 3:
        return length >= 7 ? 3 : 1;
    case 2:
        return isDataType(bytes[2]) ? 2 : 1;
    default:
        return 1;
    }
}

bool parseHeader(PacketHeader& out, const uint8_t* bytes, std::size_t length) {
    if (bytes == nullptr || length <= 2) {
        return false;
    }
    if (length <= 4) {
        out.version = 1;
        return false;
    }
    const int version = detectProtocolVersion(bytes, length);
    out = PacketHeader{};
    out.version = version;
    const auto copied = std::min(length, static_cast<std::size_t>(headerSize(version)));
    std::memcpy(out.bytes.data(), bytes, copied);

    if (bytes[1] != HeaderTag) {
        return false;
    }
    const uint8_t third = bytes[2];
    if (bytes[0] == 4 && length >= 17) {
        return true;
    }
    if (bytes[0] == 3 && length >= 7) {
        return isDataType(third) || third == HeaderSignature;
    }
    if (bytes[0] == 2 && isDataType(third)) {
        return true;
    }
    return third == HeaderSignature;
}

uint8_t headerVersion(const uint8_t* bytes) { return bytes[0]; }
uint8_t headerTag(const uint8_t* bytes) { return bytes[1]; }
uint16_t headerLength(const uint8_t* bytes) { return loadLe16(bytes + LengthOffset); }

uint8_t headerSignature(const PacketHeader& header) {
    return header.version == 1 ? header.bytes[2] : 0;
}

uint8_t headerType(const PacketHeader& header) {
    return header.version == 2 || header.version == 3 ? header.bytes[2] : 0;
}

uint16_t headerPid(const PacketHeader& header) {
    return header.version == 3 || header.version == 4 ? loadLe16(header.bytes.data() + PidOffset)
                                                      : 0;
}

uint64_t headerOptions(const PacketHeader& header) {
    return header.version == 4 ? loadLe64(header.bytes.data() + OptionsOffset) : 0;
}

uint8_t headerFlags(const PacketHeader& header) {
    return header.version == 4 ? header.bytes[FlagsOffset] : 0;
}

uint8_t headerCrc(const PacketHeader& header) {
    return header.version == 4 ? header.bytes[CrcOffset] : 0;
}

}  // namespace Tenvik
