#pragma once

#include <cstdint>
#include <vector>

#include "tenvik_sdk.h"

namespace TenvikTest {

// The shape shared by the characteristic exports and the battery export.
using CharacteristicExport = void (*)(const uint8_t* data, int size, TenvikSDK* sdk);

using Bytes = std::vector<uint8_t>;

inline void sendPacket(CharacteristicExport entry, const Bytes& bytes, TenvikSDK* sdk) {
    entry(bytes.data(), static_cast<int>(bytes.size()), sdk);
}

// The packet repeated `count` times.
inline void sendPackets(CharacteristicExport entry, const Bytes& bytes, int count,
                        TenvikSDK* sdk) {
    for (int i = 0; i < count; ++i) {
        sendPacket(entry, bytes, sdk);
    }
}

// `bytes` followed by `extra` zero bytes, or shortened by -extra bytes: a packet of the
// wrong size.
inline Bytes resized(Bytes bytes, int extra) {
    bytes.resize(static_cast<size_t>(static_cast<int>(bytes.size()) + extra), 0);
    return bytes;
}

}  // namespace TenvikTest
