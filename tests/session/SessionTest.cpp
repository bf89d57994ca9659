#include "session/Session.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "InternalLogRecorder.h"
#include "SessionFrames.h"

namespace Tenvik {
namespace {

using TenvikTest::countingBytes;
using TenvikTest::SessionFrame;
using Bytes = std::vector<uint8_t>;
using Line = TenvikTest::InternalLogRecorder::Line;

constexpr uint64_t Start = 1700000000000;  // 2023-11-14
constexpr uint64_t End = 1700000060000;

Session read(const Bytes& payload, uint8_t signalCount) {
    return Session(payload.data(), static_cast<uint16_t>(payload.size()), signalCount);
}

Bytes contentOf(const ByteBuffer& buffer) {
    return Bytes(buffer.data(), buffer.data() + buffer.length());
}

void expectEmptyFrom(const Session& session, size_t first) {
    for (size_t i = first; i < Session::SignalCount; ++i) {
        EXPECT_EQ(session.signal(i).length(), 0u) << "signal " << i;
    }
}

Line warning(const std::string& text) { return {LogWarning, text}; }

std::vector<Line> warnings(const std::vector<std::string>& texts) {
    std::vector<Line> lines;
    for (const std::string& text : texts) {
        lines.push_back(warning(text));
    }
    return lines;
}

// ---- ByteBuffer --------------------------------------------------------------------------------

TEST(ByteBuffer, AppendsUpToItsCapacityAndRefusesWhatWouldNotFit) {
    uint8_t storage[5] = {9, 9, 9, 9, 9};
    ByteBuffer buffer(storage, 4);
    const uint8_t bytes[] = {1, 2, 3};
    EXPECT_TRUE(buffer.append(bytes, 3));
    EXPECT_FALSE(buffer.append(bytes, 2));
    EXPECT_EQ(buffer.length(), 3u);
    EXPECT_TRUE(buffer.append(bytes, 1));
    EXPECT_TRUE(buffer.append(nullptr, 0));
    EXPECT_EQ(buffer.length(), 4u);
    EXPECT_EQ(Bytes(storage, storage + 5), (Bytes{1, 2, 3, 1, 9}));

    buffer.clear();
    EXPECT_EQ(buffer.length(), 0u);
    EXPECT_EQ(Bytes(storage, storage + 5), (Bytes{0, 0, 0, 0, 9}));
}

TEST(ByteBuffer, CopyIntoNewStorageTakesTheBytesAndUsesThatStorage) {
    uint8_t first[4] = {};
    uint8_t second[4] = {7, 7, 7, 7};
    ByteBuffer original(first, 4);
    const uint8_t bytes[] = {5, 6};
    original.append(bytes, 2);
    ByteBuffer copy(original, second);
    EXPECT_EQ(copy.data(), second);
    EXPECT_EQ(copy.capacity(), 4u);
    EXPECT_EQ(contentOf(copy), (Bytes{5, 6}));
    original.clear();
    EXPECT_EQ(contentOf(copy), (Bytes{5, 6}));
}

// ---- Session: construction, size, copy -------------------------------------------------------

TEST(Session, StartsEmptyWithTheCapacitiesOfItsSignals) {
    const Session session;
    EXPECT_EQ(session.getTimestampStart(), 0u);
    EXPECT_EQ(session.getTimestampEnd(), 0u);
    EXPECT_EQ(session.getWearState(), 0u);
    const uint16_t capacities[] = {1000, 150, 10, 10, 10, 50, 100, 504, 900,
                                   700,  10,  10, 2,  16, 10, 2,   120, 32};
    for (size_t i = 0; i < Session::SignalCount; ++i) {
        EXPECT_EQ(session.signal(i).capacity(), capacities[i]) << "signal " << i;
        EXPECT_EQ(session.signal(i).length(), 0u);
    }
    EXPECT_EQ(session.signal(SessionSignal::gps).capacity(), 32u);
    EXPECT_EQ(session.serializedSize(), 53u);
}

TEST(Session, HoldsItsStorageInsideItself) {
    const Session session;
    const auto* begin = reinterpret_cast<const uint8_t*>(&session);
    const auto* end = begin + sizeof(Session);
    for (size_t i = 0; i < Session::SignalCount; ++i) {
        const ByteBuffer& buffer = session.signal(i);
        EXPECT_GE(buffer.data(), begin);
        EXPECT_LE(buffer.data() + buffer.capacity(), end);
        if (i > 0) {
            const ByteBuffer& previous = session.signal(i - 1);
            EXPECT_EQ(buffer.data(), previous.data() + previous.capacity()) << "signal " << i;
        }
    }
}

// Every block at its signal's capacity: 17 + 18 x 2 + 3636 bytes.
Bytes fullSession() {
    SessionFrame frame(Start, End, 4);
    for (size_t i = 0; i < Session::SignalCount; ++i) {
        frame.block(countingBytes(Session::Capacities[i], static_cast<uint8_t>(i * 11)));
    }
    return frame.data();
}

TEST(Session, ReadsEveryBlockAtItsFullCapacity) {
    const Bytes payload = fullSession();
    ASSERT_EQ(payload.size(), 3689u);
    TenvikTest::InternalLogRecorder log;
    const Session session = read(payload, 18);
    EXPECT_TRUE(log.lines().empty());
    EXPECT_EQ(session.getTimestampStart(), Start);
    EXPECT_EQ(session.getTimestampEnd(), End);
    EXPECT_EQ(session.getWearState(), 4u);
    for (size_t i = 0; i < Session::SignalCount; ++i) {
        EXPECT_EQ(contentOf(session.signal(i)),
                  countingBytes(Session::Capacities[i], static_cast<uint8_t>(i * 11)))
            << "signal " << i;
    }
    EXPECT_EQ(session.serializedSize(), 3689u);
}

TEST(Session, CopyHoldsItsOwnBytes) {
    const Bytes payload = SessionFrame(Start, End, 2)
                              .block({1, 2, 3})
                              .emptyBlocks(15)
                              .block({9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 1, 2})
                              .block(countingBytes(32, 100))
                              .data();
    Session original = read(payload, 18);
    const Session copy(original);
    original.clear();
    EXPECT_EQ(original.serializedSize(), 53u);
    EXPECT_EQ(original.getTimestampStart(), 0u);

    EXPECT_EQ(copy.getTimestampStart(), Start);
    EXPECT_EQ(copy.getTimestampEnd(), End);
    EXPECT_EQ(copy.getWearState(), 2u);
    EXPECT_EQ(contentOf(copy.signal(SessionSignal::ecg)), (Bytes{1, 2, 3}));
    EXPECT_EQ(contentOf(copy.signal(SessionSignal::eda)),
              (Bytes{9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 1, 2}));
    EXPECT_EQ(contentOf(copy.signal(SessionSignal::gps)), countingBytes(32, 100));
    EXPECT_EQ(copy.serializedSize(), 53u + 3 + 12 + 32);
    const auto* begin = reinterpret_cast<const uint8_t*>(&copy);
    for (size_t i = 0; i < Session::SignalCount; ++i) {
        EXPECT_GE(copy.signal(i).data(), begin);
        EXPECT_LT(copy.signal(i).data(), begin + sizeof(Session));
    }
}

TEST(Session, ClearEmptiesAndZeroesEverySignal) {
    Session session = read(fullSession(), 18);
    session.clear();
    EXPECT_EQ(session.getTimestampStart(), 0u);
    EXPECT_EQ(session.getTimestampEnd(), 0u);
    EXPECT_EQ(session.getWearState(), 0u);
    for (size_t i = 0; i < Session::SignalCount; ++i) {
        const ByteBuffer& buffer = session.signal(i);
        EXPECT_EQ(buffer.length(), 0u);
        EXPECT_EQ(Bytes(buffer.data(), buffer.data() + buffer.capacity()),
                  Bytes(buffer.capacity(), 0))
            << "signal " << i;
    }
}

// ---- deserialize: the time window -------------------------------------------------------------

struct WindowCase {
    const char* label;
    uint64_t start;
    uint64_t end;
    uint64_t expectedStart;
    uint64_t expectedEnd;
    std::vector<std::string> warnings;
};

class SessionTimeWindow : public ::testing::TestWithParam<WindowCase> {};

TEST_P(SessionTimeWindow, KeepsTimesInsideTheWindowAndResetsTheOthers) {
    const WindowCase& c = GetParam();
    const Bytes payload = SessionFrame(c.start, c.end, 1).emptyBlocks(18).data();
    TenvikTest::InternalLogRecorder log;
    const Session session = read(payload, 18);
    EXPECT_EQ(session.getTimestampStart(), c.expectedStart);
    EXPECT_EQ(session.getTimestampEnd(), c.expectedEnd);
    EXPECT_EQ(log.lines(), warnings(c.warnings));
}

INSTANTIATE_TEST_SUITE_P(
    Bounds, SessionTimeWindow,
    ::testing::Values(
        WindowCase{"BothEndsOfTheWindow", 946684800000, 4102444800000, 946684800000,
                   4102444800000, {}},
        WindowCase{"StartJustBefore2000", 946684799999, End, 0, End,
                   {"Session::deserialize: invalid timestampStart: 946684799999, resetting to 0"}},
        WindowCase{"EndJustAfter2100", Start, 4102444800001, Start, 0,
                   {"Session::deserialize: invalid timestampEnd: 4102444800001, resetting to 0"}},
        WindowCase{"BothOutside", 0, UINT64_MAX, 0, 0,
                   {"Session::deserialize: invalid timestampStart: 0, resetting to 0",
                    "Session::deserialize: invalid timestampEnd: 18446744073709551615, "
                    "resetting to 0"}},
        // The end is compared with the start only when both are valid.
        WindowCase{"InvalidStartAboveAValidEnd", 4102444800001, 946684800000, 0, 946684800000,
                   {"Session::deserialize: invalid timestampStart: 4102444800001, resetting to 0"}},
        WindowCase{"EndOneMillisecondBeforeStart", Start, Start - 1, Start, Start - 1,
                   {"Session::deserialize: timestampEnd (1699999999999) < timestampStart "
                    "(1700000000000)"}},
        WindowCase{"EndEqualToStart", Start, Start, Start, Start, {}}),
    [](const auto& caseInfo) { return std::string(caseInfo.param.label); });

// ---- deserialize: payloads and blocks ---------------------------------------------------------

TEST(SessionDeserialize, EmptyPayloadLeavesTheSessionZero) {
    const Bytes bytes = SessionFrame(Start, End, 3).data();
    TenvikTest::InternalLogRecorder log;
    const Session fromNull(nullptr, 17, 18);
    const Session fromZeroSize(bytes.data(), 0, 18);
    for (const Session* session : {&fromNull, &fromZeroSize}) {
        EXPECT_EQ(session->getTimestampStart(), 0u);
        EXPECT_EQ(session->getWearState(), 0u);
        EXPECT_EQ(session->serializedSize(), 53u);
    }
    EXPECT_EQ(log.lines(), (std::vector<Line>{warning("Session::deserialize: empty payload"),
                                              warning("Session::deserialize: empty payload")}));
}

TEST(SessionDeserialize, PayloadShorterThanTheHeaderReadsNothing) {
    Bytes payload = SessionFrame(Start, End, 3).data();
    payload.pop_back();  // 16 bytes
    TenvikTest::InternalLogRecorder log;
    const Session session = read(payload, 18);
    EXPECT_EQ(session.getTimestampStart(), 0u);
    EXPECT_EQ(session.getTimestampEnd(), 0u);
    EXPECT_EQ(session.getWearState(), 0u);
    EXPECT_EQ(log.lines(),
              (std::vector<Line>{warning("Session::deserialize: not enough bytes for session header "
                                         "(required=17, offset=0, payload=16)")}));
}

TEST(SessionDeserialize, HeaderAloneKeepsTheHeaderAndReportsTheMissingLength) {
    const Bytes payload = SessionFrame(Start, End, 5).data();
    TenvikTest::InternalLogRecorder log;
    const Session session = read(payload, 1);
    EXPECT_EQ(session.getTimestampStart(), Start);
    EXPECT_EQ(session.getTimestampEnd(), End);
    EXPECT_EQ(session.getWearState(), 5u);
    EXPECT_EQ(log.lines(),
              (std::vector<Line>{
                  warning("Session::deserialize: signal count below expected minimum, continuing"),
                  warning("Session::deserialize: not enough bytes for signal size (required=2, "
                          "offset=17, payload=17)")}));
}

TEST(SessionDeserialize, LengthFieldCutInHalfStopsTheReading) {
    Bytes payload = SessionFrame(Start, End, 0).block({1, 2, 3}).data();
    payload.push_back(0x05);  // one byte of signal 1's length
    TenvikTest::InternalLogRecorder log;
    const Session session = read(payload, 15);
    EXPECT_EQ(contentOf(session.signal(SessionSignal::ecg)), (Bytes{1, 2, 3}));
    expectEmptyFrom(session, 1);
    EXPECT_EQ(log.lines(),
              (std::vector<Line>{warning("Session::deserialize: not enough bytes for signal size "
                                         "(required=2, offset=22, payload=23)")}));
}

TEST(SessionDeserialize, BlockCutShortKeepsTheSignalsBeforeIt) {
    SessionFrame frame(Start, End, 0);
    for (int i = 0; i < 5; ++i) {
        frame.block(countingBytes(4, static_cast<uint8_t>(16 * i)));
    }
    frame.lengthField(6).raw({1, 2, 3});  // signal 5 announces 6 bytes and brings 3
    const Bytes payload = frame.data();
    TenvikTest::InternalLogRecorder log;
    const Session session = read(payload, 18);
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(contentOf(session.signal(i)), countingBytes(4, static_cast<uint8_t>(16 * i)));
    }
    expectEmptyFrom(session, 5);
    // Signal 5's bytes start after 17 header bytes and five blocks of 2 + 4.
    EXPECT_EQ(log.lines(),
              (std::vector<Line>{warning("Session::deserialize: not enough bytes for signal "
                                         "payload (required=6, offset=49, payload=52)")}));
}

TEST(SessionDeserialize, BlockOverItsCapacityIsSkippedAndTheNextOneRead) {
    const Bytes payload = SessionFrame(Start, End, 0)
                              .block(Bytes(1001, 0xEE))
                              .block({4, 5, 6})
                              .emptyBlocks(14)
                              .block(Bytes(3, 0xAA))  // signal 16, beyond a count of 16
                              .data();
    TenvikTest::InternalLogRecorder log;
    const Session session = read(payload, 16);
    EXPECT_EQ(session.signal(SessionSignal::ecg).length(), 0u);
    EXPECT_EQ(contentOf(session.signal(SessionSignal::respiration)), (Bytes{4, 5, 6}));
    expectEmptyFrom(session, 2);
    EXPECT_EQ(log.lines(),
              (std::vector<Line>{warning("Session::deserialize: Buffer overflow for signal 0, "
                                         "size 1001 > cap 1000. Skipping.")}));
}

TEST(SessionDeserialize, ReadsOnlyTheFirst4000Bytes) {
    // Signal 1 announces 3000 bytes. They are in the payload, but end past byte 4000: the
    // block is cut short rather than over its capacity.
    SessionFrame frame(Start, End, 0);
    frame.block(Bytes(1000, 0x11)).block(Bytes(3000, 0x22));
    Bytes payload = frame.data();
    payload.resize(4500, 0x33);
    TenvikTest::InternalLogRecorder log;
    const Session session = read(payload, 18);
    EXPECT_EQ(contentOf(session.signal(SessionSignal::ecg)), Bytes(1000, 0x11));
    expectEmptyFrom(session, 1);
    EXPECT_EQ(log.lines(),
              (std::vector<Line>{
                  warning("Session::deserialize: payload larger than MaxSerializedSize, truncating"),
                  warning("Session::deserialize: not enough bytes for signal payload "
                          "(required=3000, offset=1021, payload=4000)")}));
}

// Bytes after the last block are ignored; only a payload over 4000 bytes is cut.
TEST(SessionDeserialize, OnlyAPayloadOver4000BytesIsTruncated) {
    for (const size_t size : {size_t{4000}, size_t{4001}}) {
        Bytes payload = fullSession();
        payload.resize(size, 0x33);
        TenvikTest::InternalLogRecorder log;
        const Session session = read(payload, 18);
        EXPECT_EQ(session.serializedSize(), 3689u) << size;
        EXPECT_EQ(log.lines(),
                  size > 4000 ? warnings({"Session::deserialize: payload larger than "
                                          "MaxSerializedSize, truncating"})
                              : std::vector<Line>{})
            << size;
    }
}

struct CountCase {
    const char* label;
    uint8_t signalCount;
    size_t signalsRead;
    std::vector<std::string> warnings;
};

class SessionSignalCount : public ::testing::TestWithParam<CountCase> {};

TEST_P(SessionSignalCount, ReadsThatManyBlocksAndLeavesTheRestEmpty) {
    const CountCase& c = GetParam();
    SessionFrame frame(Start, End, 0);
    for (size_t i = 0; i < Session::SignalCount; ++i) {
        frame.block({static_cast<uint8_t>(i + 1)});
    }
    // No nineteenth block: reading one would report its missing length.
    TenvikTest::InternalLogRecorder log;
    const Session session = read(frame.data(), c.signalCount);
    for (size_t i = 0; i < Session::SignalCount; ++i) {
        const Bytes expected = i < c.signalsRead ? Bytes{static_cast<uint8_t>(i + 1)} : Bytes{};
        EXPECT_EQ(contentOf(session.signal(i)), expected) << "signal " << i;
    }
    EXPECT_EQ(log.lines(), warnings(c.warnings));
}

const char* const countAbove = "Session::deserialize: signal count exceeds supported range, truncating";
const char* const countBelow = "Session::deserialize: signal count below expected minimum, continuing";

INSTANTIATE_TEST_SUITE_P(
    Counts, SessionSignalCount,
    ::testing::Values(CountCase{"Zero", 0, 0, {countBelow}},
                      CountCase{"Fourteen", 14, 14, {countBelow}},
                      CountCase{"Fifteen", 15, 15, {}}, CountCase{"Sixteen", 16, 16, {}},
                      CountCase{"Eighteen", 18, 18, {}},
                      CountCase{"Nineteen", 19, 18, {countAbove}},
                      CountCase{"TwoHundredFiftyFive", 255, 18, {countAbove}}),
    [](const auto& caseInfo) { return std::string(caseInfo.param.label); });

TEST(SessionDeserialize, ReadingIntoAFilledSessionAppendsUntilTheCapacityIsReached) {
    const Bytes payload = SessionFrame(Start, End, 0).block(Bytes(600, 0x01)).block({7}).data();
    Session session = read(payload, 15);
    TenvikTest::InternalLogRecorder log;
    session.deserialize(payload.data(), static_cast<uint16_t>(payload.size()), 15);
    EXPECT_EQ(session.signal(SessionSignal::ecg).length(), 600u);
    EXPECT_EQ(contentOf(session.signal(SessionSignal::respiration)), (Bytes{7, 7}));
    EXPECT_EQ(log.lines(),
              (std::vector<Line>{
                  warning("Session::deserialize: Failed to append data for signal 0 (size 600)"),
                  warning("Session::deserialize: not enough bytes for signal size (required=2, "
                          "offset=622, payload=622)")}));
}

}  // namespace
}  // namespace Tenvik
