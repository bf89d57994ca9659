#include "common/ByteConverters.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>

namespace Tenvik {
namespace {

struct Bytes3Case {
    uint8_t msb, mid, lsb;
    float expected;
};

class Int24Q24 : public ::testing::TestWithParam<Bytes3Case> {};
TEST_P(Int24Q24, ScalesBy2ToMinus24) {
    const auto& c = GetParam();
    EXPECT_EQ(decodeInt24Q24(c.msb, c.mid, c.lsb), c.expected);
}
INSTANTIATE_TEST_SUITE_P(
    Cases, Int24Q24,
    ::testing::Values(Bytes3Case{0x80, 0x00, 0x00, -0.5f},
                      Bytes3Case{0x7F, 0xFF, 0xFF, 8388607.0f / 16777216.0f},
                      Bytes3Case{0xFF, 0xFF, 0xFF, -1.0f / 16777216.0f},
                      Bytes3Case{0x00, 0x00, 0x80, 128.0f / 16777216.0f},
                      Bytes3Case{0x12, 0x34, 0x56, 0.07111108303070068f},
                      // A 16-bit field in the high bytes reads as value x 2^-16.
                      Bytes3Case{0xFF, 0xFE, 0x00, -2.0f / 65536.0f},
                      Bytes3Case{0x00, 0x00, 0x00, 0.0f}));

class LegacyEcgSample : public ::testing::TestWithParam<Bytes3Case> {};
TEST_P(LegacyEcgSample, InvertsTheSign) {
    const auto& c = GetParam();
    EXPECT_EQ(decodeLegacyEcgSample(c.msb, c.mid, c.lsb), c.expected);
}
// Expected values: -(v x 121 / 2516582400) in double, rounded to float once.
INSTANTIATE_TEST_SUITE_P(Cases, LegacyEcgSample,
                         ::testing::Values(Bytes3Case{0x00, 0x00, 0x01, -4.8081080450401714e-08f},
                                           Bytes3Case{0xFF, 0xFF, 0xFF, 4.8081080450401714e-08f},
                                           Bytes3Case{0x7F, 0xFF, 0xFF, -0.40333327651023865f},
                                           Bytes3Case{0x80, 0x00, 0x00, 0.4033333361148834f},
                                           Bytes3Case{0x12, 0x34, 0x00, -0.05735880509018898f},
                                           Bytes3Case{0x00, 0x00, 0x00, 0.0f}));

class Int24Q10 : public ::testing::TestWithParam<Bytes3Case> {};
TEST_P(Int24Q10, ScalesBy2ToMinus10) {
    const auto& c = GetParam();
    EXPECT_EQ(decodeInt24Q10(c.msb, c.mid, c.lsb), c.expected);
}
INSTANTIATE_TEST_SUITE_P(Cases, Int24Q10,
                         ::testing::Values(Bytes3Case{0x80, 0x00, 0x00, -8192.0f},
                                           Bytes3Case{0x7F, 0xFF, 0xFF, 8388607.0f / 1024.0f},
                                           Bytes3Case{0xFF, 0xFC, 0x00, -1.0f},
                                           Bytes3Case{0x00, 0x04, 0x01, 1.0009765625f}));

struct Bytes2Case {
    uint8_t msb, lsb;
    float expected;
};
class Int16Q10 : public ::testing::TestWithParam<Bytes2Case> {};
TEST_P(Int16Q10, ScalesBy2ToMinus10) {
    const auto& c = GetParam();
    EXPECT_EQ(decodeInt16Q10(c.msb, c.lsb), c.expected);
}
INSTANTIATE_TEST_SUITE_P(Cases, Int16Q10,
                         ::testing::Values(Bytes2Case{0x80, 0x00, -32.0f},
                                           Bytes2Case{0xFF, 0xFF, -0.0009765625f},
                                           Bytes2Case{0x7F, 0xFF, 32767.0f / 1024.0f},
                                           Bytes2Case{0x04, 0x00, 1.0f},
                                           Bytes2Case{0x00, 0x04, 0.00390625f}));

struct Bytes4Case {
    uint8_t b3, b2, b1, b0;
    float q16;
    float q30;
};
class Int32Fixed : public ::testing::TestWithParam<Bytes4Case> {};
TEST_P(Int32Fixed, RoundsToFloatThenScales) {
    const auto& c = GetParam();
    EXPECT_EQ(decodeInt32Q16(c.b3, c.b2, c.b1, c.b0), c.q16);
    EXPECT_EQ(decodeInt32Q30(c.b3, c.b2, c.b1, c.b0), c.q30);
}
INSTANTIATE_TEST_SUITE_P(
    Cases, Int32Fixed,
    ::testing::Values(Bytes4Case{0x80, 0x00, 0x00, 0x00, -32768.0f, -2.0f},
                      Bytes4Case{0x40, 0x00, 0x00, 0x00, 16384.0f, 1.0f},
                      Bytes4Case{0xC0, 0x00, 0x00, 0x00, -16384.0f, -1.0f},
                      // 16777217 has no float: it rounds to 16777216 before scaling.
                      Bytes4Case{0x01, 0x00, 0x00, 0x01, 256.0f, 1.0f / 64.0f},
                      // 2147483647 rounds up to 2^31.
                      Bytes4Case{0x7F, 0xFF, 0xFF, 0xFF, 32768.0f, 2.0f},
                      Bytes4Case{0xFF, 0xFF, 0xFF, 0xFF, -1.0f / 65536.0f, -1.0f / 1073741824.0f},
                      // A 16-bit field in the high bytes: the value itself, value x 2^-14.
                      Bytes4Case{0x12, 0x34, 0x00, 0x00, 4660.0f, 0.284423828125f},
                      Bytes4Case{0xFF, 0xFE, 0x00, 0x00, -2.0f, -2.0f / 16384.0f}));

TEST(DecodeUInt32, AssemblesMostSignificantFirst) {
    EXPECT_EQ(decodeUInt32(0xFF, 0xFF, 0xFF, 0xFF), 4294967295u);
    EXPECT_EQ(decodeUInt32(0x12, 0x34, 0x56, 0x78), 0x12345678u);
    EXPECT_EQ(decodeUInt32(0x80, 0x00, 0x00, 0x00), 0x80000000u);
    EXPECT_EQ(decodeUInt32(0x00, 0x00, 0x00, 0x01), 1u);
}

TEST(DecodeLittleEndianField, CallerPassesBytesFromTheHighestAddressDown) {
    // A 24-bit little-endian field 0x123456 as it lies in a packet.
    const uint8_t packet[] = {0xAA, 0x56, 0x34, 0x12, 0xBB};
    EXPECT_EQ(decodeInt24Q24(packet[3], packet[2], packet[1]), 0.07111108303070068f);
    EXPECT_EQ(decodeUInt32(packet[4], packet[3], packet[2], packet[1]), 0xBB123456u);
}

struct GravityCase {
    Quaternion q;
    Vector3 acceleration;
    Vector3 expected;
};
class RemoveGravity : public ::testing::TestWithParam<GravityCase> {};
TEST_P(RemoveGravity, SubtractsTheThirdRowOfTheRotation) {
    const auto& c = GetParam();
    const Vector3 result = removeGravity(c.q, c.acceleration);
    EXPECT_EQ(result.x, c.expected.x);
    EXPECT_EQ(result.y, c.expected.y);
    EXPECT_EQ(result.z, c.expected.z);
}
INSTANTIATE_TEST_SUITE_P(
    Cases, RemoveGravity,
    ::testing::Values(
        // Identity: gravity is +z.
        GravityCase{{0, 0, 0, 1}, {0, 0, 1}, {0, 0, 0}},
        GravityCase{{0, 0, 0, 1}, {0.5f, -0.25f, 0}, {0.5f, -0.25f, -1}},
        // Half turn about x: gravity is -z.
        GravityCase{{1, 0, 0, 0}, {0, 0, -1}, {0, 0, 0}},
        // The zero quaternion has no gravity.
        GravityCase{{0, 0, 0, 0}, {1, 2, 3}, {1, 2, 3}},
        // Not normalised: g = (2(xz - wy), 2(wx + yz), w^2 - x^2 - y^2 + z^2) = (-10, 20, 20).
        GravityCase{{1, 2, 3, 4}, {10, 20, 30}, {20, 0, 10}}));

struct LeadingIntegerCase {
    std::string text;
    int expected;
};
class ParseLeadingInteger : public ::testing::TestWithParam<LeadingIntegerCase> {};
TEST_P(ParseLeadingInteger, ReadsTheFirstNumber) {
    EXPECT_EQ(parseLeadingInteger(GetParam().text.c_str()), GetParam().expected) << GetParam().text;
}
INSTANTIATE_TEST_SUITE_P(
    Cases, ParseLeadingInteger,
    ::testing::Values(LeadingIntegerCase{"abc12.5", 12}, LeadingIntegerCase{"", 0},
                      LeadingIntegerCase{"no digits", 0}, LeadingIntegerCase{"-7", 7},
                      LeadingIntegerCase{"42", 42}, LeadingIntegerCase{"007 and 9", 7},
                      LeadingIntegerCase{"pid 0", 0}, LeadingIntegerCase{"2147483647", INT_MAX},
                      LeadingIntegerCase{"2147483648", INT_MAX},
                      LeadingIntegerCase{"4294967296", INT_MAX},
                      LeadingIntegerCase{"x99999999999999999999999999", INT_MAX}));

TEST(ParseLeadingInteger, ANullTextIsZero) { EXPECT_EQ(parseLeadingInteger(nullptr), 0); }

struct IntMapCase {
    int input;
    int expected;
};

class RecordPeriod : public ::testing::TestWithParam<IntMapCase> {};
TEST_P(RecordPeriod, ByRecordType) {
    EXPECT_EQ(recordPeriodMs(GetParam().input), GetParam().expected) << GetParam().input;
}
INSTANTIATE_TEST_SUITE_P(Cases, RecordPeriod,
                         ::testing::Values(IntMapCase{0, 12}, IntMapCase{1, 12}, IntMapCase{7, 30},
                                           IntMapCase{2, 0}, IntMapCase{6, 0}, IntMapCase{8, 0},
                                           IntMapCase{-1, 0}, IntMapCase{INT_MIN, 0}));

class BodyPositionValue : public ::testing::TestWithParam<IntMapCase> {};
TEST_P(BodyPositionValue, KeepsOneToFour) {
    EXPECT_EQ(toBodyPosition(GetParam().input), GetParam().expected) << GetParam().input;
}
INSTANTIATE_TEST_SUITE_P(Cases, BodyPositionValue,
                         ::testing::Values(IntMapCase{0, 0}, IntMapCase{1, 1}, IntMapCase{2, 2},
                                           IntMapCase{3, 3}, IntMapCase{4, 4}, IntMapCase{5, 0},
                                           IntMapCase{-1, 0}, IntMapCase{INT_MIN, 0},
                                           IntMapCase{INT_MAX, 0}));

class DeviceTimestamps : public ::testing::TestWithParam<IntMapCase> {};
TEST_P(DeviceTimestamps, ByDataVersion) {
    EXPECT_EQ(hasDeviceTimestamps(GetParam().input), GetParam().expected != 0) << GetParam().input;
}
INSTANTIATE_TEST_SUITE_P(Cases, DeviceTimestamps,
                         ::testing::Values(IntMapCase{0, 0}, IntMapCase{1, 0}, IntMapCase{2, 0},
                                           IntMapCase{4, 0}, IntMapCase{3, 1}, IntMapCase{5, 1},
                                           IntMapCase{6, 1}, IntMapCase{7, 1}, IntMapCase{100, 1},
                                           IntMapCase{-1, 1}));

TEST(ActivityFromCode, IsATableNotAnIdentity) {
    const uint32_t expected[] = {16, 1, 2, 16, 4, 16, 16, 16, 8, 16};
    for (unsigned code = 0; code < 10; ++code) {
        EXPECT_EQ(activityFromCode(code), expected[code]) << code;
    }
    EXPECT_EQ(activityFromCode(UINT_MAX), 16u);
}

}  // namespace
}  // namespace Tenvik
