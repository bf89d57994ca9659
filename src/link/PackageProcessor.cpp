#include "link/PackageProcessor.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "common/Log.h"
#include "common/ByteOrder.h"
#include "common/Platform.h"

namespace Tenvik {

namespace {

constexpr uint16_t V31HeaderSize = 14;
constexpr uint8_t V31Format = 0x01;

// Formats one line into a fixed buffer, and only when someone listens.
TENVIK_PRINTF_FORMAT(2, 3) void logFormatted(int level, const char* format, ...) {
    if (!logEnabled()) {
        return;
    }
    char text[256];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    logMessage(level, text);
}

bool refuseTooSmall(uint16_t size) {
    logFormatted(LogWarning, "PackageProcessor: chunk too small for header (size=%u)",
                 unsigned{size});
    return false;
}

}  // namespace

bool PackageProcessor::process(const uint8_t* chunk, uint16_t size) {
    if (chunk == nullptr && size != 0) {
        return false;
    }
    switch (state) {
    case Idle:
        return processHeader(chunk, size);
    case Receiving:
        return continuePackage(chunk, size);
    default:
        logFormatted(LogWarning, "Package processing finished too early");
        return false;
    }
}

bool PackageProcessor::processHeader(const uint8_t* chunk, uint16_t size) {
    if (size < V3HeaderSize) {
        return refuseTooSmall(size);
    }
    logFormatted(LogInfo, "Processing new package: First 4 bytes: %02X %02X %02X %02X",
                 unsigned{chunk[0]}, unsigned{chunk[1]}, unsigned{chunk[2]}, unsigned{chunk[3]});
    pid = 0;
    options = 0;

    uint16_t announced = 0;
    unsigned index = 0;
    if (chunk[0] == V31Format) {
        if (size < V31HeaderSize) {
            return refuseTooSmall(size);
        }
        protocolVersion = 1;
        announced = loadLe16(chunk + 1);
        index = chunk[3];
        pid = loadLe16(chunk + 4);
        options = loadLe64(chunk + 6);
    } else if (chunk[0] == 0x03 && chunk[1] == 0x0A && chunk[2] == 0x63) {
        protocolVersion = 3;
        announced = loadLe16(chunk + 3);
        pid = loadLe16(chunk + 5);
    } else {
        logFormatted(LogWarning,
                     "PackageProcessor: Unknown header signature (size=%u, "
                     "first_bytes=[%02X %02X %02X])",
                     unsigned{size}, unsigned{chunk[0]}, unsigned{chunk[1]}, unsigned{chunk[2]});
        return false;
    }

    state = Receiving;
    receivedSize = 0;
    logFormatted(LogInfo,
                 "PackageProcessor: protocolVersion=%u, dataSize=%u, index=%u, pid=%u, "
                 "options=%llu",
                 unsigned{protocolVersion}, unsigned{announced}, index, unsigned{pid},
                 static_cast<unsigned long long>(options));
    dataSize = announced;

    const bool accepted = protocolVersion == 3 ? readV3Header(chunk, size, announced)
                                               : readV31Header(size);
    if (!accepted) {
        return false;
    }
    if (receivedSize >= dataSize) {
        logFormatted(LogInfo, "PackageProcessor: Received all data, dataSize=%u, targetDataSize=%u",
                     unsigned{receivedSize}, unsigned{dataSize});
        state = Complete;
    }
    return true;
}

bool PackageProcessor::readV3Header(const uint8_t* chunk, uint16_t size, uint16_t announced) {
    if (announced < V3HeaderSize) {
        logFormatted(LogWarning, "PackageProcessor: dataSize (%u) smaller than header (%u)",
                     unsigned{announced}, unsigned{V3HeaderSize});
        state = Idle;
        return false;
    }
    dataSize = static_cast<uint16_t>(announced - V3HeaderSize);
    if (dataSize > MaxSerializedSize) {
        return refuseTooLarge();
    }
    const uint16_t carried = static_cast<uint16_t>(size - V3HeaderSize);
    if (carried > MaxSerializedSize) {
        // Nothing of the chunk is stored, so the package cannot be completed: the next chunk
        // is read as the header of a new one rather than as the rest of this one.
        logFormatted(LogWarning, "PackageProcessor: Payload bytes exceed MaxSerializedSize");
        state = Idle;
        return false;
    }
    // Bytes beyond the announced size are kept too; only dataSize of them are handed on.
    std::memcpy(payload, chunk + V3HeaderSize, carried);
    receivedSize = carried;
    return true;
}

bool PackageProcessor::readV31Header(uint16_t size) {
    if (dataSize > MaxSerializedSize) {
        return refuseTooLarge();
    }
    if (size > V31HeaderSize) {
        // The payload of a V3.1 package travels in the chunks after its header; whatever
        // follows the header in the same chunk is not part of it.
        logFormatted(LogInfo, "PackageProcessor V3.1: header-only chunk received (count=%u)",
                     unsigned{size});
    }
    return true;
}

bool PackageProcessor::refuseTooLarge() {
    logFormatted(LogWarning, "PackageProcessor: payload too large (pv=%u, pid=%u, size=%u, max=%u)",
                 unsigned{protocolVersion}, unsigned{pid}, unsigned{dataSize},
                 unsigned{MaxSerializedSize});
    state = Idle;
    return false;
}

bool PackageProcessor::continuePackage(const uint8_t* chunk, uint16_t size) {
    if (receivedSize >= dataSize) {
        state = Complete;
        return true;
    }
    const auto taken = std::min<uint16_t>(static_cast<uint16_t>(dataSize - receivedSize), size);
    if (taken == 0) {
        return true;
    }
    if (receivedSize + taken > MaxSerializedSize) {
        logFormatted(LogWarning,
                     "Buffer overflow prevented: dataSize + payload exceeds MaxSerializedSize");
        return false;
    }
    std::memcpy(payload + receivedSize, chunk, taken);
    receivedSize = static_cast<uint16_t>(receivedSize + taken);
    if (receivedSize >= dataSize) {
        state = Complete;
    }
    return true;
}

const uint8_t* PackageProcessor::getData(uint16_t* size) const {
    if (size != nullptr) {
        // dataSize never exceeds the buffer for an accepted package; the bound keeps a caller
        // that asks after a refused header from reading past it.
        *size = std::min(dataSize, MaxSerializedSize);
    }
    return payload;
}

void PackageProcessor::reset() {
    state = Idle;
    receivedSize = 0;
    protocolVersion = 0;
    dataSize = 0;
}

}  // namespace Tenvik
