#pragma once

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <vector>

// The floor the link's protocol-4 path is measured against: zlib alone inflating one gzip
// stream into a buffer that is already there. Returns the bytes produced.
inline std::size_t bareInflate(const std::vector<uint8_t>& stream, std::vector<uint8_t>& output) {
    z_stream zs{};
    inflateInit2(&zs, 31);
    zs.next_in = const_cast<Bytef*>(stream.data());
    zs.avail_in = static_cast<uInt>(stream.size());
    zs.next_out = output.data();
    zs.avail_out = static_cast<uInt>(output.size());
    inflate(&zs, Z_FINISH);
    const std::size_t produced = zs.total_out;
    inflateEnd(&zs);
    return produced;
}
