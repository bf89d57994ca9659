#include "link/Receiver.h"

#include <algorithm>
#include <cstring>

#include "common/Log.h"
#include "common/ByteOrder.h"
#include "link/PacketHeader.h"

namespace Tenvik {

namespace {

// Bytes a header chunk needs before its length field can be read.
constexpr uint32_t LengthFieldEnd = 5;
// Fixed-mode chunks may be larger than the package size up to this many bytes.
constexpr uint32_t MinChunkLimit = 30;

uint16_t readPid(const uint8_t* data) { return loadLe16(data + 5); }

}  // namespace

Receiver::Receiver(Legacy::ITenvikSDK* sdk) : delegate(sdk) {}

void Receiver::setProtocolVersion(uint8_t version) { headerTemplate.setVersion(version); }

void Receiver::setCmdPackageSize(uint32_t size) {
    cmdPackageSize = size;
    buffer.assign(size, 0);
    // The zero-filled buffer holds nothing any more; a count left from a larger buffer would
    // index past this one.
    bufferedLength = 0;
    headerSize = headerTemplate.headerSize();
}

bool Receiver::isIdle() const { return remaining <= 0 || bufferedLength == cmdPackageSize; }

void Receiver::clearBuffer() {
    bufferedLength = 0;
    std::fill(buffer.begin(), buffer.end(), uint8_t{0});
}

void Receiver::process(const uint8_t* data, uint32_t length) {
    logLine(LogInfo, "Receiver::process called with size: ", length,
            ", cmdPackageSize: ", cmdPackageSize);
    if (cmdPackageSize == 0) {
        processVariable(data, length);
        return;
    }
    const uint32_t limit = std::max(cmdPackageSize, MinChunkLimit);
    if (length > limit) {
        logLine(LogWarning, "Receiver::process - packet too large! Size: ", length,
                ", max allowed: ", limit);
        return;
    }
    chunkLength = length;
    if (remaining <= 0 || bufferedLength == cmdPackageSize) {
        processHeaderChunk(data);
    } else {
        processContinuation(data);
    }
}

void Receiver::processVariable(const uint8_t* data, uint32_t length) {
    const uint8_t size = headerTemplate.headerSize();
    if (length < size) {
        logLine(LogWarning, "Receiver::process - packet smaller than header size (variable mode)");
        return;
    }
    if (!headerTemplate.matches(data)) {
        logLine(LogWarning, "Receiver::process - header validation failed (variable mode)");
        return;
    }
    const auto announced = static_cast<uint16_t>(headerLength(data) - size);
    const auto carried = static_cast<uint16_t>(length - size);
    const uint16_t payloadLength =
        (size < headerLength(data) && announced < carried) ? announced : carried;
    const uint16_t messagePid =
        (headerTemplate.version() >= 3 && length >= uint32_t{size} + 2u) ? readPid(data) : 0;
    delegate->receiveMessage(reinterpret_cast<const char*>(data + size), payloadLength,
                             messagePid);
}

void Receiver::processHeaderChunk(const uint8_t* data) {
    // A chunk too short to hold a length field cannot start a message.
    if (chunkLength < LengthFieldEnd || !headerTemplate.matches(data)) {
        return;
    }
    if (buffer.empty()) {
        return;
    }
    pid = (headerTemplate.version() > 2 && chunkLength >= headerSize && headerSize > 6)
              ? readPid(data)
              : 0;
    remaining = static_cast<int16_t>(headerLength(data) - cmdPackageSize);
    uint32_t count = 0;
    if (headerSize < chunkLength) {
        // Bounded by the chunk and by the buffer, whatever the configured sizes.
        const uint32_t room = cmdPackageSize > headerSize ? cmdPackageSize - headerSize : 0;
        count = std::min({room, chunkLength - headerSize, uint32_t{UINT8_MAX}});
    }
    if (count > 0) {
        std::memcpy(buffer.data(), data + headerSize, count);
    }
    bufferedLength = static_cast<uint8_t>(count);
    if (remaining <= 0 || count == cmdPackageSize) {
        delegate->receiveMessage(reinterpret_cast<const char*>(buffer.data()), count, pid);
        clearBuffer();
    }
}

void Receiver::processContinuation(const uint8_t* data) {
    int32_t count = std::min<int32_t>(remaining, static_cast<int16_t>(cmdPackageSize));
    // Only the bytes the chunk really holds.
    count = std::min<int32_t>(count, static_cast<int32_t>(chunkLength));
    if (count <= 0 || buffer.size() < static_cast<size_t>(count)) {
        return;
    }
    for (int32_t i = 0; i < count; ++i) {
        buffer[bufferedLength] = data[i];
        --remaining;
        ++bufferedLength;
        if (remaining <= 0 || bufferedLength == cmdPackageSize) {
            deliverBuffer();
        }
    }
}

void Receiver::deliverBuffer() {
    delegate->receiveMessage(reinterpret_cast<const char*>(buffer.data()), bufferedLength, pid);
    clearBuffer();
}

}  // namespace Tenvik
