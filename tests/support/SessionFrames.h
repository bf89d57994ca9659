#pragma once

#include <cstdint>
#include <vector>

namespace TenvikTest {

// The serialized form of a recorded session, built byte by byte: start time and end time as
// little-endian u64, the wear-state byte, then one block per signal (a little-endian u16
// length and the bytes).
class SessionFrame {
public:
    using Bytes = std::vector<uint8_t>;

    SessionFrame(uint64_t start, uint64_t end, uint8_t wearState) {
        appendLe(start, 8);
        appendLe(end, 8);
        bytes.push_back(wearState);
    }
    // The next signal's block.
    SessionFrame& block(const Bytes& records) {
        appendLe(records.size(), 2);
        bytes.insert(bytes.end(), records.begin(), records.end());
        return *this;
    }
    // The next `count` signals empty.
    SessionFrame& emptyBlocks(int count) {
        for (int i = 0; i < count; ++i) {
            appendLe(0, 2);
        }
        return *this;
    }
    // A length field that announces `length` bytes, without them.
    SessionFrame& lengthField(uint16_t length) {
        appendLe(length, 2);
        return *this;
    }
    SessionFrame& raw(const Bytes& more) {
        bytes.insert(bytes.end(), more.begin(), more.end());
        return *this;
    }
    const Bytes& data() const { return bytes; }

private:
    void appendLe(uint64_t value, int size) {
        for (int i = 0; i < size; ++i) {
            bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
        }
    }
    Bytes bytes;
};

// `length` bytes counting up from `first`, so every block is told apart by its content.
inline std::vector<uint8_t> countingBytes(size_t length, uint8_t first) {
    std::vector<uint8_t> out(length);
    for (size_t i = 0; i < length; ++i) {
        out[i] = static_cast<uint8_t>(first + i);
    }
    return out;
}

}  // namespace TenvikTest
