#include "session/Session.h"

#include <cstdarg>
#include <cstdio>
#include <numeric>

#include "common/Log.h"
#include "common/ByteOrder.h"
#include "common/Platform.h"

namespace Tenvik {

static_assert(std::accumulate(Session::Capacities.begin(), Session::Capacities.end(), size_t{0}) ==
              Session::StorageSize);

namespace {

// Every text of deserialize fits; the numbers in it are at most 20 digits.
constexpr size_t WarningBufferSize = 200;

TENVIK_PRINTF_FORMAT(1, 2) void warn(const char* format, ...) {
    if (!logEnabled()) {
        return;
    }
    char text[WarningBufferSize];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    logMessage(LogWarning, text);
}

void warnNotEnoughBytes(const char* what, size_t required, size_t offset, size_t payload) {
    warn("Session::deserialize: not enough bytes for %s (required=%zu, offset=%zu, payload=%zu)",
         what, required, offset, payload);
}

bool isValidTimestamp(uint64_t timestamp) {
    return timestamp >= Session::MinValidTimestamp && timestamp <= Session::MaxValidTimestamp;
}

}  // namespace

Session::Session() { setupBuffers(); }

Session::Session(const uint8_t* data, uint16_t size, uint8_t signalCount) : Session() {
    deserialize(data, size, signalCount);
}

Session::Session(const Session& other)
    : timestampStart(other.timestampStart),
      timestampEnd(other.timestampEnd),
      wearState(other.wearState) {
    setupBuffers();
    for (size_t i = 0; i < SignalCount; ++i) {
        const ByteBuffer& source = other.signals[i];
        if (source.length() > 0) {
            signals[i].append(source.data(), source.length());
        }
    }
}

void Session::setupBuffers() {
    size_t offset = 0;
    for (size_t i = 0; i < SignalCount; ++i) {
        // The storage starts zeroed, so each buffer starts cleared.
        signals[i] = ByteBuffer(storage.data() + offset, Capacities[i]);
        offset += Capacities[i];
    }
}

void Session::clear() {
    timestampStart = 0;
    timestampEnd = 0;
    wearState = 0;
    for (ByteBuffer& buffer : signals) {
        buffer.clear();
    }
}

uint32_t Session::serializedSize() const {
    uint32_t total = HeaderSize;
    for (const ByteBuffer& buffer : signals) {
        total += 2u + buffer.length();
    }
    return total;
}

void Session::deserialize(const uint8_t* data, uint16_t size, uint8_t signalCount) {
    if (data == nullptr || size == 0) {
        warn("Session::deserialize: empty payload");
        return;
    }
    size_t signalsToRead = signalCount;
    if (signalCount > SignalCount) {
        warn("Session::deserialize: signal count exceeds supported range, truncating");
        signalsToRead = SignalCount;
    } else if (signalCount < MinExpectedSignalCount) {
        warn("Session::deserialize: signal count below expected minimum, continuing");
    }
    size_t count = size;
    if (size > MaxSerializedSize) {
        warn("Session::deserialize: payload larger than MaxSerializedSize, truncating");
        count = MaxSerializedSize;
    } else if (size < HeaderSize) {
        warnNotEnoughBytes("session header", HeaderSize, 0, size);
        return;
    }
    readTimestamps(data);
    wearState = data[16];
    readSignals(data, count, signalsToRead);
}

void Session::readTimestamps(const uint8_t* header) {
    timestampStart = loadLe64(header);
    timestampEnd = loadLe64(header + 8);
    const bool startValid = isValidTimestamp(timestampStart);
    const bool endValid = isValidTimestamp(timestampEnd);
    if (!startValid) {
        warn("Session::deserialize: invalid timestampStart: %llu, resetting to 0",
             static_cast<unsigned long long>(timestampStart));
        timestampStart = 0;
    }
    if (!endValid) {
        warn("Session::deserialize: invalid timestampEnd: %llu, resetting to 0",
             static_cast<unsigned long long>(timestampEnd));
        timestampEnd = 0;
    }
    if (startValid && endValid && timestampEnd < timestampStart) {
        warn("Session::deserialize: timestampEnd (%llu) < timestampStart (%llu)",
             static_cast<unsigned long long>(timestampEnd),
             static_cast<unsigned long long>(timestampStart));
    }
}

// `count` is the number of payload bytes that may be read: every length and block is checked
// against it before a byte of it is read.
void Session::readSignals(const uint8_t* data, size_t count, size_t signalsToRead) {
    size_t offset = HeaderSize;
    for (size_t i = 0; i < signalsToRead; ++i) {
        if (offset + 2 > count) {
            warnNotEnoughBytes("signal size", 2, offset, count);
            return;
        }
        const uint16_t length = loadLe16(data + offset);
        if (length == 0) {
            offset += 2;
            continue;
        }
        if (offset + 2 + length > count) {
            warnNotEnoughBytes("signal payload", length, offset + 2, count);
            return;
        }
        ByteBuffer& buffer = signals[i];
        if (length > buffer.capacity()) {
            warn("Session::deserialize: Buffer overflow for signal %u, size %u > cap %u. Skipping.",
                 static_cast<unsigned>(i), static_cast<unsigned>(length),
                 static_cast<unsigned>(buffer.capacity()));
        } else if (!buffer.append(data + offset + 2, length)) {
            warn("Session::deserialize: Failed to append data for signal %u (size %u)",
                 static_cast<unsigned>(i), static_cast<unsigned>(length));
        }
        offset += 2 + static_cast<size_t>(length);
    }
}

}  // namespace Tenvik
