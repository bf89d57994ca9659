#include "sync/SyncReceiver.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "SyncFrames.h"

namespace {

using Tenvik::SyncHeader;
using Tenvik::SyncReceiver;
using TenvikTest::SyncFrames::Bytes;
using namespace TenvikTest::SyncFrames;

struct Record {
    Bytes bytes;
    int recordType;
    uint64_t timestamp;
    bool operator==(const Record&) const = default;
};

struct Report {
    std::string kind;  // "state" or "progress"
    int64_t value;
    float rate;
    bool operator==(const Report&) const = default;
};

// The receiver's delegate and its host: records every record and every transfer report.
class SyncReceiverTest : public ::testing::Test, public Tenvik::SyncReceiverDelegate {
protected:
    SyncReceiverTest() {
        receiver.setHeaderSize(14);
        receiver.setPacketSize(18);
        receiver.setContext(this);
        receiver.setSyncStateCallback(&onState);
        receiver.setSyncProgressCallback(&onProgress);
    }

    void didReceiveRecord(const uint8_t* record, uint8_t length, int recordType,
                          uint64_t timestamp) override {
        records.push_back({Bytes(record, record + length), recordType, timestamp});
    }

    void feed(const Bytes& packet) {
        ASSERT_EQ(packet.size(), packetSize);
        receiver.process(packet.data());
    }
    void feed(const std::vector<Bytes>& packets) {
        for (const Bytes& packet : packets) {
            feed(packet);
        }
    }

    static void onState(void* context, int state) {
        static_cast<SyncReceiverTest*>(context)->reports.push_back({"state", state, 0.0f});
    }
    static void onProgress(void* context, uint32_t count, float rate) {
        static_cast<SyncReceiverTest*>(context)->reports.push_back({"progress", count, rate});
    }

    SyncReceiver receiver{this};
    std::vector<Record> records;
    std::vector<Report> reports;
};

constexpr uint64_t t0 = 1700000000000ull;

TEST_F(SyncReceiverTest, TextHeadersReportStartAndEnd) {
    feed(textPacket("start"));
    feed(textPacket("end"));
    EXPECT_EQ(reports, (std::vector<Report>{{"state", 0, 0.0f}, {"state", 1, 0.0f}}));
    EXPECT_TRUE(records.empty());
}

// Status headers: the state each status gives, progress with the count, data for 3, and
// nothing for the statuses above 6.
TEST_F(SyncReceiverTest, StatusHeaderTable) {
    struct Case {
        uint8_t status;
        std::vector<Report> expected;
    };
    const std::vector<Case> cases = {
        {0, {{"state", 0, 0.0f}}},
        {1, {{"state", 2, 0.0f}}},
        {2, {{"state", 1, 0.0f}}},
        {4, {{"progress", 258, -1.0f}}},
        {5, {{"state", 3, 0.0f}}},
        {6, {{"state", 4, 0.0f}}},
        {7, {}},
        {15, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.status));
        reports.clear();
        feed(statusPacket(c.status, 0x0102));
        EXPECT_EQ(reports, c.expected);
    }
    EXPECT_TRUE(records.empty());
}

// A status header of status 3 opens a group like a data header: progress with its count, then
// the records.
TEST_F(SyncReceiverTest, StatusThreeHeaderOpensAGroup) {
    Bytes first = header(2, 3, 6, 0x0007, 22, 4, t0);
    first.insert(first.end(), {1, 2, 3, 4});
    feed(first);
    Bytes second = {5, 6, 7, 8};
    second.resize(packetSize, 0xEE);
    feed(second);
    EXPECT_EQ(reports, (std::vector<Report>{{"progress", 7, -1.0f}}));
    EXPECT_EQ(records, (std::vector<Record>{{{1, 2, 3, 4}, 6, t0}, {{5, 6, 7, 8}, 6, t0}}));
    EXPECT_TRUE(receiver.expectsHeader());
}

TEST_F(SyncReceiverTest, OtherHeaderTypesReportNothing) {
    for (const uint8_t type : {uint8_t{0}, uint8_t{3}, uint8_t{5}, uint8_t{15}}) {
        Bytes packet = header(type, 0, 2, 7, 18, 4, t0);
        packet.resize(packetSize, 0);
        feed(packet);
    }
    EXPECT_TRUE(reports.empty());
    EXPECT_TRUE(records.empty());
}

TEST_F(SyncReceiverTest, ParseHeaderReadsTheWireLayout) {
    // 0x31: type 1 in the low nibble, status 3 in the high one; count 01 02 big-endian;
    // the time 1700000000000 = 0x0000018BCFE56800 little-endian.
    const Bytes packet{0x31, 0x06, 0x01, 0x02, 36, 4, 0x00, 0x68, 0xE5, 0xCF, 0x8B, 0x01,
                       0x00, 0x00, 0xAA, 0xBB, 0xCC, 0xDD};
    SyncHeader parsed;
    SyncReceiver::parseHeader(parsed, packet.data());
    EXPECT_EQ(parsed.type, 1);
    EXPECT_EQ(parsed.status, 3);
    EXPECT_EQ(parsed.recordType, 6);
    EXPECT_EQ(parsed.count, 258);
    EXPECT_EQ(parsed.byte2, 1);
    EXPECT_EQ(parsed.byte3, 2);
    EXPECT_EQ(parsed.totalLength, 36);
    EXPECT_EQ(parsed.recordLength, 4);
    EXPECT_EQ(parsed.timestamp, t0);
}

TEST_F(SyncReceiverTest, ClassifyHeaderTable) {
    struct Case {
        const char* name;
        Bytes packet;
        int expected;
    };
    const std::vector<Case> cases = {
        {"start", textPacket("start"), 0},
        {"end", textPacket("end"), 2},
        {"other text", textPacket("stop"), 3},
        {"start cut short", textPacket("star"), 3},
        {"end cut short", textPacket("en"), 3},
        {"start in a status header", [] {
             Bytes packet = textPacket("start");
             packet[0] = 0x52;  // type 2, status 5
             return packet;
         }(), 5},
        {"data", groupStart(2, 18, 4, t0, {}), 3},
        {"status 5", statusPacket(5), 5},
        {"status 9", statusPacket(9), 9},
        {"type 5", header(5, 0, 0, 0, 0, 0, 0), 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SyncHeader parsed;
        SyncReceiver::parseHeader(parsed, c.packet.data());
        EXPECT_EQ(SyncReceiver::classifyHeader(parsed), c.expected);
    }
}

TEST_F(SyncReceiverTest, OnePacketTemperatureGroupDeliversAtOnce) {
    feed(groupStart(2, 18, 4, t0, {0x10, 0x20, 0x30, 0x40}, 9));
    EXPECT_EQ(reports, (std::vector<Report>{{"progress", 9, -1.0f}}));
    EXPECT_EQ(records, (std::vector<Record>{{{0x10, 0x20, 0x30, 0x40}, 2, t0}}));
}

// Total 36, records of 4: the first packet holds one record, the second four more and then
// two bytes of a last record, which is delivered at full length with zeros. Steps have no
// record period, so all six share the header's time.
TEST_F(SyncReceiverTest, TwoPacketStepsGroupByteForByte) {
    feed(groupStart(6, 36, 4, t0, {1, 2, 3, 4}));
    feed(counting(18, 5));
    const std::vector<Record> expected = {
        {{1, 2, 3, 4}, 6, t0},     {{5, 6, 7, 8}, 6, t0},       {{9, 10, 11, 12}, 6, t0},
        {{13, 14, 15, 16}, 6, t0}, {{17, 18, 19, 20}, 6, t0},   {{21, 22, 0, 0}, 6, t0},
    };
    EXPECT_EQ(records, expected);
    // The group is complete: the next packet is a header again.
    EXPECT_TRUE(receiver.expectsHeader());
}

// Records of 18 over four packets: 4 + 14 make the first, 4 + 14 the second, 4 + 14 the
// third; ECG records are 12 ms apart.
TEST_F(SyncReceiverTest, EcgGroupOfEighteenByteRecordsOverFourPackets) {
    const Bytes payload = counting(54);
    feed(group(0, 18, t0, payload));
    ASSERT_EQ(records.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(records[i].bytes, Bytes(payload.begin() + 18 * i, payload.begin() + 18 * i + 18));
        EXPECT_EQ(records[i].timestamp, t0 + 12u * static_cast<uint64_t>(i));
        EXPECT_EQ(records[i].recordType, 0);
    }
}

// Records longer than a packet reach the decoders whole.
TEST_F(SyncReceiverTest, TwentyByteEcgRecordsTwelveMillisecondsApart) {
    const Bytes payload = counting(40);
    feed(group(0, 20, t0, payload));
    const std::vector<Record> expected = {
        {Bytes(payload.begin(), payload.begin() + 20), 0, t0},
        {Bytes(payload.begin() + 20, payload.end()), 0, t0 + 12},
    };
    EXPECT_EQ(records, expected);
}

// The longest record a header can announce: a group of 255 bytes brings 241 payload bytes,
// and the record is delivered at its full 255 bytes, the rest zero.
TEST_F(SyncReceiverTest, LongestRecordIsDeliveredWhole) {
    const Bytes payload = counting(241);
    feed(group(1, 255, t0, payload));
    ASSERT_EQ(records.size(), 1u);
    Bytes expected = payload;
    expected.resize(255, 0);
    EXPECT_EQ(records[0].bytes, expected);
}

// A "start" text arriving inside a group is payload of that group.
TEST_F(SyncReceiverTest, StartInsideAGroupIsPayload) {
    feed(groupStart(2, 36, 4, t0, {1, 2, 3, 4}));
    feed(textPacket("start"));
    EXPECT_EQ(reports, (std::vector<Report>{{"progress", 0, -1.0f}}));
    ASSERT_EQ(records.size(), 6u);
    EXPECT_EQ(records[1].bytes, (Bytes{0x01, 's', 't', 'a'}));
    EXPECT_EQ(records[2].bytes, (Bytes{'r', 't', 0, 0}));
}

// Ten ECG records advance the floor to 120 ms; a later header with time 0 is lifted to it
// only for the data versions whose records carry no device time.
TEST_F(SyncReceiverTest, TimestampFloorByDataVersion) {
    struct Case {
        int dataVersion;
        uint64_t expected;
    };
    for (const Case& c : {Case{0, 120}, Case{1, 120}, Case{2, 120}, Case{4, 120}, Case{3, 0},
                          Case{5, 0}, Case{6, 0}, Case{7, 0}}) {
        SCOPED_TRACE(c.dataVersion);
        SyncReceiver fresh(this);
        fresh.setHeaderSize(14);
        fresh.setPacketSize(18);
        fresh.setDataVersion(c.dataVersion);
        for (int i = 0; i < 10; ++i) {
            fresh.process(groupStart(0, 18, 4, 0, {}).data());
        }
        records.clear();
        fresh.process(groupStart(2, 18, 4, 0, {}).data());
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0].timestamp, c.expected);
    }
}

// The floor also holds for later records of a group, whose time advances by the period.
TEST_F(SyncReceiverTest, FloorAppliesToEveryRecordOfAGroup) {
    receiver.setDataVersion(1);
    feed(group(1, 18, 1000, counting(18)));  // floor 12
    records.clear();
    feed(group(0, 18, 0, counting(54)));
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].timestamp, 12u);
    EXPECT_EQ(records[1].timestamp, 24u);
    EXPECT_EQ(records[2].timestamp, 36u);
}

// The period between the records of a group by record type: 12 ms for ECG and respiration,
// 30 ms for type 7, none for the others. Every delivered record also moves the floor by it, so
// after a group of two records a later header stamped 0 (data version 0) gets twice the period.
TEST_F(SyncReceiverTest, RecordPeriodByRecordType) {
    struct Case {
        uint8_t recordType;
        uint64_t period;
    };
    for (const Case& c : {Case{0, 12}, Case{1, 12}, Case{7, 30}, Case{2, 0}, Case{3, 0},
                          Case{4, 0}, Case{5, 0}, Case{6, 0}, Case{8, 0}, Case{255, 0}}) {
        SCOPED_TRACE(static_cast<int>(c.recordType));
        SyncReceiver fresh(this);
        fresh.setHeaderSize(14);
        fresh.setPacketSize(18);
        fresh.setDataVersion(0);
        records.clear();
        for (const Bytes& packet : group(c.recordType, 4, t0, counting(8))) {
            fresh.process(packet.data());
        }
        fresh.process(groupStart(6, 18, 4, 0, {}).data());
        ASSERT_EQ(records.size(), 3u);
        EXPECT_EQ(records[0].timestamp, t0);
        EXPECT_EQ(records[1].timestamp, t0 + c.period);
        EXPECT_EQ(records[2].timestamp, 2 * c.period);
    }
}

TEST(SyncReceiverTimestamps, NormalizeMasksOnlyPlausibleTimesWithBit63) {
    constexpr uint64_t msb = uint64_t{1} << 63;
    struct Case {
        uint64_t raw;
        uint64_t expected;
    };
    const std::vector<Case> cases = {
        {msb | 1700000000000ull, 1700000000000ull},
        {msb | 946684800000ull, 946684800000ull},
        {msb | 4102444800000ull, 4102444800000ull},
        {msb | 946684799999ull, msb | 946684799999ull},
        {msb | 4102444800001ull, msb | 4102444800001ull},
        {1700000000000ull, 1700000000000ull},
        {msb, msb},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SyncReceiver::normalizeTimestamp(c.raw), c.expected) << c.raw;
    }
}

}  // namespace
