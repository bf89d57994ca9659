#pragma once

#include <cstdint>
#include <vector>

// The protocol-4 link layer's view of its owner: where packets go out and where complete
// messages and errors are reported.
class IBLECommunication {
public:
    virtual ~IBLECommunication() = default;

    // Writes one packet to the link.
    virtual void send(const std::vector<uint8_t>& packet) = 0;
    // The link can take the next packet.
    virtual void notifyReady() = 0;
    // One complete incoming message; the payload is valid only during the call.
    virtual void didReceivePackage(const std::vector<uint8_t>& payload, uint16_t pid,
                                   uint64_t options) = 0;
    // A link error, by its protocol error code.
    virtual void didReceiveError(uint8_t code) = 0;
};
