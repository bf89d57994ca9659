#pragma once

#include <cstddef>
#include <cstdint>

namespace Tenvik {

// CRC-8 with polynomial 0x07, initial value 0, no reflection and no final XOR (CRC-8/SMBUS),
// the checksum protocol-4 headers carry over the uncompressed payload.
uint8_t crc8(const uint8_t* data, std::size_t length);

}  // namespace Tenvik
