#pragma once

#include <cstdint>

namespace Tenvik {

class Session;

// The SDK object as seen by the ProcessManager that it owns.
class ITenvikSDK {
public:
    // One complete device message.
    virtual void receiveMessage(const char* data, uint16_t size, uint16_t pid,
                                uint64_t options) = 0;
    // A session received by the Collect process.
    virtual void didReceiveSession(const Session& session) = 0;
    virtual ~ITenvikSDK() = default;
};

}  // namespace Tenvik
