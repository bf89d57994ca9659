#pragma once

#include <cstdint>

namespace Tenvik::Legacy {

// The SDK object as seen by the legacy Receiver.
class ITenvikSDK {
public:
    virtual ~ITenvikSDK() = default;
    // One complete legacy message; at most 65535 bytes are passed on.
    virtual void receiveMessage(const char* data, uint32_t length, uint16_t pid) = 0;
};

}  // namespace Tenvik::Legacy
