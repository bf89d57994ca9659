#include "link/Gzip.h"

#include <zlib.h>

#include <algorithm>
#include <limits>

namespace Tenvik {

namespace {

constexpr int GzipWindowBits2K = 16 + 11;    // gzip wrapper, 2 KiB window
constexpr int GzipWindowBits32K = 16 + 15;   // gzip wrapper required, 32 KiB window
constexpr int CompressMemoryLevel = 5;
constexpr std::size_t DeflateStep = 4096;
constexpr std::size_t InflateStep = 32768;
constexpr std::size_t GzipTrailerSize = 8;  // CRC-32 and the input size modulo 2^32

bool fitsZlibLength(std::size_t size) { return size <= std::numeric_limits<uInt>::max(); }

// The size the stream says it inflates to, as a first guess for the output buffer. It is only
// a hint: the output is bounded independently of it.
std::size_t announcedInflatedSize(const std::vector<uint8_t>& data) {
    if (data.size() < GzipTrailerSize) {
        return 0;
    }
    const uint8_t* size = data.data() + data.size() - 4;
    return static_cast<std::size_t>(size[0]) | static_cast<std::size_t>(size[1]) << 8 |
           static_cast<std::size_t>(size[2]) << 16 | static_cast<std::size_t>(size[3]) << 24;
}

}  // namespace

bool compressGzip(std::vector<uint8_t>& data) {
    if (!fitsZlibLength(data.size())) {
        return false;
    }
    z_stream stream{};
    if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, GzipWindowBits2K,
                     CompressMemoryLevel, Z_DEFAULT_STRATEGY) != Z_OK) {
        return false;
    }
    stream.next_in = data.data();
    stream.avail_in = static_cast<uInt>(data.size());

    std::vector<uint8_t> output;
    int result = Z_OK;
    do {
        const std::size_t produced = output.size();
        output.resize(produced + DeflateStep);
        stream.next_out = output.data() + produced;
        stream.avail_out = static_cast<uInt>(DeflateStep);
        result = deflate(&stream, Z_FINISH);
        output.resize(produced + DeflateStep - stream.avail_out);
    } while (stream.avail_out == 0 && result != Z_STREAM_ERROR);
    deflateEnd(&stream);
    data.swap(output);
    return result == Z_STREAM_END;
}

bool decompressGzip(std::vector<uint8_t>& data) {
    if (!fitsZlibLength(data.size())) {
        return false;
    }
    z_stream stream{};
    if (inflateInit2(&stream, GzipWindowBits32K) != Z_OK) {
        return false;
    }
    stream.next_in = data.data();
    stream.avail_in = static_cast<uInt>(data.size());

    // One byte of room beyond the bound tells a stream that exceeds it from one that ends
    // exactly on it.
    constexpr std::size_t Limit = MaxDecompressedSize + 1;
    std::vector<uint8_t> output;
    std::size_t capacity = std::clamp<std::size_t>(announcedInflatedSize(data) + 1, 1, Limit);
    int result = Z_OK;
    while (true) {
        const std::size_t produced = output.size();
        output.resize(capacity);
        stream.next_out = output.data() + produced;
        stream.avail_out = static_cast<uInt>(capacity - produced);
        result = inflate(&stream, Z_NO_FLUSH);
        output.resize(capacity - stream.avail_out);
        if (result != Z_OK || output.size() >= Limit) {
            break;
        }
        if (stream.avail_out == 0) {
            capacity = std::min(capacity + InflateStep, Limit);
        }
    }
    inflateEnd(&stream);
    if (result != Z_STREAM_END || output.size() > MaxDecompressedSize) {
        return false;
    }
    data.swap(output);
    return true;
}

}  // namespace Tenvik
