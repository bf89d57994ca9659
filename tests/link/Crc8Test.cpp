#include "link/Crc8.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace Tenvik {
namespace {

struct CrcCase {
    std::vector<uint8_t> data;
    uint8_t expected;
};

class Crc8 : public ::testing::TestWithParam<CrcCase> {};

TEST_P(Crc8, MatchesTheSmbusParameters) {
    const auto& param = GetParam();
    EXPECT_EQ(crc8(param.data.data(), param.data.size()), param.expected);
}

std::vector<uint8_t> text(const std::string& value) { return {value.begin(), value.end()}; }

INSTANTIATE_TEST_SUITE_P(Cases, Crc8,
                         ::testing::Values(CrcCase{text("123456789"), 0xF4},  // check value
                                           CrcCase{{}, 0x00},
                                           CrcCase{{0x00}, 0x00},
                                           CrcCase{{0xFF}, 0xF3},
                                           CrcCase{{0xAA, 0xBB, 0xCC}, 0x7D},
                                           CrcCase{text("hello tenvik"), 0xA2}));

}  // namespace
}  // namespace Tenvik
