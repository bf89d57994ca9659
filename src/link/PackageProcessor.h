#pragma once

#include <cstdint>

namespace Tenvik {

// Reassembles protocol-3 packages from notification chunks. A package starts with a header
// chunk, either the 7-byte protocol-3 header (03 0A 63 len16 pid16, len counting the header,
// first payload bytes following) or the 14-byte "V3.1" header (01 size16 index pid16
// options64, payload in the following chunks). The payload lives in a fixed array: nothing is
// allocated.
class PackageProcessor {
public:
    static constexpr uint16_t MaxSerializedSize = 3100;
    static constexpr uint16_t V3HeaderSize = 7;
    // The longest chunk a package can arrive in: a protocol-3 header followed by the largest
    // payload. Every other chunk of a package carries less.
    static constexpr uint16_t LongestChunk = V3HeaderSize + MaxSerializedSize;

    // Takes the next chunk; false when it is refused (every refusal is logged).
    bool process(const uint8_t* chunk, uint16_t size);

    // The announced payload has arrived.
    bool isComplete() const { return receivedSize >= dataSize; }

    // The payload buffer; stores the announced payload size in *size.
    const uint8_t* getData(uint16_t* size) const;
    uint16_t getPid() const { return pid; }
    uint64_t getOptions() const { return options; }

    // Back to idle for the next header; pid and options stay until then.
    void reset();

private:
    enum State : int { Idle = 0, Receiving = 1, Complete = 2 };

    bool processHeader(const uint8_t* chunk, uint16_t size);
    bool readV3Header(const uint8_t* chunk, uint16_t size, uint16_t announced);
    bool readV31Header(uint16_t size);
    bool continuePackage(const uint8_t* chunk, uint16_t size);
    bool refuseTooLarge();

    int state = Idle;
    uint16_t dataSize = 0;
    uint8_t protocolVersion = 0;
    uint8_t payload[MaxSerializedSize] = {};
    uint16_t receivedSize = 0;
    uint16_t pid = 0;
    uint64_t options = 0;
};

}  // namespace Tenvik
