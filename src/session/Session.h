#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "session/ByteBuffer.h"

namespace Tenvik {

// The signal blocks of a serialized session, in the order they are serialized.
enum class SessionSignal : uint8_t {
    ecg = 0,
    respiration = 1,
    temperature = 2,
    heartRate = 3,
    rr = 4,
    soundVolume = 5,
    pressure = 6,
    reserved = 7,
    motion = 8,
    orientation = 9,
    activity = 10,
    steps = 11,
    respirationRate = 12,
    userEvents = 13,
    bodyPosition = 14,
    signal15 = 15,
    eda = 16,
    gps = 17,
};

// One recording as the device serializes it: start and end time, the wear-state byte and up
// to 18 signal blocks of raw records. The storage of every signal lives inside the object, so a
// session costs no heap allocation; carriers build one on their stack for the length of a call.
//
// Serialized form (little-endian): start time u64, end time u64, wear state u8, then for each
// expected signal a u16 length and that many bytes. The carrier gives the total length and the
// signal count; bytes after the last expected block are ignored.
class Session {
public:
    static constexpr size_t SignalCount = 18;
    static constexpr uint16_t MaxSerializedSize = 4000;
    static constexpr size_t HeaderSize = 17;
    // Fewer signals than this are read all the same, with a warning.
    static constexpr uint8_t MinExpectedSignalCount = 15;
    // 2000-01-01T00:00:00Z and 2100-01-01T00:00:00Z, both valid.
    static constexpr uint64_t MinValidTimestamp = 946684800000ull;
    static constexpr uint64_t MaxValidTimestamp = 4102444800000ull;
    static constexpr std::array<uint16_t, SignalCount> Capacities = {
        1000, 150, 10, 10, 10, 50, 100, 504, 900, 700, 10, 10, 2, 16, 10, 2, 120, 32};
    static constexpr size_t StorageSize = 3636;

    // Empty: times 0, wear state 0, every signal empty.
    Session();
    // Reads `size` bytes at `data` holding `signalCount` blocks; see deserialize.
    Session(const uint8_t* data, uint16_t size, uint8_t signalCount);
    // A copy that holds its own bytes and never points into `other`.
    Session(const Session& other);
    // Assigning would leave the buffers pointing into the other session's storage.
    Session& operator=(const Session&) = delete;
    ~Session() = default;

    // Reads a serialized session into a freshly constructed one. Never fails: every problem is
    // logged as a warning and what was read before it stays.
    void deserialize(const uint8_t* data, uint16_t size, uint8_t signalCount);
    // The header and, for all 18 signals, a length field and the signal's bytes.
    uint32_t serializedSize() const;
    // Times and wear state 0, every signal emptied and zeroed.
    void clear();

    uint64_t getTimestampStart() const { return timestampStart; }
    uint64_t getTimestampEnd() const { return timestampEnd; }
    uint8_t getWearState() const { return wearState; }
    const ByteBuffer& signal(SessionSignal which) const {
        return signals[static_cast<size_t>(which)];
    }
    const ByteBuffer& signal(size_t index) const { return signals[index]; }

private:
    void setupBuffers();
    void readTimestamps(const uint8_t* header);
    void readSignals(const uint8_t* data, size_t count, size_t signalsToRead);

    std::array<ByteBuffer, SignalCount> signals;
    uint64_t timestampStart = 0;
    uint64_t timestampEnd = 0;
    uint8_t wearState = 0;
    std::array<uint8_t, StorageSize> storage{};
};

}  // namespace Tenvik
