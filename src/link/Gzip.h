#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Tenvik {

// The most a protocol-4 message can carry onwards; a stream inflating to more is refused.
inline constexpr std::size_t MaxDecompressedSize = 65535;

// Replaces `data` with a gzip stream of it (default level, 2 KiB window, memory level 5).
// False when zlib cannot set up the stream (data unchanged) or did not finish it.
bool compressGzip(std::vector<uint8_t>& data);

// Replaces `data` with the contents of the gzip stream it holds; input after the first member
// is ignored. False, with `data` unchanged, for anything but a complete gzip stream or when it
// would inflate to more than MaxDecompressedSize bytes.
bool decompressGzip(std::vector<uint8_t>& data);

}  // namespace Tenvik
