#include "link/GzipInflater.h"

#include <algorithm>
#include <limits>

#include "common/ByteOrder.h"

namespace Tenvik {

namespace {

constexpr int GzipWindowBits32K = 16 + 15;  // gzip wrapper required, 32 KiB window
constexpr std::size_t InflateStep = 32768;
constexpr std::size_t GzipTrailerSize = 8;  // CRC-32 and the input size modulo 2^32

// The size the stream says it inflates to, as a first guess for the output buffer. It is only
// a hint: the output is bounded independently of it.
std::size_t announcedInflatedSize(const uint8_t* data, std::size_t size) {
    if (size < GzipTrailerSize) {
        return 0;
    }
    return loadLe32(data + size - 4);
}

}  // namespace

GzipInflater::GzipInflater(std::size_t outputLimit) : limit(outputLimit) {}

GzipInflater::~GzipInflater() {
    if (initialized) {
        inflateEnd(&stream);
    }
}

bool GzipInflater::ready() {
    if (initialized) {
        return inflateReset(&stream) == Z_OK;
    }
    stream = z_stream{};
    initialized = inflateInit2(&stream, GzipWindowBits32K) == Z_OK;
    return initialized;
}

bool GzipInflater::inflate(const uint8_t* data, std::size_t size, std::vector<uint8_t>& out) {
    if (size > std::numeric_limits<uInt>::max() || !ready()) {
        return false;
    }
    stream.next_in = const_cast<Bytef*>(data);
    stream.avail_in = static_cast<uInt>(size);

    // One byte of room beyond the bound tells a stream that exceeds it from one that ends
    // exactly on it.
    const std::size_t bound = limit + 1;
    std::size_t capacity = std::clamp<std::size_t>(announcedInflatedSize(data, size) + 1, 1, bound);
    std::size_t produced = 0;
    int result = Z_OK;
    while (true) {
        if (out.size() < capacity) {
            out.resize(capacity);
        }
        stream.next_out = out.data() + produced;
        stream.avail_out = static_cast<uInt>(capacity - produced);
        result = ::inflate(&stream, Z_NO_FLUSH);
        produced = capacity - stream.avail_out;
        if (result != Z_OK || produced >= bound) {
            break;
        }
        if (stream.avail_out == 0) {
            capacity = std::min(capacity + InflateStep, bound);
        }
    }
    out.resize(produced);
    return result == Z_STREAM_END && produced <= limit;
}

}  // namespace Tenvik
