#pragma once

#include <zlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace TenvikTest {

using Bytes = std::vector<uint8_t>;

inline Bytes concat(Bytes left, const Bytes& right) {
    left.insert(left.end(), right.begin(), right.end());
    return left;
}

// Bytes [from, to) of `bytes`.
inline Bytes slice(const Bytes& bytes, std::size_t from, std::size_t to) {
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                 bytes.begin() + static_cast<std::ptrdiff_t>(to));
}

// The message cut into chunks of `size` bytes, the last one shorter.
inline std::vector<Bytes> inChunks(const Bytes& message, std::size_t size) {
    std::vector<Bytes> chunks;
    for (std::size_t at = 0; at < message.size(); at += size) {
        chunks.push_back(slice(message, at, std::min(message.size(), at + size)));
    }
    return chunks;
}

// Reproducible bytes without structure a compressor could use.
inline Bytes pseudoRandomBytes(std::size_t length, uint32_t seed) {
    Bytes bytes(length);
    for (auto& byte : bytes) {
        seed = seed * 1103515245u + 12345u;
        byte = static_cast<uint8_t>(seed >> 24);
    }
    return bytes;
}

// A protocol-4 message as the device sends it, written out byte by byte: 04 0A 00, length of
// the payload on the wire, pid, options, flags, crc, three zero bytes, payload.
inline Bytes v4Message(const Bytes& wirePayload, uint16_t pid, uint64_t options = 0,
                       uint8_t flags = 0, uint8_t crc = 0) {
    const auto length = static_cast<uint16_t>(wirePayload.size());
    Bytes frame{0x04, 0x0A, 0x00, static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8),
                static_cast<uint8_t>(pid), static_cast<uint8_t>(pid >> 8)};
    for (int i = 0; i < 8; ++i) {
        frame.push_back(static_cast<uint8_t>(options >> (8 * i)));
    }
    frame.push_back(flags);
    frame.push_back(crc);
    frame.insert(frame.end(), 3, 0x00);
    return concat(frame, wirePayload);
}

// A protocol-3 message: 03 0A 63, total length, pid, payload.
inline Bytes v3Message(const Bytes& payload, uint16_t pid) {
    const auto length = static_cast<uint16_t>(payload.size() + 7);
    return concat({0x03, 0x0A, 0x63, static_cast<uint8_t>(length),
                   static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(pid),
                   static_cast<uint8_t>(pid >> 8)},
                  payload);
}

// A gzip stream of `data`, made with zlib directly (32 KiB window, best compression), so that
// tests do not depend on the library's own compressor.
inline Bytes gzipStream(const Bytes& data) {
    z_stream stream{};
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 31, 9, Z_DEFAULT_STRATEGY) != Z_OK) {
        throw std::runtime_error("deflateInit2");
    }
    Bytes out(deflateBound(&stream, static_cast<uLong>(data.size())) + 32);
    stream.next_in = const_cast<Bytef*>(data.data());
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    const int result = deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    if (result != Z_STREAM_END) {
        throw std::runtime_error("deflate");
    }
    return out;
}

// Inflates a gzip stream with zlib directly, unbounded: the reference the library is compared
// with.
inline Bytes gunzipStream(const Bytes& data) {
    z_stream stream{};
    if (inflateInit2(&stream, 31) != Z_OK) {
        throw std::runtime_error("inflateInit2");
    }
    Bytes out;
    stream.next_in = const_cast<Bytef*>(data.data());
    stream.avail_in = static_cast<uInt>(data.size());
    int result = Z_OK;
    while (result == Z_OK) {
        const std::size_t produced = out.size();
        out.resize(produced + 65536);
        stream.next_out = out.data() + produced;
        stream.avail_out = 65536;
        result = inflate(&stream, Z_NO_FLUSH);
        out.resize(produced + 65536 - stream.avail_out);
    }
    inflateEnd(&stream);
    if (result != Z_STREAM_END) {
        throw std::runtime_error("inflate");
    }
    return out;
}

}  // namespace TenvikTest
