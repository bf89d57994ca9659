#include "link/Crc8.h"

#include <array>

namespace Tenvik {

namespace {

constexpr uint8_t Polynomial = 0x07;

constexpr std::array<uint8_t, 256> makeTable() {
    std::array<uint8_t, 256> table{};
    for (int byte = 0; byte < 256; ++byte) {
        uint8_t crc = static_cast<uint8_t>(byte);
        for (int bit = 0; bit < 8; ++bit) {
            crc = static_cast<uint8_t>((crc & 0x80) ? (crc << 1) ^ Polynomial : crc << 1);
        }
        table[static_cast<std::size_t>(byte)] = crc;
    }
    return table;
}

constexpr std::array<uint8_t, 256> Table = makeTable();

}  // namespace

uint8_t crc8(const uint8_t* data, std::size_t length) {
    uint8_t crc = 0;
    for (std::size_t i = 0; i < length; ++i) {
        crc = Table[crc ^ data[i]];
    }
    return crc;
}

}  // namespace Tenvik
