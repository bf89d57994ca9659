#pragma once

#include <cstdint>

namespace Tenvik {

// Receives each complete record that the legacy synchronisation framing reassembles.
class SyncReceiverDelegate {
public:
    virtual void didReceiveRecord(const uint8_t* record, uint8_t length, int recordType,
                                  uint64_t timestamp) = 0;

protected:
    ~SyncReceiverDelegate() = default;
};

}  // namespace Tenvik
