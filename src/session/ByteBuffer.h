#pragma once

#include <cstdint>

namespace Tenvik {

// A byte buffer of fixed capacity over storage that someone else owns. Copying the buffer
// copies the view, not the bytes; the constructor that takes new storage copies the bytes.
class ByteBuffer {
public:
    ByteBuffer() = default;
    // An empty buffer over `capacity` bytes at `storage`.
    ByteBuffer(uint8_t* storage, uint16_t capacity);
    // The other buffer's length and capacity, its bytes copied into `storage`, which must hold
    // the other buffer's capacity; `storage` is used from then on.
    ByteBuffer(const ByteBuffer& other, uint8_t* storage);
    ByteBuffer(const ByteBuffer&) = default;
    ByteBuffer& operator=(const ByteBuffer&) = default;
    ~ByteBuffer() = default;

    // Adds `n` bytes behind the content; refuses (false, nothing changed) when they do not fit.
    // A null `bytes` is allowed only with `n` 0.
    bool append(const void* bytes, uint16_t n);
    // Zeroes the whole storage and empties the buffer.
    void clear();

    uint16_t length() const { return used; }
    uint16_t capacity() const { return size; }
    const uint8_t* data() const { return storage; }
    uint8_t* data() { return storage; }

private:
    uint16_t used = 0;
    uint16_t size = 0;
    uint8_t* storage = nullptr;
};

}  // namespace Tenvik
