#pragma once

#include <cstdint>
#include <vector>

#include "link/PacketHeader.h"

namespace Tenvik {

// The header configuration kept by the link manager and the legacy receiver and sender: which
// protocol's header they append or expect. Starts as protocol 3.
class HeaderTemplate {
public:
    // Sets the protocol version and the header size that goes with it; returns that size.
    uint8_t setVersion(uint8_t newVersion);

    uint8_t version() const { return protocolVersion; }
    uint8_t headerSize() const { return size; }
    uint8_t tag() const { return tagByte; }
    uint8_t signature() const { return signatureByte; }

    // Whether a received frame (at least 3 bytes) carries this template's tag and a byte 2 its
    // version allows. Byte 0 is deliberately not compared with the version.
    bool matches(const uint8_t* frame) const;

private:
    uint8_t protocolVersion = 3;
    uint8_t size = 7;
    uint8_t tagByte = HeaderTag;
    uint8_t signatureByte = HeaderSignature;
};

// Appends a legacy header for `payloadLength` bytes: version, tag, signature (version 1) or
// type, the length counting the header, and the pid from version 3 on. A version-4 template
// gives the 7-byte layout with 17 counted in the length.
void appendHeader(const HeaderTemplate& headerTemplate, std::vector<uint8_t>& out,
                  uint16_t payloadLength, uint8_t type, uint16_t pid);

}  // namespace Tenvik
