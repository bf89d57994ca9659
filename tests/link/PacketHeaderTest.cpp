#include "link/PacketHeader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace Tenvik {
namespace {

using Bytes = std::vector<uint8_t>;

// The header as it goes on the wire: headerSize(version) bytes.
Bytes wire(const PacketHeader& header) {
    Bytes out(static_cast<std::size_t>(headerSize(header.version)), 0xEE);
    copyHeader(header, out.data());
    return out;
}

TEST(PacketHeaderLayout, VersionOneCarriesTheSignatureAndTheValue) {
    const PacketHeader header = makeV1Header(0x1234);
    EXPECT_EQ(header.version, 1);
    EXPECT_EQ(wire(header), (Bytes{0x01, 0x0A, 0x63, 0x34, 0x12}));
}

TEST(PacketHeaderLayout, VersionTwoCountsItsFiveBytes) {
    const PacketHeader header = makeV2Header(1, 10);
    EXPECT_EQ(header.version, 2);
    EXPECT_EQ(wire(header), (Bytes{0x02, 0x0A, 0x01, 0x0F, 0x00}));
}

TEST(PacketHeaderLayout, VersionThreeCountsItsSevenBytesAndCarriesThePid) {
    const PacketHeader header = makeV3Header(0, 10, 0x1234);
    EXPECT_EQ(header.version, 3);
    EXPECT_EQ(wire(header), (Bytes{0x03, 0x0A, 0x00, 0x11, 0x00, 0x34, 0x12}));
}

TEST(PacketHeaderLayout, VersionFourStoresEveryFieldLittleEndian) {
    const PacketHeader header = makeV4Header(3, 5, 0x0102030405060708ULL, 0, 0);
    EXPECT_EQ(header.version, 4);
    EXPECT_EQ(wire(header), (Bytes{0x04, 0x0A, 0x00, 0x03, 0x00, 0x05, 0x00, 0x08, 0x07, 0x06,
                                   0x05, 0x04, 0x03, 0x02, 0x01, 0x00, 0x00}));
    const PacketHeader flagged = makeV4Header(0xABCD, 0xBEEF, 0, 0x03, 0xF4);
    EXPECT_EQ(wire(flagged), (Bytes{0x04, 0x0A, 0x00, 0xCD, 0xAB, 0xEF, 0xBE, 0, 0, 0, 0, 0, 0,
                                    0, 0, 0x03, 0xF4}));
}

TEST(PacketHeaderLayout, BuildersZeroTheBytesBeyondTheirHeader) {
    for (const PacketHeader& header : {makeV1Header(0xFFFF), makeV2Header(0xFF, 0xFFFF),
                                       makeV3Header(0xFF, 0xFFFF, 0xFFFF)}) {
        for (std::size_t i = static_cast<std::size_t>(headerSize(header.version));
             i < MaxHeaderSize; ++i) {
            EXPECT_EQ(header.bytes[i], 0) << "version " << header.version << " byte " << i;
        }
    }
}

TEST(PacketHeaderLayout, LengthSumsWrapAtSixteenBits) {
    EXPECT_EQ(wire(makeV2Header(0, 65531)), (Bytes{0x02, 0x0A, 0x00, 0x00, 0x00}));
    EXPECT_EQ(wire(makeV3Header(1, 65530, 2)), (Bytes{0x03, 0x0A, 0x01, 0x01, 0x00, 0x02, 0x00}));
}

TEST(PacketHeaderLayout, CopyWritesOnlyTheVersionsHeaderSize) {
    Bytes destination(MaxHeaderSize + 3, 0xEE);
    copyHeader(makeV2Header(0, 1), destination.data());
    EXPECT_EQ(destination[4], 0x00);
    EXPECT_EQ(destination[5], 0xEE);
    copyHeader(makeV4Header(0, 0, 0, 0, 0), destination.data());
    EXPECT_EQ(destination[16], 0x00);
    EXPECT_EQ(destination[17], 0xEE);
}

TEST(PacketHeaderSize, IsFiveForEveryVersionButThreeAndFour) {
    EXPECT_EQ(headerSize(0), 5);
    EXPECT_EQ(headerSize(1), 5);
    EXPECT_EQ(headerSize(2), 5);
    EXPECT_EQ(headerSize(3), 7);
    EXPECT_EQ(headerSize(4), 17);
    EXPECT_EQ(headerSize(9), 5);
    EXPECT_EQ(headerSize(-1), 5);
}

struct DetectCase {
    const char* name;
    Bytes bytes;
    int expected;
};

class DetectProtocolVersion : public ::testing::TestWithParam<DetectCase> {};

TEST_P(DetectProtocolVersion, ReadsVersionTagAndLength) {
    const auto& param = GetParam();
    EXPECT_EQ(detectProtocolVersion(param.bytes.data(), param.bytes.size()), param.expected);
}

Bytes filled(std::initializer_list<uint8_t> start, std::size_t length) {
    Bytes bytes(start);
    bytes.resize(length, 0x00);
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DetectProtocolVersion,
    ::testing::Values(
        DetectCase{"FourBytesAreTooFew", {0x02, 0x0A, 0x00, 0x05}, 1},
        DetectCase{"WrongTag", filled({0x04, 0x0B}, 17), 1},
        DetectCase{"VersionFourWithSeventeenBytes", filled({0x04, 0x0A, 0x77}, 17), 4},
        DetectCase{"VersionFourWithSixteenBytes", filled({0x04, 0x0A}, 16), 1},
        DetectCase{"VersionThreeWithSevenBytes", filled({0x03, 0x0A, 0x63}, 7), 3},
        DetectCase{"VersionThreeWithSixBytes", filled({0x03, 0x0A, 0x63}, 6), 1},
        DetectCase{"VersionThreeAnyType", filled({0x03, 0x0A, 0x05}, 7), 3},
        DetectCase{"VersionTwoSystemData", filled({0x02, 0x0A, 0x00}, 5), 2},
        DetectCase{"VersionTwoProcessData", filled({0x02, 0x0A, 0x01}, 5), 2},
        DetectCase{"VersionTwoOtherType", filled({0x02, 0x0A, 0x02}, 5), 1},
        DetectCase{"OtherFirstByte", filled({0x07, 0x0A, 0x00}, 20), 1}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(DetectProtocolVersionNull, IsOne) { EXPECT_EQ(detectProtocolVersion(nullptr, 20), 1); }

struct ParseCase {
    const char* name;
    Bytes bytes;
    int version;
    bool acceptable;
    std::size_t copied;  // header bytes of the detected version: 5, 7 for version 3, 17 for 4
};

class ParseHeader : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseHeader, DetectsAndJudges) {
    const auto& param = GetParam();
    PacketHeader out;
    out.bytes.fill(0xEE);
    EXPECT_EQ(parseHeader(out, param.bytes.data(), param.bytes.size()), param.acceptable);
    EXPECT_EQ(out.version, param.version);
    // The detected version's header bytes are copied, the rest of the record is zeroed.
    for (std::size_t i = 0; i < MaxHeaderSize; ++i) {
        EXPECT_EQ(out.bytes[i], i < param.copied ? param.bytes[i] : 0) << "byte " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseHeader,
    ::testing::Values(
        ParseCase{"VersionFourAnyByteTwo", filled({0x04, 0x0A, 0xFF, 0x01, 0x02}, 17), 4, true, 17},
        ParseCase{"VersionFourWrongTag", filled({0x04, 0x0B, 0x00}, 17), 1, false, 5},
        ParseCase{"VersionFourWrongTagEvenWithSignature", filled({0x04, 0x0B, 0x63}, 17), 1,
                  false, 5},
        ParseCase{"VersionFourTooShortWithoutSignature", filled({0x04, 0x0A, 0x00}, 16), 1,
                  false, 5},
        ParseCase{"VersionFourTooShortWithSignature", filled({0x04, 0x0A, 0x63}, 16), 1, true, 5},
        ParseCase{"VersionThreeFromDevice", filled({0x03, 0x0A, 0x63, 0x0A, 0x00, 0x05}, 7), 3,
                  true, 7},
        ParseCase{"VersionThreeSystemData", filled({0x03, 0x0A, 0x00}, 7), 3, true, 7},
        ParseCase{"VersionThreeProcessData", filled({0x03, 0x0A, 0x01}, 7), 3, true, 7},
        ParseCase{"VersionThreeOtherType", filled({0x03, 0x0A, 0x05}, 7), 3, false, 7},
        ParseCase{"VersionThreeTooShortThroughSignature", {0x03, 0x0A, 0x63, 0x00, 0x00}, 1,
                  true, 5},
        ParseCase{"VersionTwoSystemData", {0x02, 0x0A, 0x00, 0x05, 0x00}, 2, true, 5},
        ParseCase{"VersionTwoProcessData", {0x02, 0x0A, 0x01, 0x05, 0x00}, 2, true, 5},
        ParseCase{"VersionTwoOtherType", {0x02, 0x0A, 0x02, 0x05, 0x00}, 1, false, 5},
        ParseCase{"VersionOne", {0x01, 0x0A, 0x63, 0x05, 0x00}, 1, true, 5},
        ParseCase{"VersionOneWithoutSignature", {0x01, 0x0A, 0x00, 0x05, 0x00}, 1, false, 5},
        ParseCase{"UnknownVersionWithSignature", {0x09, 0x0A, 0x63, 0x05, 0x00}, 1, true, 5}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(ParseHeaderShort, ThreeOrFourBytesOnlyMarkVersionOne) {
    const Bytes bytes{0x04, 0x0A, 0x00, 0x00};
    for (std::size_t length : {3u, 4u}) {
        PacketHeader out;
        out.version = 4;
        out.bytes.fill(0xEE);
        EXPECT_FALSE(parseHeader(out, bytes.data(), length));
        EXPECT_EQ(out.version, 1);
        EXPECT_EQ(out.bytes[0], 0xEE);
    }
}

TEST(ParseHeaderShort, TwoBytesOrNullLeaveTheRecordUntouched) {
    const Bytes bytes{0x04, 0x0A};
    PacketHeader out;
    out.version = 3;
    out.bytes.fill(0xEE);
    EXPECT_FALSE(parseHeader(out, bytes.data(), 2));
    EXPECT_FALSE(parseHeader(out, nullptr, 17));
    EXPECT_EQ(out.version, 3);
    EXPECT_EQ(out.bytes[0], 0xEE);
}

TEST(PacketHeaderFields, RawGettersReadVersionTagAndLength) {
    const Bytes bytes{0x03, 0x0A, 0x63, 0x34, 0x12};
    EXPECT_EQ(headerVersion(bytes.data()), 0x03);
    EXPECT_EQ(headerTag(bytes.data()), 0x0A);
    EXPECT_EQ(headerLength(bytes.data()), 0x1234);
}

TEST(PacketHeaderFields, RecordGettersAnswerOnlyForVersionsCarryingTheField) {
    const PacketHeader v1 = makeV1Header(9);
    const PacketHeader v2 = makeV2Header(1, 9);
    const PacketHeader v3 = makeV3Header(1, 9, 0x0203);
    const PacketHeader v4 = makeV4Header(9, 0x0405, 0x1122334455667788ULL, 0x03, 0xA5);

    EXPECT_EQ(headerSignature(v1), 0x63);
    EXPECT_EQ(headerSignature(v2), 0);
    EXPECT_EQ(headerSignature(v3), 0);
    EXPECT_EQ(headerSignature(v4), 0);

    EXPECT_EQ(headerType(v1), 0);
    EXPECT_EQ(headerType(v2), 1);
    EXPECT_EQ(headerType(v3), 1);
    EXPECT_EQ(headerType(v4), 0);

    EXPECT_EQ(headerPid(v2), 0);
    EXPECT_EQ(headerPid(v3), 0x0203);
    EXPECT_EQ(headerPid(v4), 0x0405);

    EXPECT_EQ(headerOptions(v3), 0u);
    EXPECT_EQ(headerOptions(v4), 0x1122334455667788ULL);
    EXPECT_EQ(headerFlags(v3), 0);
    EXPECT_EQ(headerFlags(v4), 0x03);
    EXPECT_EQ(headerCrc(v3), 0);
    EXPECT_EQ(headerCrc(v4), 0xA5);
}

}  // namespace
}  // namespace Tenvik
