#pragma once

#include <cstdint>
#include <vector>

#include "link/HeaderTemplate.h"
#include "link/LegacyITenvikSDK.h"

namespace Tenvik {

// Legacy chunk receiver: reassembles messages behind legacy headers, either in pieces of a
// fixed package size or one message per chunk (package size 0), and hands them to the SDK
// object. Configured at creation; the device link does not route traffic through it.
class Receiver {
public:
    explicit Receiver(Legacy::ITenvikSDK* delegate);

    void setProtocolVersion(uint8_t version);
    void setCmdPackageSize(uint32_t size);

    void process(const uint8_t* data, uint32_t length);
    bool isIdle() const;
    void clearBuffer();

    const std::vector<uint8_t>& getBuffer() const { return buffer; }
    uint8_t getHeaderSize() const { return headerSize; }
    uint8_t getProtocolVersion() const { return headerTemplate.version(); }
    uint32_t getCmdPackageSize() const { return cmdPackageSize; }

private:
    void processHeaderChunk(const uint8_t* data);
    void processContinuation(const uint8_t* data);
    void processVariable(const uint8_t* data, uint32_t length);
    void deliverBuffer();

    std::vector<uint8_t> buffer;
    uint32_t cmdPackageSize = 0;
    uint32_t chunkLength = 0;
    uint8_t headerSize = 0;
    uint8_t bufferedLength = 0;
    int16_t remaining = 0;
    Legacy::ITenvikSDK* delegate;
    HeaderTemplate headerTemplate;
    uint16_t pid = 0;
};

}  // namespace Tenvik
