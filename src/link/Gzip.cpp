#include "link/Gzip.h"

#include <zlib.h>

#include <limits>

#include "link/GzipInflater.h"

namespace Tenvik {

namespace {

constexpr int GzipWindowBits2K = 16 + 11;    // gzip wrapper, 2 KiB window
constexpr int CompressMemoryLevel = 5;
constexpr std::size_t DeflateStep = 4096;

bool fitsZlibLength(std::size_t size) { return size <= std::numeric_limits<uInt>::max(); }

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
    GzipInflater inflater(MaxDecompressedSize);
    std::vector<uint8_t> output;
    if (!inflater.inflate(data.data(), data.size(), output)) {
        return false;
    }
    data.swap(output);
    return true;
}

}  // namespace Tenvik
