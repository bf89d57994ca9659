#include "link/PackageProcessor.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "InternalLogRecorder.h"
#include "ProtocolThreeReassembly.h"

namespace Tenvik {
namespace {

using Bytes = std::vector<uint8_t>;
using Line = TenvikTest::InternalLogRecorder::Line;
using ::testing::ElementsAre;

using Package = TenvikTest::ReassembledPackage;
using Reassembly = TenvikTest::ProtocolThreeReassembly;

Bytes v3Header(uint16_t totalLength, uint16_t pid) {
    return {0x03, 0x0A, 0x63, static_cast<uint8_t>(totalLength), static_cast<uint8_t>(totalLength >> 8),
            static_cast<uint8_t>(pid), static_cast<uint8_t>(pid >> 8)};
}

Bytes v31Header(uint16_t dataSize, uint8_t index, uint16_t pid, uint64_t options) {
    Bytes header{0x01, static_cast<uint8_t>(dataSize), static_cast<uint8_t>(dataSize >> 8), index,
                 static_cast<uint8_t>(pid), static_cast<uint8_t>(pid >> 8)};
    for (int i = 0; i < 8; ++i) {
        header.push_back(static_cast<uint8_t>(options >> (8 * i)));
    }
    return header;
}

Bytes operator+(Bytes left, const Bytes& right) {
    left.insert(left.end(), right.begin(), right.end());
    return left;
}

// The payload lives inside the object: nothing to own, nothing to allocate or free.
static_assert(std::is_trivially_destructible_v<PackageProcessor>);
static_assert(sizeof(PackageProcessor) >= PackageProcessor::MaxSerializedSize);

class PackageProcessorTest : public ::testing::Test {
protected:
    TenvikTest::InternalLogRecorder log;
    Reassembly reassembly;
};

TEST_F(PackageProcessorTest, HeaderChunkCarryingTheWholePayloadCompletesAtOnce) {
    EXPECT_TRUE(reassembly.feed({0x03, 0x0A, 0x63, 0x0A, 0x00, 0x05, 0x00, 0xAA, 0xBB, 0xCC}));
    EXPECT_THAT(reassembly.packages, ElementsAre(Package{{0xAA, 0xBB, 0xCC}, 5, 0}));
    EXPECT_THAT(log.lines(),
                ElementsAre(Line{1, "Processing new package: First 4 bytes: 03 0A 63 0A"},
                            Line{1, "PackageProcessor: protocolVersion=3, dataSize=10, index=0, "
                                    "pid=5, options=0"},
                            Line{1, "PackageProcessor: Received all data, dataSize=3, "
                                    "targetDataSize=3"}));
}

TEST_F(PackageProcessorTest, EmptyPayloadCompletesOnTheHeader) {
    EXPECT_TRUE(reassembly.feed({0x03, 0x0A, 0x63, 0x07, 0x00, 0x01, 0x00}));
    EXPECT_THAT(reassembly.packages, ElementsAre(Package{{}, 1, 0}));
}

TEST_F(PackageProcessorTest, ContinuationTakesOnlyTheMissingBytes) {
    EXPECT_TRUE(reassembly.feed({0x03, 0x0A, 0x63, 0x0C, 0x00, 0x05, 0x00, 0xAA}));
    EXPECT_TRUE(reassembly.packages.empty());
    EXPECT_FALSE(reassembly.processor.isComplete());
    log.clear();
    EXPECT_TRUE(reassembly.feed({0xBB, 0xCC, 0xDD, 0xEE, 0xFF, 0x11}));
    EXPECT_THAT(reassembly.packages, ElementsAre(Package{{0xAA, 0xBB, 0xCC, 0xDD, 0xEE}, 5, 0}));
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(PackageProcessorTest, HeaderChunkBytesBeyondTheAnnouncedSizeAreNotHandedOn) {
    EXPECT_TRUE(reassembly.feed({0x03, 0x0A, 0x63, 0x08, 0x00, 0x02, 0x00, 0x01, 0x02, 0x03}));
    EXPECT_THAT(reassembly.packages, ElementsAre(Package{{0x01}, 2, 0}));
    EXPECT_EQ(log.lines().back(),
              (Line{1, "PackageProcessor: Received all data, dataSize=3, targetDataSize=1"}));
}

TEST_F(PackageProcessorTest, V31HeaderAnnouncesAPayloadOfTheFollowingChunks) {
    const uint64_t options = 0x8877665544332211ULL;
    EXPECT_TRUE(reassembly.feed(v31Header(4, 9, 2, options)));
    EXPECT_TRUE(reassembly.packages.empty());
    EXPECT_THAT(log.lines(),
                ElementsAre(Line{1, "Processing new package: First 4 bytes: 01 04 00 09"},
                            Line{1, "PackageProcessor: protocolVersion=1, dataSize=4, index=9, "
                                    "pid=2, options=9833440827789222417"}));
    EXPECT_TRUE(reassembly.feed({0x10, 0x20}));
    EXPECT_TRUE(reassembly.feed({0x30, 0x40}));
    EXPECT_THAT(reassembly.packages, ElementsAre(Package{{0x10, 0x20, 0x30, 0x40}, 2, options}));
}

TEST_F(PackageProcessorTest, V31HeaderOfAnEmptyPayloadCompletesAtOnce) {
    EXPECT_TRUE(reassembly.feed(v31Header(0, 0, 7, 1)));
    EXPECT_THAT(reassembly.packages, ElementsAre(Package{{}, 7, 1}));
}

TEST_F(PackageProcessorTest, V31HeaderChunkIgnoresBytesAfterTheHeader) {
    EXPECT_TRUE(reassembly.feed(v31Header(2, 0, 3, 0) + Bytes{0xEE, 0xEE, 0xEE}));
    EXPECT_EQ(log.lines().back(),
              (Line{1, "PackageProcessor V3.1: header-only chunk received (count=17)"}));
    EXPECT_TRUE(reassembly.packages.empty());
    EXPECT_TRUE(reassembly.feed({0x01, 0x02}));
    EXPECT_THAT(reassembly.packages, ElementsAre(Package{{0x01, 0x02}, 3, 0}));
}

TEST_F(PackageProcessorTest, EmptyChunkWhileReceivingChangesNothing) {
    EXPECT_TRUE(reassembly.feed(v3Header(9, 1) + Bytes{0x01}));
    EXPECT_TRUE(reassembly.feed({}));
    EXPECT_TRUE(reassembly.packages.empty());
    EXPECT_TRUE(reassembly.feed({0x02}));
    EXPECT_THAT(reassembly.packages, ElementsAre(Package{{0x01, 0x02}, 1, 0}));
}

TEST_F(PackageProcessorTest, NextHeaderStartsAFreshPackageAfterReset) {
    EXPECT_TRUE(reassembly.feed(v31Header(1, 0, 4, 0xFF)));
    EXPECT_TRUE(reassembly.feed({0x01}));
    // A protocol-3 header carries no options: they are cleared, not kept from before.
    EXPECT_TRUE(reassembly.feed(v3Header(8, 0) + Bytes{0x02}));
    EXPECT_THAT(reassembly.packages,
                ElementsAre(Package{{0x01}, 4, 0xFF}, Package{{0x02}, 0, 0}));
}

TEST_F(PackageProcessorTest, LargestPayloadIsAccepted) {
    Bytes payload(PackageProcessor::MaxSerializedSize);
    for (std::size_t i = 0; i < payload.size(); ++i) {
        payload[i] = static_cast<uint8_t>(i * 7);
    }
    EXPECT_TRUE(reassembly.feed(v3Header(3107, 1) + Bytes(payload.begin(), payload.begin() + 100)));
    EXPECT_TRUE(reassembly.feed(Bytes(payload.begin() + 100, payload.end())));
    ASSERT_EQ(reassembly.packages.size(), 1u);
    EXPECT_EQ(reassembly.packages[0].payload, payload);

    EXPECT_TRUE(reassembly.feed(v31Header(3100, 0, 1, 0)));
    EXPECT_TRUE(reassembly.feed(payload));
    ASSERT_EQ(reassembly.packages.size(), 2u);
    EXPECT_EQ(reassembly.packages[1].payload, payload);
}

struct Refusal {
    const char* name;
    Bytes chunk;
    std::vector<Line> lines;
};

class PackageProcessorRefusal : public ::testing::TestWithParam<Refusal> {};

TEST_P(PackageProcessorRefusal, IsLoggedAndLeavesTheProcessorIdle) {
    const auto& param = GetParam();
    Reassembly reassembly;
    {
        TenvikTest::InternalLogRecorder log;
        EXPECT_FALSE(reassembly.feed(param.chunk));
        EXPECT_EQ(log.lines(), param.lines);
    }
    // Idle again: the next header chunk is read as a header.
    EXPECT_TRUE(reassembly.feed({0x03, 0x0A, 0x63, 0x08, 0x00, 0x01, 0x00, 0x5A}));
    EXPECT_THAT(reassembly.packages, ElementsAre(Package{{0x5A}, 1, 0}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PackageProcessorRefusal,
    ::testing::Values(
        Refusal{"SixBytes",
                {0x03, 0x0A, 0x63, 0x07, 0x00, 0x01},
                {{2, "PackageProcessor: chunk too small for header (size=6)"}}},
        Refusal{"V31HeaderCut",
                {0x01, 0x04, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
                {{1, "Processing new package: First 4 bytes: 01 04 00 00"},
                 {2, "PackageProcessor: chunk too small for header (size=13)"}}},
        Refusal{"UnknownSignature",
                {0x03, 0x0A, 0x62, 0x08, 0x00, 0x01, 0x00, 0x00},
                {{1, "Processing new package: First 4 bytes: 03 0A 62 08"},
                 {2, "PackageProcessor: Unknown header signature (size=8, "
                     "first_bytes=[03 0A 62])"}}},
        Refusal{"ProtocolTwoHeader",
                {0x02, 0x0A, 0x01, 0x08, 0x00, 0x01, 0x00},
                {{1, "Processing new package: First 4 bytes: 02 0A 01 08"},
                 {2, "PackageProcessor: Unknown header signature (size=7, "
                     "first_bytes=[02 0A 01])"}}},
        Refusal{"LengthBelowTheHeader",
                {0x03, 0x0A, 0x63, 0x06, 0x00, 0x01, 0x00},
                {{1, "Processing new package: First 4 bytes: 03 0A 63 06"},
                 {1, "PackageProcessor: protocolVersion=3, dataSize=6, index=0, pid=1, "
                     "options=0"},
                 {2, "PackageProcessor: dataSize (6) smaller than header (7)"}}},
        Refusal{"ProtocolThreePayloadTooLarge",
                {0x03, 0x0A, 0x63, 0x24, 0x0C, 0x09, 0x00},
                {{1, "Processing new package: First 4 bytes: 03 0A 63 24"},
                 {1, "PackageProcessor: protocolVersion=3, dataSize=3108, index=0, pid=9, "
                     "options=0"},
                 {2, "PackageProcessor: payload too large (pv=3, pid=9, size=3101, "
                     "max=3100)"}}},
        // 3101 bytes after the header cannot be stored, whatever the header announces: the
        // package it starts cannot be completed.
        Refusal{"HeaderChunkCarryingMoreThanTheBuffer",
                v3Header(11, 6) + Bytes(3101, 0xEE),
                {{1, "Processing new package: First 4 bytes: 03 0A 63 0B"},
                 {1, "PackageProcessor: protocolVersion=3, dataSize=11, index=0, pid=6, "
                     "options=0"},
                 {2, "PackageProcessor: Payload bytes exceed MaxSerializedSize"}}},
        Refusal{"V31PayloadTooLarge",
                {0x01, 0x1D, 0x0C, 0x02, 0x03, 0x00, 0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                 0x00},
                {{1, "Processing new package: First 4 bytes: 01 1D 0C 02"},
                 {1, "PackageProcessor: protocolVersion=1, dataSize=3101, index=2, pid=3, "
                     "options=5"},
                 {2, "PackageProcessor: payload too large (pv=1, pid=3, size=3101, "
                     "max=3100)"}}}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST_F(PackageProcessorTest, CompleteProcessorRefusesUntilReset) {
    PackageProcessor processor;
    const Bytes header{0x03, 0x0A, 0x63, 0x07, 0x00, 0x01, 0x00};
    EXPECT_TRUE(processor.process(header.data(), 7));
    EXPECT_TRUE(processor.isComplete());
    log.clear();
    EXPECT_FALSE(processor.process(header.data(), 7));
    EXPECT_THAT(log.lines(), ElementsAre(Line{2, "Package processing finished too early"}));
    processor.reset();
    EXPECT_TRUE(processor.process(header.data(), 7));
}

TEST_F(PackageProcessorTest, ResetKeepsPidAndOptionsButClearsTheSize) {
    EXPECT_TRUE(reassembly.processor.process(v31Header(0, 0, 0x1234, 42).data(), 14));
    reassembly.processor.reset();
    uint16_t size = 0xFFFF;
    reassembly.processor.getData(&size);
    EXPECT_EQ(size, 0);
    EXPECT_EQ(reassembly.processor.getPid(), 0x1234);
    EXPECT_EQ(reassembly.processor.getOptions(), 42u);
}

}  // namespace
}  // namespace Tenvik
