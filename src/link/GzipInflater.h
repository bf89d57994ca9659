#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include <zlib.h>

namespace Tenvik {

// One inflate stream kept for the life of its owner and reset for every message, so that a
// message costs no allocation once the first has set the stream up. Takes a gzip wrapper only
// (window bits 31) and refuses a stream that inflates to more than `limit` bytes.
class GzipInflater {
public:
    explicit GzipInflater(std::size_t limit);
    ~GzipInflater();

    GzipInflater(const GzipInflater&) = delete;
    GzipInflater& operator=(const GzipInflater&) = delete;

    // Inflates the first gzip member of the bytes into `out`, replacing its contents; input
    // after that member is ignored. False for anything but a complete gzip stream within the
    // limit, `out` then holding no meaningful contents. The buffer keeps its size from one call
    // to the next, so only growth beyond the largest message so far is ever zero-filled.
    bool inflate(const uint8_t* data, std::size_t size, std::vector<uint8_t>& out);

private:
    bool ready();

    z_stream stream{};
    bool initialized = false;
    std::size_t limit;
};

}  // namespace Tenvik
