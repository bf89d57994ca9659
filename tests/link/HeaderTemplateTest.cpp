#include "link/HeaderTemplate.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace Tenvik {
namespace {

using Bytes = std::vector<uint8_t>;

HeaderTemplate templateOf(uint8_t version) {
    HeaderTemplate headerTemplate;
    headerTemplate.setVersion(version);
    return headerTemplate;
}

TEST(HeaderTemplate, StartsAsProtocolThree) {
    const HeaderTemplate headerTemplate;
    EXPECT_EQ(headerTemplate.version(), 3);
    EXPECT_EQ(headerTemplate.headerSize(), 7);
    EXPECT_EQ(headerTemplate.tag(), 0x0A);
    EXPECT_EQ(headerTemplate.signature(), 0x63);
}

TEST(HeaderTemplate, SetVersionDerivesAndReturnsTheHeaderSize) {
    HeaderTemplate headerTemplate;
    EXPECT_EQ(headerTemplate.setVersion(1), 5);
    EXPECT_EQ(headerTemplate.setVersion(2), 5);
    EXPECT_EQ(headerTemplate.setVersion(4), 17);
    EXPECT_EQ(headerTemplate.headerSize(), 17);
    EXPECT_EQ(headerTemplate.setVersion(3), 7);
    EXPECT_EQ(headerTemplate.setVersion(0), 5);
    EXPECT_EQ(headerTemplate.version(), 0);
}

struct MatchCase {
    uint8_t version;
    Bytes frame;
    bool matches;
};

class HeaderTemplateMatches : public ::testing::TestWithParam<MatchCase> {};

TEST_P(HeaderTemplateMatches, ChecksTagAndByteTwoButNotByteZero) {
    const auto& param = GetParam();
    EXPECT_EQ(templateOf(param.version).matches(param.frame.data()), param.matches)
        << "template version " << int(param.version) << " frame " << int(param.frame[0]) << " "
        << int(param.frame[1]) << " " << int(param.frame[2]);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HeaderTemplateMatches,
    ::testing::Values(MatchCase{1, {0x01, 0x0A, 0x63}, true},
                      MatchCase{1, {0x07, 0x0A, 0x63}, true},
                      MatchCase{1, {0x01, 0x0A, 0x01}, false},
                      MatchCase{1, {0x01, 0x0B, 0x63}, false},
                      MatchCase{2, {0x02, 0x0A, 0x00}, true},
                      MatchCase{2, {0x02, 0x0A, 0x01}, true},
                      MatchCase{2, {0x02, 0x0A, 0x63}, false},
                      MatchCase{3, {0x03, 0x0A, 0x00}, true},
                      MatchCase{3, {0x03, 0x0A, 0x01}, true},
                      MatchCase{3, {0x03, 0x0A, 0x63}, true},
                      MatchCase{3, {0x03, 0x0A, 0x02}, false},
                      MatchCase{3, {0x03, 0x00, 0x63}, false},
                      MatchCase{4, {0x00, 0x0A, 0xFF}, true},
                      MatchCase{4, {0x04, 0x0B, 0x00}, false}));

struct AppendCase {
    uint8_t version;
    uint16_t payloadLength;
    uint8_t type;
    uint16_t pid;
    Bytes expected;
};

class AppendHeader : public ::testing::TestWithParam<AppendCase> {};

TEST_P(AppendHeader, AppendsTheLegacyLayoutAfterExistingBytes) {
    const auto& param = GetParam();
    Bytes out{0xEE};
    appendHeader(templateOf(param.version), out, param.payloadLength, param.type, param.pid);
    Bytes expected{0xEE};
    expected.insert(expected.end(), param.expected.begin(), param.expected.end());
    EXPECT_EQ(out, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AppendHeader,
    ::testing::Values(
        // Version 1 writes the signature whatever the type.
        AppendCase{1, 10, 0x01, 0x1234, {0x01, 0x0A, 0x63, 0x0F, 0x00}},
        AppendCase{2, 10, 0x01, 0x1234, {0x02, 0x0A, 0x01, 0x0F, 0x00}},
        AppendCase{3, 10, 0x00, 0x1234, {0x03, 0x0A, 0x00, 0x11, 0x00, 0x34, 0x12}},
        // Version 4 keeps the seven-byte layout but counts its 17-byte header.
        AppendCase{4, 10, 0x01, 0x0005, {0x04, 0x0A, 0x01, 0x1B, 0x00, 0x05, 0x00}},
        // The length wraps at 16 bits.
        AppendCase{2, 65531, 0x00, 0, {0x02, 0x0A, 0x00, 0x00, 0x00}},
        AppendCase{3, 65535, 0x01, 0xFFFF, {0x03, 0x0A, 0x01, 0x06, 0x00, 0xFF, 0xFF}}));

}  // namespace
}  // namespace Tenvik
