#include "link/V4Communicator.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "LinkEventRecorder.h"
#include "link/Crc8.h"
#include "LinkFrames.h"

namespace Tenvik {
namespace {

using TenvikTest::Bytes;
using TenvikTest::concat;
using TenvikTest::gzipStream;
using TenvikTest::inChunks;
using TenvikTest::slice;
using TenvikTest::LinkEvent;
using TenvikTest::v4Message;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr uint8_t FlagCrc = 0x01;
constexpr uint8_t FlagGzip = 0x02;

Bytes counting(std::size_t length, uint8_t start = 0) {
    Bytes bytes(length);
    for (std::size_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<uint8_t>(start + i);
    }
    return bytes;
}

class V4CommunicatorTest : public ::testing::Test {
protected:
    void feed(const Bytes& chunk) { communicator.processChunk(chunk); }
    void feedAll(const std::vector<Bytes>& chunks) {
        for (const auto& chunk : chunks) {
            feed(chunk);
        }
    }

    TenvikTest::LinkEventRecorder link;
    V4Communicator communicator{&link};
};

TEST_F(V4CommunicatorTest, FramingOnlyChunkDeliversAnEmptyPayloadAtOnce) {
    feed({0x04, 0x0A, 0x00, 0x00, 0x00, 0x07, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x00, 0, 0, 0});
    EXPECT_THAT(link.events, ElementsAre(LinkEvent::package({}, 7)));
}

TEST_F(V4CommunicatorTest, MessageWaitsForItsLastChunkAndKeepsTheOrder) {
    const Bytes payload = counting(30, 0x40);
    const Bytes message = v4Message(payload, 9, 0x0102030405060708ULL);
    feed(slice(message, 0, 30));
    EXPECT_THAT(link.events, IsEmpty());  // not even a ready: the message waits
    feed(slice(message, 30, 50));
    EXPECT_THAT(link.events, ElementsAre(LinkEvent::package(payload, 9, 0x0102030405060708ULL)));
}

TEST_F(V4CommunicatorTest, HeaderByteTwoAndPaddingAreNotExamined) {
    Bytes message = v4Message({0x11, 0x22}, 3);
    message[2] = 0xFF;
    message[17] = 0x01;
    message[18] = 0x02;
    message[19] = 0x03;
    feed(message);
    EXPECT_THAT(link.events, ElementsAre(LinkEvent::package({0x11, 0x22}, 3)));
}

struct ErrorCase {
    const char* name;
    std::vector<Bytes> chunks;
    std::vector<LinkEvent> events;
};

class V4CommunicatorError : public ::testing::TestWithParam<ErrorCase> {};

// Each error reaches the owner once; after errors 3, 5 and 8 the link also reports ready,
// after the others it does not. The communicator then takes a fresh message.
TEST_P(V4CommunicatorError, IsReportedByCodeAndDropsTheMessage) {
    TenvikTest::LinkEventRecorder link;
    V4Communicator communicator(&link);
    for (const auto& chunk : GetParam().chunks) {
        communicator.processChunk(chunk);
    }
    EXPECT_EQ(link.events, GetParam().events);
    link.events.clear();
    communicator.processChunk(v4Message({0x5A}, 1));
    EXPECT_THAT(link.events, ElementsAre(LinkEvent::package({0x5A}, 1)));
}

const Bytes ThirtyByteMessage = v4Message(counting(30), 2);
const Bytes Hello{'h', 'e', 'l', 'l', 'o'};

INSTANTIATE_TEST_SUITE_P(
    Codes, V4CommunicatorError,
    ::testing::Values(
        ErrorCase{"DecompressionOfATruncatedStream",
                  {v4Message(slice(gzipStream(Hello), 0, gzipStream(Hello).size() - 3), 1, 0,
                             FlagGzip)},
                  {LinkEvent::error(2)}},
        ErrorCase{"DecompressionOfAnEmptyPayload", {v4Message({}, 1, 0, FlagGzip)},
                  {LinkEvent::error(2)}},
        ErrorCase{"DecompressionOfAZlibStream",
                  {v4Message({0x78, 0x9C, 0xCB, 0x48, 0xCD, 0xC9, 0xC9, 0x07, 0x00, 0x06, 0x2C,
                              0x02, 0x15},
                             1, 0, FlagGzip)},
                  {LinkEvent::error(2)}},
        ErrorCase{"FirstChunkOfNineteenBytes", {slice(v4Message({}, 1), 0, 19)},
                  {LinkEvent::error(3), LinkEvent::ready()}},
        ErrorCase{"FirstChunkOfOneByte", {{0x04}}, {LinkEvent::error(3), LinkEvent::ready()}},
        ErrorCase{"WrongVersion", {concat({0x05, 0x0A}, Bytes(18, 0))},
                  {LinkEvent::error(5), LinkEvent::ready()}},
        ErrorCase{"WrongTag", {concat({0x04, 0x0B}, Bytes(18, 0))},
                  {LinkEvent::error(5), LinkEvent::ready()}},
        ErrorCase{"ProtocolThreeHeader", {concat({0x03, 0x0A, 0x63, 0x14, 0x00}, Bytes(15, 0))},
                  {LinkEvent::error(5), LinkEvent::ready()}},
        ErrorCase{"WrongCrc", {v4Message(Hello, 1, 0, FlagCrc, 0x00)}, {LinkEvent::error(6)}},
        ErrorCase{"SecondChunkOneByteTooLong",
                  {slice(ThirtyByteMessage, 0, 30), concat(slice(ThirtyByteMessage, 30, 50), {0})},
                  {LinkEvent::error(7)}},
        ErrorCase{"FirstChunkLongerThanAnnounced", {concat(v4Message({0x01, 0x02}, 1), {0x03})},
                  {LinkEvent::error(7)}},
        ErrorCase{"EmptyChunkWhileIdle", {{}}, {LinkEvent::error(8), LinkEvent::ready()}},
        ErrorCase{"EmptyChunkDiscardsAHalfMessage",
                  {slice(ThirtyByteMessage, 0, 30), {}},
                  {LinkEvent::error(8), LinkEvent::ready()}}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST_F(V4CommunicatorTest, AfterAnEmptyChunkTheRestOfAMessageIsReadAsAFirstChunk) {
    feed(slice(ThirtyByteMessage, 0, 30));
    feed({});
    link.events.clear();
    feed(slice(ThirtyByteMessage, 30, 50));  // 20 payload bytes 0x0A.. do not start 04 0A
    EXPECT_THAT(link.events, ElementsAre(LinkEvent::error(5), LinkEvent::ready()));
}

TEST_F(V4CommunicatorTest, CorrectCrcIsDelivered) {
    // CRC-8/SMBUS of "hello" is 0x92.
    feed(v4Message(Hello, 4, 0, FlagCrc, 0x92));
    EXPECT_THAT(link.events, ElementsAre(LinkEvent::package(Hello, 4)));
}

TEST_F(V4CommunicatorTest, CrcByteIsIgnoredWithoutItsFlag) {
    feed(v4Message(Hello, 4, 0, 0x00, 0x55));
    EXPECT_THAT(link.events, ElementsAre(LinkEvent::package(Hello, 4)));
}

TEST_F(V4CommunicatorTest, GzipPayloadIsDeliveredInflated) {
    const Bytes original = counting(1000);
    feed(v4Message(gzipStream(original), 6, 77, FlagGzip));
    EXPECT_THAT(link.events, ElementsAre(LinkEvent::package(original, 6, 77)));
}

TEST_F(V4CommunicatorTest, CrcIsCheckedOnTheInflatedBytes) {
    const Bytes stream = gzipStream(Hello);
    feed(v4Message(stream, 4, 0, FlagCrc | FlagGzip, 0x92));
    EXPECT_THAT(link.events, ElementsAre(LinkEvent::package(Hello, 4)));
    link.events.clear();
    // The checksum of the compressed bytes is not the one the header must carry.
    const uint8_t compressedCrc = crc8(stream.data(), stream.size());
    ASSERT_NE(compressedCrc, 0x92);
    feed(v4Message(stream, 4, 0, FlagCrc | FlagGzip, compressedCrc));
    EXPECT_THAT(link.events, ElementsAre(LinkEvent::error(6)));
}

TEST_F(V4CommunicatorTest, UnusedFlagBitsChangeNothing) {
    feed(v4Message(Hello, 4, 0, 0xFC, 0x00));
    feed(v4Message(Hello, 4, 0, 0xFC | FlagCrc, 0x92));
    feed(v4Message(gzipStream(Hello), 4, 0, 0xFC | FlagGzip, 0x00));
    EXPECT_THAT(link.events, ElementsAre(LinkEvent::package(Hello, 4), LinkEvent::package(Hello, 4),
                                         LinkEvent::package(Hello, 4)));
}

TEST_F(V4CommunicatorTest, LargestInflatedMessageIsDelivered) {
    const Bytes original(65535, 0x33);
    feedAll(inChunks(v4Message(gzipStream(original), 1, 0, FlagGzip), 244));
    EXPECT_THAT(link.events, ElementsAre(LinkEvent::package(original, 1)));
}

TEST_F(V4CommunicatorTest, MessageInflatingBeyondSixteenBitsIsADecompressionFailure) {
    feedAll(inChunks(v4Message(gzipStream(Bytes(65536, 0x33)), 1, 0, FlagGzip), 244));
    EXPECT_THAT(link.events, ElementsAre(LinkEvent::error(2)));
}

TEST_F(V4CommunicatorTest, GzipBombIsADecompressionFailure) {
    const Bytes bomb = gzipStream(Bytes(48u << 20, 0x00));
    ASSERT_LE(bomb.size(), 65535u);
    feedAll(inChunks(v4Message(bomb, 1, 0, FlagGzip), 244));
    EXPECT_THAT(link.events, ElementsAre(LinkEvent::error(2)));
}

TEST_F(V4CommunicatorTest, OwnerMayFeedTheNextMessageFromInsideTheDelivery) {
    const Bytes next = v4Message({0x02}, 2);
    link.onPackage = [&] {
        link.onPackage = nullptr;
        feed(next);
    };
    feed(v4Message({0x01}, 1));
    EXPECT_THAT(link.events,
                ElementsAre(LinkEvent::package({0x01}, 1), LinkEvent::package({0x02}, 2)));
}

TEST_F(V4CommunicatorTest, SendFramesThePayloadBehindTwentyBytesThenReportsReady) {
    EXPECT_TRUE(communicator.send(Bytes{0xAA, 0xBB}.data(), 2, 3));
    EXPECT_THAT(link.events,
                ElementsAre(LinkEvent::sent({0x04, 0x0A, 0x00, 0x02, 0x00, 0x03, 0x00, 0, 0, 0, 0,
                                             0, 0, 0, 0, 0x00, 0x00, 0x00, 0x00, 0x00, 0xAA,
                                             0xBB}),
                            LinkEvent::ready()));
}

TEST_F(V4CommunicatorTest, SendOfALongPayloadIsNeitherCompressedNorChecksummed) {
    const Bytes payload(300, 0x41);
    EXPECT_TRUE(communicator.send(payload.data(), payload.size(), 0xBEEF));
    ASSERT_EQ(link.events.size(), 2u);
    EXPECT_EQ(link.events[0].bytes,
              concat({0x04, 0x0A, 0x00, 0x2C, 0x01, 0xEF, 0xBE, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x00,
                      0x00, 0x00, 0x00},
                     payload));
    EXPECT_EQ(link.events[1], LinkEvent::ready());
}

TEST_F(V4CommunicatorTest, SendOfAnEmptyPayloadIsTheFramingAlone) {
    EXPECT_TRUE(communicator.send(nullptr, 0, 1));
    ASSERT_EQ(link.events.size(), 2u);
    EXPECT_EQ(link.events[0].bytes, concat({0x04, 0x0A, 0x00, 0x00, 0x00, 0x01}, Bytes(14, 0)));
}

TEST_F(V4CommunicatorTest, SendDiscardsAHalfReceivedMessage) {
    feed(slice(ThirtyByteMessage, 0, 30));
    EXPECT_TRUE(communicator.send(Bytes{0x01}.data(), 1, 0));
    link.events.clear();
    feed(slice(ThirtyByteMessage, 30, 50));
    EXPECT_THAT(link.events, ElementsAre(LinkEvent::error(5), LinkEvent::ready()));
}

TEST_F(V4CommunicatorTest, NakIsTheControlByteAndTheCode) {
    communicator.sendNak(6);
    EXPECT_THAT(link.events, ElementsAre(LinkEvent::sent({0x15, 0x06})));
}

TEST_F(V4CommunicatorTest, AckAndNakBytesAreOrdinaryDataWithAcknowledgementsOff) {
    // With acknowledgements switched off a lone 0x06 or 0x15 is just a too-short first chunk.
    feed({0x06});
    feed({0x15, 0x02});
    EXPECT_THAT(link.events, ElementsAre(LinkEvent::error(3), LinkEvent::ready(),
                                         LinkEvent::error(3), LinkEvent::ready()));
}

}  // namespace
}  // namespace Tenvik
