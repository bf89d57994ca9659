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
    // The nested chunk follows the outer one's bytes: 0x33 is older than it.
    EXPECT_EQ(seen, (std::vector<Bytes>{{}, {0x33}, {0x22, 0x22, 0x22}, {0x11}}));
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

// A packet's size reaches the send callback as an int: a payload whose framed packet would
// not fit is refused before a byte of it is read (the buffer here holds one).
TEST(InvalidLength, PayloadWhosePacketOverflowsTheLengthIsRefused) {
    for (int protocol = 2; protocol <= 4; ++protocol) {
        UnifiedBLEManager manager(protocol);
        Owner owner;
        owner.install(manager);
        TenvikTest::InternalLogRecorder log;
        const uint8_t byte = 0x01;
        EXPECT_FALSE(manager.sendBytes(&byte, INT_MAX - 4, 1, 1)) << protocol;
        EXPECT_TRUE(owner.order.empty()) << protocol;
        EXPECT_TRUE(log.contains(
            LogWarning,
            "UnifiedBLEManager::sendBytes - refused payload of invalid length 2147483643"))
            << protocol;
    }
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
