#include "link/UnifiedBLEManager.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "ChunkCuts.h"
#include "InternalLogRecorder.h"
#include "DeviceFrames.h"
#include "link/UnifiedBLEAdapter.h"

namespace Tenvik {
namespace {

using Bytes = std::vector<uint8_t>;
using namespace TenvikTest::DeviceFrames;
using TenvikTest::DeviceFrames::joined;

struct Package {
    Bytes payload;
    uint16_t pid;
    uint64_t options;
    DataType type;
    bool operator==(const Package&) const = default;
};

// The owner's side of the four link callbacks, in call order.
struct Owner {
    std::vector<Package> packages;
    std::vector<Bytes> sends;
    std::vector<std::string> errors;
    std::vector<std::string> order;

    void install(UnifiedBLEManager& manager) {
        manager.setCallbacks(
            [this](const uint8_t* data, int length) {
                sends.emplace_back(data, data + length);
                order.push_back("send");
            },
            [this]() { order.push_back("ready"); },
            [this](const Bytes& payload, uint16_t pid, uint64_t options, DataType type) {
                packages.push_back({payload, pid, options, type});
                order.push_back("package");
            },
            [this](const std::string& message) {
                errors.push_back(message);
                order.push_back("error");
            });
    }
    void clear() { *this = Owner{}; }
};

void feed(UnifiedBLEManager& manager, const Bytes& chunk) {
    manager.processChunk(chunk.data(), static_cast<int>(chunk.size()));
}

// ---- Protocol selection --------------------------------------------------------------------

struct SelectionCase {
    const char* firmware;
    int protocol;
};

class FirmwareProtocol : public ::testing::TestWithParam<SelectionCase> {};

TEST_P(FirmwareProtocol, ChosenFromTheFirstThreeNumbers) {
    UnifiedBLEManager manager;
    EXPECT_EQ(manager.getProtocolVersion(), 3);
    manager.setFirmwareVersion(GetParam().firmware);
    EXPECT_EQ(manager.getProtocolVersion(), GetParam().protocol);
    EXPECT_EQ(manager.isV4(), GetParam().protocol == 4);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, FirmwareProtocol,
    ::testing::Values(SelectionCase{"2.2.14", 1}, SelectionCase{"2.2.15", 2},
                      SelectionCase{"2.2.17", 2}, SelectionCase{"2.2.18", 3},
                      SelectionCase{"2.3.0", 1}, SelectionCase{"3.0.0", 3},
                      SelectionCase{"4.0.0", 4}, SelectionCase{"10.1.2", 4},
                      SelectionCase{"1.0.0", 1}, SelectionCase{"0.9.9", 1},
                      SelectionCase{"fw 2.2.16-rc1", 2}, SelectionCase{"2.2.15.99", 2},
                      SelectionCase{"2.2", 3}, SelectionCase{"4.0", 3}, SelectionCase{"7", 3},
                      SelectionCase{"99999999999.0.0", 4}));

TEST(FirmwareVersionText, SearchesTheFirstTriple) {
    const VersionTriple triple = UnifiedBLEManager::parseFirmwareVersion("build 3.6.62.1 x 4.0.0");
    EXPECT_EQ(triple.major, 3);
    EXPECT_EQ(triple.minor, 6);
    EXPECT_EQ(triple.patch, 62);
}

TEST(FirmwareVersionText, WithoutATripleFallsBackToThreeWithAWarning) {
    TenvikTest::InternalLogRecorder log;
    const VersionTriple triple = UnifiedBLEManager::parseFirmwareVersion("4.0");
    EXPECT_EQ(triple.major, 3);
    EXPECT_EQ(triple.minor, 0);
    EXPECT_EQ(triple.patch, 0);
    EXPECT_EQ(log.lines(), (std::vector<TenvikTest::InternalLogRecorder::Line>{
                               {LogWarning, "Failed to parse firmware version: 4.0, defaulting to 3.0.0"}}));
}

TEST(ProtocolInitialisation, ForcedProtocolIgnoresTheFirmware) {
    UnifiedBLEManager manager(2);
    manager.setFirmwareVersion("4.0.0");
    EXPECT_EQ(manager.getProtocolVersion(), 2);
}

TEST(ProtocolInitialisation, HappensOnceAndLazilyOnTheFirstChunk) {
    UnifiedBLEManager manager;
    Owner owner;
    owner.install(manager);
    TenvikTest::InternalLogRecorder log;
    feed(manager, v3Message({0x01}, 4));
    EXPECT_TRUE(log.contains(LogDebug, "Initializing protocol...\n"));
    EXPECT_EQ(owner.packages, (std::vector<Package>{{{0x01}, 4, 0, ProcessData}}));
    manager.initializeProtocol();
    EXPECT_TRUE(log.contains(LogDebug, "Protocol already initialized, skipping"));
}

struct RangeCase {
    const char* firmware;
    bool inRange;
};

class FirmwareRange : public ::testing::TestWithParam<RangeCase> {};

TEST_P(FirmwareRange, CoversProtocolThreeFrom3_2_23To3_6_61) {
    UnifiedBLEManager manager;
    manager.setFirmwareVersion(GetParam().firmware);
    EXPECT_EQ(manager.isFirmwareInRange(), GetParam().inRange);
}

INSTANTIATE_TEST_SUITE_P(Texts, FirmwareRange,
                         ::testing::Values(RangeCase{"3.2.22", false}, RangeCase{"3.2.23", true},
                                           RangeCase{"3.4.0", true}, RangeCase{"3.6.61", true},
                                           RangeCase{"3.6.62", false}, RangeCase{"3.7.0", false},
                                           RangeCase{"2.2.18", false}, RangeCase{"4.0.0", false}));

// ---- Receiving -------------------------------------------------------------------------------

TEST(ProtocolOneReceive, DeliversEachChunkWholeAsProcessData) {
    UnifiedBLEManager manager(1);
    Owner owner;
    owner.install(manager);
    const Bytes chunk{0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07};
    feed(manager, chunk);
    feed(manager, {});
    EXPECT_EQ(owner.packages,
              (std::vector<Package>{{chunk, 0, 0, ProcessData}, {{}, 0, 0, ProcessData}}));
    EXPECT_TRUE(owner.errors.empty());
}

TEST(ProtocolTwoReceive, TypeByteDecidesTheDataType) {
    UnifiedBLEManager manager(2);
    Owner owner;
    owner.install(manager);
    feed(manager, joined({v2Packet(0, {0x01}), v2Packet(1, {0x02}), v2Packet(0x80, {0x03})}));
    EXPECT_EQ(owner.packages, (std::vector<Package>{{{0x01}, 0, 0, SystemData},
                                                    {{0x02}, 0, 0, ProcessData},
                                                    {{0x03}, 0, 0, ProcessData}}));
}

TEST(ProtocolTwoReceive, OwnerMayFeedTheNextChunkFromInsideTheCallback) {
    UnifiedBLEManager manager(2);
    std::vector<Bytes> seen;
    const Bytes second = v2Packet(0, {0x22, 0x22, 0x22});
    manager.setCallbacks(nullptr, nullptr,
                         [&](const Bytes& payload, uint16_t, uint64_t, DataType) {
                             const Bytes copy = payload;
                             if (seen.empty()) {
                                 seen.push_back({});
                                 feed(manager, second);
                             }
                             // The payload handed in is still intact after the nested call.
                             EXPECT_EQ(payload, copy);
                             seen.push_back(payload);
                         },
                         nullptr);
    feed(manager, joined({v2Packet(0, {0x11}), v2Packet(0, {0x33})}));
    // The nested chunk waits until the chunk in progress is done: 0x33 arrived before it.
    EXPECT_EQ(seen, (std::vector<Bytes>{{}, {0x11}, {0x33}, {0x22, 0x22, 0x22}}));
}

TEST(ProtocolThreeReceive, DeliversPidOptionsAndType) {
    UnifiedBLEManager manager(3);
    Owner owner;
    owner.install(manager);
    feed(manager, v3Message({0xAA}, 0));
    feed(manager, v31Header(2, 1, 0x0203, 0x1122334455667788ull));
    feed(manager, {0xBB, 0xCC});
    EXPECT_EQ(owner.packages,
              (std::vector<Package>{{{0xAA}, 0, 0, SystemData},
                                    {{0xBB, 0xCC}, 0x0203, 0x1122334455667788ull, ProcessData}}));
}

TEST(ProtocolThreeReceive, RefusedChunkIsLoggedWithItsSize) {
    UnifiedBLEManager manager(3);
    Owner owner;
    owner.install(manager);
    TenvikTest::InternalLogRecorder log;
    feed(manager, {0x03, 0x0A, 0x63, 0x07, 0x00, 0x01});
    EXPECT_TRUE(log.contains(LogWarning, "V3 PackageProcessor rejected chunk of size 6"));
    EXPECT_TRUE(owner.packages.empty());
}

TEST(InvalidLength, RefusedBeforeAnyProtocolWork) {
    for (int protocol = 1; protocol <= 4; ++protocol) {
        UnifiedBLEManager manager(protocol);
        Owner owner;
        owner.install(manager);
        const uint8_t bytes[] = {0x02, 0x0A, 0x00, 0x06, 0x00, 0x01};
        manager.processChunk(bytes, -6);
        manager.processChunk(nullptr, 6);
        EXPECT_FALSE(manager.sendBytes(bytes, -1, 1, 1));
        EXPECT_FALSE(manager.sendBytes(nullptr, 1, 1, 1));
        EXPECT_TRUE(owner.order.empty()) << protocol;
    }
}

// Every framing counts its length in 16 bits: protocols 2 and 3 count the header with the
// payload, protocol 4 the payload alone. The longest payload that fits is framed with that
// exact length; one byte more would wrap the field, so it is refused and nothing is sent.
std::string text(std::initializer_list<std::string> parts) {
    std::string all;
    for (const auto& part : parts) {
        all += part;
    }
    return all;
}

struct SendLimitCase {
    int protocol;
    int longest;
    Bytes lengthField;  // bytes 3 and 4 of the longest payload's packet
};

class SendLimit : public ::testing::TestWithParam<SendLimitCase> {};

TEST_P(SendLimit, LongestPayloadIsFramedAndOneMoreByteIsRefused) {
    const SendLimitCase& c = GetParam();
    UnifiedBLEManager manager(c.protocol);
    Owner owner;
    owner.install(manager);
    TenvikTest::InternalLogRecorder log;
    const Bytes payload(static_cast<size_t>(c.longest) + 1, 0x5A);
    EXPECT_TRUE(manager.sendBytes(payload.data(), c.longest, 1, 1));
    ASSERT_EQ(owner.sends.size(), 1u);
    EXPECT_EQ(Bytes(owner.sends[0].begin() + 3, owner.sends[0].begin() + 5), c.lengthField);

    owner.clear();
    log.clear();
    EXPECT_FALSE(manager.sendBytes(payload.data(), c.longest + 1, 1, 1));
    EXPECT_TRUE(owner.order.empty());
    EXPECT_TRUE(log.contains(
        LogWarning, text({"UnifiedBLEManager::sendBytes - refused payload of ",
                          std::to_string(c.longest + 1), " bytes, more than a protocol-",
                          std::to_string(c.protocol), " packet carries (",
                          std::to_string(c.longest), ")"})));
    // A length that no int-sized packet could hold is refused the same way, unread.
    const uint8_t byte = 0x01;
    EXPECT_FALSE(manager.sendBytes(&byte, INT_MAX - 4, 1, 1));
    EXPECT_TRUE(owner.order.empty());
}

INSTANTIATE_TEST_SUITE_P(Protocols, SendLimit,
                         ::testing::Values(SendLimitCase{2, 65530, {0xFF, 0xFF}},
                                           SendLimitCase{3, 65528, {0xFF, 0xFF}},
                                           SendLimitCase{4, 65535, {0xFF, 0xFF}}),
                         [](const auto& caseInfo) {
                             return std::string("V").append(std::to_string(caseInfo.param.protocol));
                         });

// A chunk longer than any message of its protocol is refused before a byte of it is copied,
// scanned or cut to 16 bits. Each protocol's longest chunk still does its usual work.
struct ChunkLimitCase {
    int protocol;
    int longest;
    Bytes before;             // a chunk fed first
    Bytes prefix;             // the start of the longest chunk; zeros fill the rest
    size_t deliveredPayload;  // payload size that chunk delivers
};

class ChunkLimit : public ::testing::TestWithParam<ChunkLimitCase> {};

TEST_P(ChunkLimit, LongestChunkIsTakenAndOneMoreByteIsRefused) {
    const ChunkLimitCase& c = GetParam();
    UnifiedBLEManager manager(c.protocol);
    Owner owner;
    owner.install(manager);
    TenvikTest::InternalLogRecorder log;
    Bytes chunk = c.prefix;
    chunk.resize(static_cast<size_t>(c.longest) + 1, 0x00);
    if (!c.before.empty()) {
        feed(manager, c.before);
    }
    manager.processChunk(chunk.data(), c.longest);
    ASSERT_EQ(owner.packages.size(), 1u);
    EXPECT_EQ(owner.packages[0].payload.size(), c.deliveredPayload);

    owner.clear();
    if (!c.before.empty()) {
        feed(manager, c.before);
    }
    log.clear();
    manager.processChunk(chunk.data(), c.longest + 1);
    EXPECT_TRUE(owner.order.empty());
    EXPECT_EQ(log.lines().size(), 1u);
    EXPECT_TRUE(log.contains(
        LogWarning, text({"UnifiedBLEManager::processChunk - refused chunk of ",
                          std::to_string(c.longest + 1), " bytes, more than a protocol-",
                          std::to_string(c.protocol), " message carries (",
                          std::to_string(c.longest), ")"})));
}

INSTANTIATE_TEST_SUITE_P(
    Protocols, ChunkLimit,
    ::testing::Values(
        // Protocol 1: the chunk is the message.
        ChunkLimitCase{1, 65535, {}, {}, 65535},
        // Protocol 2: one packet whose length field says 65535.
        ChunkLimitCase{2, 65535, {}, {0x02, 0x0A, 0x00, 0xFF, 0xFF}, 65530},
        // Protocol 3: the largest package in one chunk, a 7-byte header announcing 3107 bytes
        // and its 3100-byte payload.
        ChunkLimitCase{3, 3107, {}, {0x03, 0x0A, 0x63, 0x23, 0x0C, 0x01, 0x00}, 3100},
        // Protocol 4: the framing and a 65535-byte payload in one chunk.
        ChunkLimitCase{4, 65555, {}, {0x04, 0x0A, 0x00, 0xFF, 0xFF}, 65535}),
    [](const auto& caseInfo) { return std::string("V").append(std::to_string(caseInfo.param.protocol)); });

TEST(ChunkLimit, ProtocolThreeChunkIsNotCutToItsLow16Bits) {
    // 65536 + 10 bytes used to reach the reassembly as a 10-byte header chunk.
    UnifiedBLEManager manager(3);
    Owner owner;
    owner.install(manager);
    Bytes chunk{0x03, 0x0A, 0x63, 0x0A, 0x00, 0x01, 0x00, 0xAA, 0xBB, 0xCC};
    chunk.resize(65536 + 10, 0x00);
    feed(manager, chunk);
    EXPECT_TRUE(owner.order.empty());
}

// ---- Chunk-split property, with the packages' contents ---------------------------------------

struct SplitCase {
    const char* label;
    int protocol;
    std::vector<Bytes> messages;
    std::vector<Package> packages;
    size_t headerAlone;  // bytes that travel as a chunk of their own first, or 0
    size_t firstMin;     // least bytes of the first cut chunk
    size_t maxCuts;
};

class ChunkSplit : public ::testing::TestWithParam<SplitCase> {};

// Each message is cut in every way its protocol allows (the header in the first chunk), and
// the messages follow each other, so that a cut also shows whether state carries over.
TEST_P(ChunkSplit, EveryAllowedCutDeliversTheSamePackages) {
    UnifiedBLEManager manager(GetParam().protocol);
    Owner owner;
    owner.install(manager);
    for (size_t m = 0; m < GetParam().messages.size(); ++m) {
        size_t ways = 0;
        const Bytes& message = GetParam().messages[m];
        const auto split = static_cast<std::ptrdiff_t>(GetParam().headerAlone);
        const Bytes header(message.begin(), message.begin() + split);
        const Bytes rest(message.begin() + split, message.end());
        TenvikTest::forEachCut(rest, GetParam().firstMin, GetParam().maxCuts,
                               [&](const std::vector<Bytes>& chunks) {
                                   owner.clear();
                                   if (!header.empty()) {
                                       feed(manager, header);
                                   }
                                   for (const Bytes& chunk : chunks) {
                                       feed(manager, chunk);
                                   }
                                   ASSERT_EQ(owner.packages,
                                             std::vector<Package>{GetParam().packages[m]})
                                       << "message " << m << " in " << chunks.size() << " chunks";
                                   ASSERT_TRUE(owner.errors.empty());
                                   ++ways;
                               });
        EXPECT_GE(ways, 1u);
    }
}

Bytes bytesOf(const char* text) { return Bytes(text, text + std::char_traits<char>::length(text)); }

INSTANTIATE_TEST_SUITE_P(
    Messages, ChunkSplit,
    ::testing::Values(
        SplitCase{"ProtocolThreeHeaders", 3,
                  {v3Message({0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18}, 0x0102),
                   v3Message({0x20, 0x21}, 0), v3Message({}, 9)},
                  {{{0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18}, 0x0102, 0, ProcessData},
                   {{0x20, 0x21}, 0, 0, SystemData},
                   {{}, 9, 0, ProcessData}},
                  0, 7, 64},
        // The 14-byte header travels alone; the payload may be cut anywhere after it.
        SplitCase{"ProtocolThreeV31Header", 3,
                  {joined({v31Header(9, 3, 0x0A0B, 0xFEDCBA9876543210ull),
                           {1, 2, 3, 4, 5, 6, 7, 8, 9}})},
                  {{{1, 2, 3, 4, 5, 6, 7, 8, 9}, 0x0A0B, 0xFEDCBA9876543210ull, ProcessData}},
                  14, 1, 64},
        SplitCase{"ProtocolFourPlainAndCrc", 4,
                  {v4Message({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 7, 0x0102030405060708ull, 0, 0),
                   v4Message(bytesOf("123456789"), 0, 0, 0x01, 0xF4)},
                  {{{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 7, 0x0102030405060708ull, ProcessData},
                   {bytesOf("123456789"), 0, 0, SystemData}},
                  0, 20, 64},
        // Thirty-three carried bytes: every cut into up to three chunks.
        SplitCase{"ProtocolFourGzipWithCrc", 4,
                  {v4Message(statusGzip(), 3, 42, 0x03, statusCrc)},
                  {{bytesOf(statusText), 3, 42, ProcessData}},
                  0, 20, 2}),
    [](const auto& caseInfo) { return std::string(caseInfo.param.label); });

// ---- Sending -----------------------------------------------------------------------------------

TEST(SendWithoutCallback, ProtocolsTwoAndThreeLogAndReportSuccess) {
    for (int protocol : {2, 3}) {
        UnifiedBLEManager manager(protocol);
        TenvikTest::InternalLogRecorder log;
        const uint8_t byte = 0x01;
        EXPECT_TRUE(manager.sendBytes(&byte, 1, 1, 1));
        EXPECT_TRUE(log.contains(LogWarning, "V3 sendBytes: ERROR - sendCallback is NULL!\n"));
        EXPECT_TRUE(log.contains(LogDebug,
                                           "Sending bytes via protocol V" + std::to_string(protocol) +
                                               ", size: 1"));
    }
}

TEST(ProtocolOneSend, IsRefusedThroughTheErrorCallback) {
    UnifiedBLEManager manager(1);
    Owner owner;
    owner.install(manager);
    const uint8_t byte = 0x01;
    EXPECT_FALSE(manager.sendBytes(&byte, 1, 0, 0));
    EXPECT_EQ(owner.order, (std::vector<std::string>{"error"}));
    EXPECT_EQ(owner.errors[0],
              "V1 protocol (pre-March 2017 devices) supports sensor streaming only, not "
              "bidirectional commands. This is expected behavior.");
}

TEST(OwnerCallbacks, MayBeReplacedFromInsideTheRunningOne) {
    UnifiedBLEManager manager(3);
    std::vector<std::string> calls;
    // A capture too large for the callable's inline storage: destroying it while it runs
    // would free what it is still reading.
    const std::string label(64, 's');
    manager.setCallbacks(
        [&, label](const uint8_t*, int) {
            manager.setCallbacks([&](const uint8_t*, int) { calls.push_back("replacement"); },
                                 nullptr, nullptr, nullptr);
            calls.push_back(label);
        },
        [&]() { calls.push_back("ready"); }, nullptr, nullptr);
    const uint8_t byte = 0x01;
    manager.sendBytes(&byte, 1, 1, 1);
    manager.sendBytes(&byte, 1, 1, 1);
    EXPECT_EQ(calls, (std::vector<std::string>{label, "replacement"}));
}

// ---- Adapter -----------------------------------------------------------------------------------

TEST(Adapter, ErrorSignalsReadyFirstThenReportsTheCode) {
    UnifiedBLEManager manager(4);
    Owner owner;
    owner.install(manager);
    UnifiedBLEAdapter adapter(&manager);
    adapter.didReceiveError(6);
    adapter.didReceiveError(255);
    EXPECT_EQ(owner.order, (std::vector<std::string>{"ready", "error", "ready", "error"}));
    EXPECT_EQ(owner.errors, (std::vector<std::string>{"V4 Protocol Error Code: 6",
                                                      "V4 Protocol Error Code: 255"}));
}

TEST(Adapter, PackageWithoutCallbackIsOnlyLogged) {
    UnifiedBLEManager manager(4);
    UnifiedBLEAdapter adapter(&manager);
    TenvikTest::InternalLogRecorder log;
    adapter.didReceivePackage({1, 2, 3}, 5, 0);
    EXPECT_EQ(log.lines(), (std::vector<TenvikTest::InternalLogRecorder::Line>{
                               {LogDebug, "didReceivePackage: size=3"}}));
}

TEST(Adapter, PassesPackagesAndPacketsThrough) {
    UnifiedBLEManager manager(4);
    Owner owner;
    owner.install(manager);
    UnifiedBLEAdapter adapter(&manager);
    adapter.didReceivePackage({1, 2}, 0, 9);
    adapter.didReceivePackage({3}, 4, 0);
    adapter.send({0x06});
    adapter.notifyReady();
    EXPECT_EQ(owner.packages,
              (std::vector<Package>{{{1, 2}, 0, 9, SystemData}, {{3}, 4, 0, ProcessData}}));
    EXPECT_EQ(owner.sends, (std::vector<Bytes>{{0x06}}));
    EXPECT_EQ(owner.order, (std::vector<std::string>{"package", "package", "send", "ready"}));
}

}  // namespace
}  // namespace Tenvik
