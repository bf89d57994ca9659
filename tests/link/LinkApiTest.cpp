// The device link as a host sees it: protocol choice, framed sends, protocol-2 answers as named
// payloads, link errors as "system" payloads, and the BLE callbacks.

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ChunkCuts.h"
#include "DeviceFrames.h"
#include "LinkHost.h"
#include "tenvik_sdk.h"

namespace {

using TenvikTest::Bytes;
using TenvikTest::LinkHost;
using TenvikTest::LogLine;
using TenvikTest::textBytes;
using namespace TenvikTest::DeviceFrames;
using Payload = LinkHost::Payload;

const std::string protocolOneRefusal =
    "V1 protocol (pre-March 2017 devices) supports sensor streaming only, not bidirectional "
    "commands. This is expected behavior.";

Bytes zeros(size_t count) { return Bytes(count, 0x00); }

// ---- Protocol selection ----------------------------------------------------------------------

struct SelectionCase {
    const char* revision;
    int protocol;
};

class ProtocolSelection : public ::testing::TestWithParam<SelectionCase> {};

// The protocol shows in how a 3-byte process-data payload for pid 9 leaves the library.
TEST_P(ProtocolSelection, FramesSendsForTheRevisionsProtocol) {
    LinkHost host(GetParam().revision);
    ASSERT_NE(host.sdk, nullptr);
    host.send(Bytes{0xAA, 0xBB, 0xCC}, 9);
    switch (GetParam().protocol) {
        case 1:
            EXPECT_TRUE(host.sends.empty());
            EXPECT_EQ(host.readyCount, 0);
            EXPECT_EQ(host.payloads,
                      (std::vector<Payload>{{"system", textBytes("BLE_ERROR: " + protocolOneRefusal)}}));
            break;
        case 2:
            EXPECT_EQ(host.sends,
                      (std::vector<Bytes>{{0x02, 0x0A, 0x01, 0x08, 0x00, 0xAA, 0xBB, 0xCC}}));
            break;
        case 3:
            EXPECT_EQ(host.sends, (std::vector<Bytes>{{0x03, 0x0A, 0x01, 0x0A, 0x00, 0x09, 0x00,
                                                       0xAA, 0xBB, 0xCC}}));
            break;
        case 4:
            EXPECT_EQ(host.sends,
                      (std::vector<Bytes>{joined({{0x04, 0x0A, 0x00, 0x03, 0x00, 0x09, 0x00},
                                                  zeros(13), {0xAA, 0xBB, 0xCC}})}));
            break;
        default:
            FAIL();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Revisions, ProtocolSelection,
    ::testing::Values(SelectionCase{"0.0.0", 1}, SelectionCase{"1.9.9", 1},
                      SelectionCase{"2.0.5", 1}, SelectionCase{"2.1.9", 1},
                      SelectionCase{"2.2.0", 1}, SelectionCase{"2.2.14", 1},
                      SelectionCase{"2.2.15", 2}, SelectionCase{"2.2.16", 2},
                      SelectionCase{"2.2.17", 2}, SelectionCase{"2.2.15.7", 2},
                      SelectionCase{"2.2.18", 3}, SelectionCase{"2.2.99", 3},
                      SelectionCase{"2.3.0", 1}, SelectionCase{"2.9.9", 1},
                      SelectionCase{"3.0.0", 3}, SelectionCase{"3.7.86", 3},
                      SelectionCase{"4.0.0", 4}, SelectionCase{"10.1.2", 4},
                      // Without three parts the link falls back to 3.0.0, whatever the
                      // parsed revision says.
                      SelectionCase{"4.0", 3}, SelectionCase{"7", 3}, SelectionCase{"4", 3},
                      SelectionCase{"2.2", 3}),
    [](const auto& caseInfo) {
        std::string name = std::string("v") + caseInfo.param.revision;
        for (char& c : name) {
            if (c == '.') {
                c = '_';
            }
        }
        return name;
    });

// ---- Framed sends ------------------------------------------------------------------------------

struct SendCase {
    const char* label;
    const char* revision;
    Bytes payload;
    int pid;
    Bytes packet;
};

class FramedSend : public ::testing::TestWithParam<SendCase> {};

TEST_P(FramedSend, IsHandedOverWholeThenReadyFollows) {
    LinkHost host(GetParam().revision);
    host.send(GetParam().payload, GetParam().pid);
    EXPECT_EQ(host.sends, std::vector<Bytes>{GetParam().packet});
    ASSERT_EQ(host.events.size(), 2u);
    EXPECT_EQ(host.events[0].kind, LinkHost::Kind::Send);
    EXPECT_EQ(host.events[1].kind, LinkHost::Kind::Ready);
    EXPECT_TRUE(host.payloads.empty());
    EXPECT_TRUE(host.problems().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Packets, FramedSend,
    ::testing::Values(
        SendCase{"V2ProcessData", "2.2.15", {0xAA, 0xBB, 0xCC}, 9,
                 {0x02, 0x0A, 0x01, 0x08, 0x00, 0xAA, 0xBB, 0xCC}},
        SendCase{"V2TextCommandIsSystemData", "2.2.17", textBytes("ping"), 0,
                 joined({{0x02, 0x0A, 0x00, 0x09, 0x00}, textBytes("ping")})},
        SendCase{"V3NegativePidCountsAsZero", "3.0.0", {0xAA, 0xBB, 0xCC}, -5,
                 {0x03, 0x0A, 0x00, 0x0A, 0x00, 0x00, 0x00, 0xAA, 0xBB, 0xCC}},
        SendCase{"V3OnlyLow16BitsOfThePidCount", "3.0.0", {0xAA}, 65536,
                 {0x03, 0x0A, 0x00, 0x08, 0x00, 0x00, 0x00, 0xAA}},
        SendCase{"V3WrappedPid", "3.6.70", {0xAA}, 65536 + 9,
                 {0x03, 0x0A, 0x01, 0x08, 0x00, 0x09, 0x00, 0xAA}},
        SendCase{"V3EmptyPayload", "2.2.18", {}, 0x1234,
                 {0x03, 0x0A, 0x01, 0x07, 0x00, 0x34, 0x12}},
        // Protocol 3 chosen by the fallback, while the revision's first number is 4: pid 0
        // is process data there.
        SendCase{"V3FallbackWithMajorFour", "4.0", {0xAA}, 0,
                 {0x03, 0x0A, 0x01, 0x08, 0x00, 0x00, 0x00, 0xAA}},
        SendCase{"V4", "4.0.0", {0xAA, 0xBB}, 3,
                 joined({{0x04, 0x0A, 0x00, 0x02, 0x00, 0x03, 0x00}, zeros(13), {0xAA, 0xBB}})},
        SendCase{"V4WrappedPid", "4.1.0", {0x01}, 70000,
                 joined({{0x04, 0x0A, 0x00, 0x01, 0x00, 0x70, 0x11}, zeros(13), {0x01}})},
        SendCase{"V4Empty", "5.0.0", {}, 0,
                 joined({{0x04, 0x0A, 0x00, 0x00, 0x00, 0x00, 0x00}, zeros(13)})}),
    [](const auto& caseInfo) { return std::string(caseInfo.param.label); });

// A payload one byte longer than its protocol's length field can count is refused, with the
// link's line and then sendPayload's, and nothing reaches the device.
struct TooLongCase {
    const char* revision;
    int protocol;
    int length;
};

class TooLongSend : public ::testing::TestWithParam<TooLongCase> {};

TEST_P(TooLongSend, IsRefusedRatherThanFramedWithAWrappedLength) {
    const TooLongCase& c = GetParam();
    LinkHost host(c.revision);
    host.send(Bytes(static_cast<size_t>(c.length), 0x5A), 9);
    EXPECT_TRUE(host.sends.empty());
    EXPECT_EQ(host.readyCount, 0);
    EXPECT_EQ(host.problems(),
              (std::vector<LogLine>{
                  {2, "UnifiedBLEManager::sendBytes - refused payload of " +
                          std::to_string(c.length) + " bytes, more than a protocol-" +
                          std::to_string(c.protocol) + " packet carries (" +
                          std::to_string(c.length - 1) + ")"},
                  {2, "sendPayload: UnifiedBLEManager rejected payload (may be awaiting ACK)"}}));
}

INSTANTIATE_TEST_SUITE_P(Protocols, TooLongSend,
                         ::testing::Values(TooLongCase{"2.2.16", 2, 65531},
                                           TooLongCase{"3.0.0", 3, 65529},
                                           TooLongCase{"4.0.0", 4, 65536}),
                         [](const auto& caseInfo) {
                             return std::string("V").append(std::to_string(caseInfo.param.protocol));
                         });

// ---- Chunks refused for their length --------------------------------------------------------

// The system process's report that a ping process (type 2) was created with PID 17; the
// system process hands it on as a "System" payload.
const Bytes pingCreated{0x00, 0x11, 0x00, 0x02};

std::string chunkRefusal(int length, int protocol, int longest) {
    return "UnifiedBLEManager::processChunk - refused chunk of " + std::to_string(length) +
           " bytes, more than a protocol-" + std::to_string(protocol) + " message carries (" +
           std::to_string(longest) + ")";
}

TEST(ProtocolThreeChunkLimit, HeaderChunkBeyondTheLargestPackageLeavesTheNextOneWhole) {
    // A header announcing the largest package (3107 bytes: 7 header, 3100 payload), in a
    // chunk one byte longer than that package.
    LinkHost host("3.6.62");
    Bytes chunk{0x03, 0x0A, 0x63, 0x23, 0x0C, 0x05, 0x00};
    chunk.resize(3108, 0xEE);
    host.chunk(chunk);
    host.chunk(v3Message(pingCreated, 0));
    EXPECT_EQ(host.payloads, (std::vector<Payload>{{"System", pingCreated}}));
    EXPECT_EQ(host.problems(), (std::vector<LogLine>{{2, chunkRefusal(3108, 3, 3107)}}));
}

// A chunk longer than the largest message of its protocol arrives between the start and the
// rest of a message. The refused bytes are a gap in the stream: the message they cut is
// dropped, its rest is judged as new data, and the next message arrives whole.
struct GapCase {
    const char* revision;
    int protocol;
    int longest;
    Bytes start;  // the start of a message
    Bytes rest;   // the bytes that would have completed it
    Bytes next;   // a whole message
    std::vector<Payload> payloads;
    std::vector<std::string> problemsAfterTheRefusal;
};

class ChunkGap : public ::testing::TestWithParam<GapCase> {};

TEST_P(ChunkGap, RefusedChunkDropsTheMessageInProgress) {
    const GapCase& c = GetParam();
    LinkHost host(c.revision);
    host.chunk(c.start);
    host.chunk(Bytes(static_cast<size_t>(c.longest) + 1, 0x00));
    host.chunk(c.rest);
    host.chunk(c.next);
    EXPECT_EQ(host.payloads, c.payloads);
    std::vector<LogLine> problems{{2, chunkRefusal(c.longest + 1, c.protocol, c.longest)}};
    for (const std::string& text : c.problemsAfterTheRefusal) {
        problems.push_back({2, text});
    }
    EXPECT_EQ(host.problems(), problems);
}

const Bytes tenByteMessageV4 = v4Message({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 0);
const std::string errorThree = "V4 Protocol Error Code: 3";

INSTANTIATE_TEST_SUITE_P(
    Protocols, ChunkGap,
    ::testing::Values(
        // A packet of 10 bytes (5 of payload) with 2 payload bytes; its 3 last bytes are then
        // stray bytes before the next header.
        GapCase{"2.2.15", 2, 65535, {0x02, 0x0A, 0x00, 0x0A, 0x00, 0xAA, 0xBB}, {0xCC, 0xDD, 0xEE},
                v2Packet(0, {0x42}), {{"system", {0x42}}},
                {"V2 legacy header desync - dropping byte: 204",
                 "V2 legacy header desync - dropping byte: 221",
                 "V2 legacy header desync - dropping byte: 238"}},
        // A package of 12 bytes (5 of payload) with 1 payload byte; its 4 last bytes are then
        // too few for a header.
        GapCase{"3.6.62", 3, 3107, {0x03, 0x0A, 0x63, 0x0C, 0x00, 0x00, 0x00, 0xAA},
                {0xBB, 0xCC, 0xDD, 0xEE}, v3Message(pingCreated, 0), {{"System", pingCreated}},
                {"PackageProcessor: chunk too small for header (size=4)",
                 "V3 PackageProcessor rejected chunk of size 4"}},
        // The framing and 3 of 10 payload bytes; the 7 last bytes are then a first chunk too
        // short for the framing: error 3.
        GapCase{"4.0.0", 4, 65555, TenvikTest::slice(tenByteMessageV4, 0, 23),
                TenvikTest::slice(tenByteMessageV4, 23, 30), v4Message(pingCreated, 0),
                {{"system", textBytes("BLE_ERROR: " + errorThree)}, {"System", pingCreated}},
                {"UnifiedBLEManager error: " + errorThree}}),
    [](const auto& caseInfo) {
        return std::string("V").append(std::to_string(caseInfo.param.protocol));
    });

TEST(ProtocolOne, RefusesToSendAndReportsALinkError) {
    LinkHost host("2.2.14");
    host.send(textBytes("ping"), 0);
    EXPECT_TRUE(host.sends.empty());
    EXPECT_EQ(host.readyCount, 0);
    EXPECT_EQ(host.payloads,
              (std::vector<Payload>{{"system", textBytes("BLE_ERROR: " + protocolOneRefusal)}}));
    EXPECT_EQ(host.problems(),
              (std::vector<LogLine>{
                  {2, "UnifiedBLEManager error: " + protocolOneRefusal},
                  {2, "sendPayload: UnifiedBLEManager rejected payload (may be awaiting ACK)"}}));
}

TEST(MissingSendCallback, IsLoggedAndTheReadySignalStillFollows) {
    for (const char* revision : {"2.2.15", "3.0.0", "4.0.0"}) {
        LinkHost host(revision);
        TenvikSDK_set_ble_send_callback(nullptr, host.sdk);
        host.send(Bytes{0x01}, 9);
        EXPECT_TRUE(host.sends.empty()) << revision;
        EXPECT_EQ(host.readyCount, 1) << revision;
        EXPECT_EQ(host.problems(),
                  (std::vector<LogLine>{
                      {2, "UnifiedBLEManager attempted to send chunk but BLE send callback is null"}}))
            << revision;
    }
}

// ---- Protocol-2 answers named after the host's commands --------------------------------------

TEST(CommandQueue, AnswerTakesTheNameOfTheOldestCommand) {
    LinkHost host("2.2.15");
    const Bytes command = textBytes("  Ping 3");
    host.send(command, 0);
    // The host's own bytes go out; only the queued word is trimmed and lower-cased.
    EXPECT_EQ(host.sends, (std::vector<Bytes>{joined({{0x02, 0x0A, 0x00, 0x0D, 0x00}, command})}));
    host.chunk(v2Packet(1, {0xAA, 0xBB, 0xCC, 0xDD}));
    host.chunk(v2Packet(1, {0xEE}));
    EXPECT_EQ(host.payloads, (std::vector<Payload>{{"Ping", {0xAA, 0xBB, 0xCC, 0xDD}},
                                                   {"system", {0xEE}}}));
}

TEST(CommandQueue, SystemDataAnswersLeaveTheQueueAlone) {
    LinkHost host("2.2.16");
    host.send(std::string("dump"), 0);
    host.chunk(v2Packet(0, {0x01}));
    host.chunk(v2Packet(7, {0x02}));  // any non-zero type byte is process data
    EXPECT_EQ(host.payloads, (std::vector<Payload>{{"system", {0x01}}, {"Dump", {0x02}}}));
}

struct CommandCase {
    const char* label;
    std::vector<std::string> commands;
    int pid;
    std::vector<std::string> names;  // of the process-data answers that follow
};

class CommandNaming : public ::testing::TestWithParam<CommandCase> {};

TEST_P(CommandNaming, NamesTheAnswers) {
    LinkHost host("2.2.17");
    for (const std::string& command : GetParam().commands) {
        host.send(command, GetParam().pid);
    }
    for (size_t i = 0; i < GetParam().names.size(); ++i) {
        host.chunk(v2Packet(1, {static_cast<uint8_t>(i)}));
    }
    ASSERT_EQ(host.payloads.size(), GetParam().names.size());
    for (size_t i = 0; i < GetParam().names.size(); ++i) {
        EXPECT_EQ(host.payloads[i].name, GetParam().names[i]) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Commands, CommandNaming,
    ::testing::Values(
        CommandCase{"Memory", {"memory test"}, 0, {"Memtest", "system"}},
        CommandCase{"CapitalsAndWhiteSpace", {"\t SET \r\n"}, 0, {"Set", "system"}},
        CommandCase{"UpToTheFirstNul", {std::string("log\0ping", 8)}, 0, {"Log", "system"}},
        CommandCase{"TabEndsNoWord", {"ping\tnow"}, 0, {"system"}},
        CommandCase{"UnknownWord", {"reboot"}, 0, {"system"}},
        CommandCase{"SystemCommand", {"system info"}, 0, {"system"}},
        CommandCase{"PidWithZeroLow16Bits", {"sync"}, 65536, {"Sync", "system"}},
        CommandCase{"NegativePid", {"collect"}, -1, {"Collect", "system"}},
        CommandCase{"ProcessPidQueuesNothing", {"ping"}, 3, {"system"}},
        CommandCase{"Order", {"update", "ping", "log"}, 0, {"Update", "Ping", "Log", "system"}},
        CommandCase{"NinthDropsTheOldest",
                    {"log", "log", "log", "log", "log", "log", "log", "log", "ping"},
                    0,
                    {"Log", "Log", "Log", "Log", "Log", "Log", "Log", "Ping", "system"}}),
    [](const auto& caseInfo) { return std::string(caseInfo.param.label); });

// The size of a text command is judged before its text is read: a size beyond the buffer is
// refused unread (run under the address sanitizer, a read past the 4 bytes fails here), and a
// refused command names no answer.
TEST(CommandQueue, CommandTooLongToSendIsNeitherReadNorQueued) {
    LinkHost host("2.2.15");
    const auto command = std::make_unique<uint8_t[]>(4);
    std::memcpy(command.get(), "ping", 4);
    TenvikSDK_send(command.get(), INT_MAX, 0, host.sdk);
    EXPECT_TRUE(host.sends.empty());
    EXPECT_EQ(host.problems(),
              (std::vector<LogLine>{
                  {2, "UnifiedBLEManager::sendBytes - refused payload of 2147483647 bytes, more "
                      "than a protocol-2 packet carries (65530)"},
                  {2, "sendPayload: UnifiedBLEManager rejected payload (may be awaiting ACK)"}}));
    host.chunk(v2Packet(1, {0x01}));
    EXPECT_EQ(host.payloads, (std::vector<Payload>{{"system", {0x01}}}));
}

TEST(CommandQueue, RefusedCommandNamesNoAnswer) {
    // "ping" and spaces: one byte more than a protocol-2 packet carries (65535 - 5).
    LinkHost host("2.2.16");
    std::string tooLong = "ping";
    tooLong.resize(65531, ' ');
    host.send(tooLong, 0);
    host.send(std::string("log"), 0);
    ASSERT_EQ(host.sends.size(), 1u);
    host.chunk(v2Packet(1, {0x01}));
    host.chunk(v2Packet(1, {0x02}));
    EXPECT_EQ(host.payloads, (std::vector<Payload>{{"Log", {0x01}}, {"system", {0x02}}}));
}

TEST(CommandQueue, EmptyAndNulCommandsQueueNothingButAreSent) {
    LinkHost host("2.2.15");
    host.send(Bytes{}, 0);
    host.send(Bytes{0x00, 'p', 'i', 'n', 'g'}, 0);
    host.send(std::string(" \t "), 0);
    EXPECT_EQ(host.sends.size(), 3u);
    host.chunk(v2Packet(1, {0x01}));
    EXPECT_EQ(host.payloads, (std::vector<Payload>{{"system", {0x01}}}));
}

// ---- Protocol-2 framing ------------------------------------------------------------------------

struct FramingCase {
    const char* label;
    std::vector<Bytes> chunks;
    std::vector<Payload> payloads;
    std::vector<LogLine> framingLines;  // the lines of the protocol-2 framing, in order
};

std::vector<LogLine> framingLinesOf(const LinkHost& host) {
    std::vector<LogLine> lines;
    for (const LogLine& line : host.log.lines()) {
        if (line.text.rfind("V2 legacy ", 0) == 0 || line.text.rfind("handleUnifiedBLE", 0) == 0) {
            lines.push_back(line);
        }
    }
    return lines;
}

const LogLine paddingLine{0, "V2 legacy padding byte discarded"};
const LogLine shortLine{2, "V2 legacy header reported size smaller than header - dropping packet"};
const LogLine emptyLine{2, "handleUnifiedBLEPackage(V2): empty payload received"};
LogLine desync(int value) {
    return {2, "V2 legacy header desync - dropping byte: " + std::to_string(value)};
}

class ProtocolTwoFraming : public ::testing::TestWithParam<FramingCase> {};

TEST_P(ProtocolTwoFraming, DeliversAndLogs) {
    LinkHost host("2.2.15");
    for (const Bytes& chunk : GetParam().chunks) {
        host.chunk(chunk);
    }
    EXPECT_EQ(host.payloads, GetParam().payloads);
    EXPECT_EQ(framingLinesOf(host), GetParam().framingLines);
    EXPECT_EQ(host.readyCount, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ProtocolTwoFraming,
    ::testing::Values(
        FramingCase{"HeaderThenPayload",
                    {{0x02, 0x0A, 0x01, 0x09, 0x00}, {0xAA, 0xBB, 0xCC, 0xDD}},
                    {{"system", {0xAA, 0xBB, 0xCC, 0xDD}}},
                    {}},
        FramingCase{"PaddingThenEmptyPacket",
                    {{0x00, 0x02, 0x0A, 0x00, 0x05, 0x00}},
                    {},
                    {paddingLine, emptyLine}},
        FramingCase{"FourBytesWaitEvenWithPadding",
                    {{0x00, 0x02, 0x0A, 0x00}, {0x06, 0x00, 0xAA}},
                    {{"system", {0xAA}}},
                    {paddingLine}},
        FramingCase{"DesyncByte",
                    {{0xFF, 0x02, 0x0A, 0x00, 0x06, 0x00, 0xAA}},
                    {{"system", {0xAA}}},
                    {desync(255)}},
        FramingCase{"WrongTagDropsByteByByte",
                    {{0x02, 0x0B, 0x00, 0x06, 0x00, 0xAA, 0x02, 0x0A, 0x00, 0x06, 0x00, 0xBB}},
                    {{"system", {0xBB}}},
                    {desync(2), desync(11), paddingLine, desync(6), paddingLine, desync(170)}},
        FramingCase{"ShortLengthDropsOneByte",
                    {{0x02, 0x0A, 0x00, 0x03, 0x00}, {0x02, 0x0A, 0x00, 0x06, 0x00, 0xBB}},
                    {{"system", {0xBB}}},
                    {shortLine, desync(10), paddingLine, desync(3), paddingLine}},
        FramingCase{"ZeroLength",
                    {{0x02, 0x0A, 0x00, 0x00, 0x00, 0x02, 0x0A, 0x00, 0x06, 0x00, 0xCC}},
                    {{"system", {0xCC}}},
                    {shortLine, desync(10), paddingLine, paddingLine, paddingLine}},
        FramingCase{"WaitsForTheAnnouncedBytes",
                    {{0x02, 0x0A, 0x00, 0x09, 0x00, 0x01}, {0x02}, {0x03}, {}, {0x04}},
                    {{"system", {0x01, 0x02, 0x03, 0x04}}},
                    {}},
        FramingCase{"SeveralPacketsAndOneAcrossChunks",
                    {joined({v2Packet(0, {0x11}), v2Packet(0, {0x22, 0x33}), {0x02, 0x0A, 0x00}}),
                     {0x06, 0x00, 0x44}},
                    {{"system", {0x11}}, {"system", {0x22, 0x33}}, {"system", {0x44}}},
                    {}}),
    [](const auto& caseInfo) { return std::string(caseInfo.param.label); });

TEST(ProtocolTwoFramingWait, NothingIsDeliveredBeforeTheLastByte) {
    LinkHost host("2.2.15");
    const Bytes packet = v2Packet(1, {0x01, 0x02, 0x03, 0x04, 0x05});
    for (size_t i = 0; i + 1 < packet.size(); ++i) {
        host.chunk(Bytes{packet[i]});
    }
    EXPECT_TRUE(host.payloads.empty());
    host.chunk(Bytes{packet.back()});
    EXPECT_EQ(host.payloads, (std::vector<Payload>{{"system", {0x01, 0x02, 0x03, 0x04, 0x05}}}));
}

// ---- Chunk-split property ----------------------------------------------------------------------

// Protocol 2 is a byte stream: every cut of two packets delivers the same two payloads.
TEST(ChunkSplit, ProtocolTwoEveryCutDeliversTheSamePayloads) {
    LinkHost host("2.2.15");
    const Bytes stream =
        joined({v2Packet(1, {0xA1, 0xA2, 0xA3, 0xA4}), v2Packet(0, {0xB1, 0xB2})});
    const std::vector<Payload> expected{{"system", {0xA1, 0xA2, 0xA3, 0xA4}},
                                        {"system", {0xB1, 0xB2}}};
    size_t ways = 0;
    TenvikTest::forEachCut(stream, 1, stream.size(), [&](const std::vector<Bytes>& chunks) {
        host.clear();
        for (const Bytes& chunk : chunks) {
            host.chunk(chunk);
        }
        ASSERT_EQ(host.payloads, expected) << "cut into " << chunks.size() << " chunks";
        ASSERT_TRUE(host.problems().empty());
        ++ways;
    });
    EXPECT_EQ(ways, 32768u);  // 2^15 ways to cut 16 bytes
}

// Under protocols 3 and 4 a complete message goes on to the process layer (the contents are
// checked on the link manager itself); here every cut the protocol allows must pass without a
// link error or a warning, message after message.
TEST(ChunkSplit, ProtocolThreeEveryCutPassesCleanly) {
    LinkHost host("3.2.30");
    const Bytes message = v3Message({0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17}, 5);
    size_t ways = 0;
    TenvikTest::forEachCut(message, 7, message.size(), [&](const std::vector<Bytes>& chunks) {
        for (const Bytes& chunk : chunks) {
            host.chunk(chunk);
        }
        ++ways;
    });
    EXPECT_EQ(ways, 256u);  // header chunk of 7 + k bytes, the rest of 8 - k cut freely
    EXPECT_TRUE(host.problems().empty());
    EXPECT_TRUE(host.payloads.empty());
}

TEST(ChunkSplit, ProtocolFourEveryCutPassesCleanly) {
    LinkHost host("4.0.0");
    const Bytes plain = v4Message(Bytes(10, 0x00), 7, 0x0102030405060708ull, 0x01, 0x00);
    const Bytes zipped =
        v4Message(statusGzip(), 9, 0, 0x03, statusCrc);
    size_t ways = 0;
    TenvikTest::forEachCut(plain, 20, plain.size(), [&](const std::vector<Bytes>& chunks) {
        for (const Bytes& chunk : chunks) {
            host.chunk(chunk);
        }
        ++ways;
    });
    EXPECT_EQ(ways, 1024u);
    ways = 0;
    TenvikTest::forEachCut(zipped, 20, 2, [&](const std::vector<Bytes>& chunks) {
        for (const Bytes& chunk : chunks) {
            host.chunk(chunk);
        }
        ++ways;
    });
    EXPECT_EQ(ways, 562u);  // 1 + 33 + 528 ways with at most two cuts
    // Each way delivered its message once, inflated.
    const auto& lines = host.log.lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), LogLine{0, "didReceivePackage: size=10"}),
              1024);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), LogLine{0, "didReceivePackage: size=39"}),
              562);
    EXPECT_TRUE(host.problems().empty());
    EXPECT_TRUE(host.payloads.empty());
    EXPECT_EQ(host.readyCount, 0);
}

// ---- Protocol-4 link errors --------------------------------------------------------------------

struct ErrorCase {
    const char* label;
    std::vector<Bytes> chunks;
    int code;
    int readyCount;
};

class ProtocolFourError : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(ProtocolFourError, ReachesTheHostAsASystemPayloadAfterTheReadySignal) {
    LinkHost host("4.2.0");
    for (const Bytes& chunk : GetParam().chunks) {
        host.chunk(chunk);
    }
    const std::string text = "V4 Protocol Error Code: " + std::to_string(GetParam().code);
    EXPECT_EQ(host.payloads, (std::vector<Payload>{{"system", textBytes("BLE_ERROR: " + text)}}));
    EXPECT_EQ(host.readyCount, GetParam().readyCount);
    ASSERT_GE(host.events.size(), 2u);
    EXPECT_EQ(host.events[0].kind, LinkHost::Kind::Ready);
    EXPECT_EQ(host.events[1].kind, LinkHost::Kind::Payload);
    EXPECT_EQ(host.problems(), (std::vector<LogLine>{{2, "UnifiedBLEManager error: " + text}}));
}

Bytes truncated(const Bytes& bytes, size_t count) {
    return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(count));
}

INSTANTIATE_TEST_SUITE_P(
    Codes, ProtocolFourError,
    ::testing::Values(
        ErrorCase{"BadGzip", {v4Message(truncated(statusGzip(), 20), 1, 0, 0x02, 0)}, 2, 1},
        ErrorCase{"ShortFirstChunk", {zeros(19)}, 3, 2},
        ErrorCase{"WrongVersion", {joined({{0x05, 0x0A}, zeros(18)})}, 5, 2},
        ErrorCase{"WrongTag", {joined({{0x04, 0x0B}, zeros(18)})}, 5, 2},
        ErrorCase{"CrcMismatch", {v4Message(statusGzip(), 1, 0, 0x03, statusCrc ^ 0x01)}, 6, 1},
        ErrorCase{"MoreThanAnnounced",
                  {truncated(v4Message(Bytes(30, 0x01), 1, 0, 0, 0), 30), Bytes(21, 0x01)},
                  7,
                  1},
        ErrorCase{"EmptyChunk", {truncated(v4Message(Bytes(30, 0x01), 1, 0, 0, 0), 25), {}}, 8, 2}),
    [](const auto& caseInfo) { return std::string(caseInfo.param.label); });

TEST(ProtocolFourSend, AbandonsAHalfReceivedMessage) {
    LinkHost host("4.0.0");
    const Bytes message = v4Message(Bytes(30, 0x01), 1, 0, 0, 0);
    host.chunk(truncated(message, 30));
    host.send(Bytes{0x01}, 2);
    host.clear();
    host.chunk(Bytes(message.begin() + 30, message.end()));  // 20 bytes, now a bad first chunk
    EXPECT_EQ(host.payloads,
              (std::vector<Payload>{{"system", textBytes("BLE_ERROR: V4 Protocol Error Code: 5")}}));
}

// ---- Lengths that describe no buffer -----------------------------------------------------------

class InvalidLength : public ::testing::TestWithParam<const char*> {};

TEST_P(InvalidLength, ChunkIsRefusedWithoutEffect) {
    LinkHost host(GetParam());
    const Bytes bytes = v2Packet(1, {0x01});
    TenvikSDK_process_ble_chunk(bytes.data(), -1, host.sdk);
    TenvikSDK_process_ble_chunk(bytes.data(), -65536, host.sdk);
    TenvikSDK_process_ble_chunk(nullptr, 4, host.sdk);
    EXPECT_TRUE(host.events.empty());
    ASSERT_EQ(host.problems().size(), 3u);
}

TEST_P(InvalidLength, SendIsRefusedWithoutEffect) {
    LinkHost host(GetParam());
    const Bytes bytes{'p', 'i', 'n', 'g'};
    TenvikSDK_send(bytes.data(), -1, 0, host.sdk);
    TenvikSDK_send(nullptr, 2, 9, host.sdk);
    EXPECT_TRUE(host.events.empty());
    const LogLine rejected{2, "sendPayload: UnifiedBLEManager rejected payload (may be awaiting ACK)"};
    const std::vector<LogLine> problems = host.problems();
    EXPECT_EQ(std::count(problems.begin(), problems.end(), rejected), 2);
}

INSTANTIATE_TEST_SUITE_P(Protocols, InvalidLength,
                         ::testing::Values("2.2.14", "2.2.15", "3.0.0", "4.0.0"));

TEST(InvalidLength, ProtocolTwoStreamCarriesOnAfterARefusal) {
    LinkHost host("2.2.15");
    const Bytes packet = v2Packet(0, {0x42});
    host.chunk(truncated(packet, 3));
    TenvikSDK_process_ble_chunk(packet.data(), -3, host.sdk);
    host.chunk(Bytes(packet.begin() + 3, packet.end()));
    EXPECT_EQ(host.payloads, (std::vector<Payload>{{"system", {0x42}}}));
}

// ---- BLE callbacks -----------------------------------------------------------------------------

struct ContextLog {
    std::vector<void*> sendContexts;
    std::vector<void*> readyContexts;
};
ContextLog contextLog;

void recordSendContext(void* context, const uint8_t*, int) {
    contextLog.sendContexts.push_back(context);
}
void recordReadyContext(void* context) { contextLog.readyContexts.push_back(context); }

TEST(BleCallbacks, ReceiveTheHostContextOnceItIsSet) {
    contextLog = {};
    const std::string revision = "3.0.0";
    TenvikSDK* sdk = TenvikSDK_create(revision.data(), static_cast<int>(revision.size()));
    TenvikSDK_set_ble_send_callback(recordSendContext, sdk);
    TenvikSDK_set_ble_ready_callback(recordReadyContext, sdk);
    const uint8_t byte = 0x01;
    TenvikSDK_send(&byte, 1, 9, sdk);
    int context = 0;
    TenvikSDK_set_context(&context, sdk);
    TenvikSDK_send(&byte, 1, 9, sdk);
    TenvikSDK_destroy(sdk);
    EXPECT_EQ(contextLog.sendContexts, (std::vector<void*>{nullptr, &context}));
    EXPECT_EQ(contextLog.readyContexts, (std::vector<void*>{nullptr, &context}));
}

TEST(BleCallbacks, EveryLinkCallbackOfAnInstanceSeesItsContext) {
    LinkHost host("4.0.0");
    host.send(Bytes{0x01}, 1);
    host.chunk(zeros(3));  // error 3: ready twice and a "system" payload
    EXPECT_EQ(host.events.size(), 5u);
    EXPECT_TRUE(host.contextsAreThisHost());
}

// A host may swap its BLE callbacks from inside them.
struct Swapper {
    TenvikSDK* sdk = nullptr;
    std::vector<std::string> calls;
};
Swapper swapper;

void secondSend(void*, const uint8_t*, int) { swapper.calls.push_back("second send"); }
void secondReady(void*) { swapper.calls.push_back("second ready"); }
void firstSend(void*, const uint8_t*, int) {
    swapper.calls.push_back("first send");
    TenvikSDK_set_ble_send_callback(secondSend, swapper.sdk);
}
void firstReady(void*) {
    swapper.calls.push_back("first ready");
    TenvikSDK_set_ble_ready_callback(secondReady, swapper.sdk);
}
void swappingPayload(void*, const char* name, const uint8_t*, size_t) {
    swapper.calls.push_back(std::string("payload ") + name);
    TenvikSDK_set_ble_send_callback(firstSend, swapper.sdk);
    TenvikSDK_set_ble_ready_callback(firstReady, swapper.sdk);
}

class CallbackSwap : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        swapper = {};
        const std::string revision = GetParam();
        swapper.sdk = TenvikSDK_create(revision.data(), static_cast<int>(revision.size()));
        TenvikSDK_set_ble_send_callback(firstSend, swapper.sdk);
        TenvikSDK_set_ble_ready_callback(firstReady, swapper.sdk);
        TenvikSDK_set_payload_callback(swappingPayload, swapper.sdk);
    }
    void TearDown() override { TenvikSDK_destroy(swapper.sdk); }
};

TEST_P(CallbackSwap, FromInsideTheSendAndReadyCallbacks) {
    const uint8_t byte = 0x01;
    TenvikSDK_send(&byte, 1, 9, swapper.sdk);
    TenvikSDK_send(&byte, 1, 9, swapper.sdk);
    EXPECT_EQ(swapper.calls, (std::vector<std::string>{"first send", "first ready",
                                                       "second send", "second ready"}));
}

INSTANTIATE_TEST_SUITE_P(Protocols, CallbackSwap, ::testing::Values("2.2.15", "3.0.0", "4.0.0"));

TEST(CallbackSwapInPayload, FromInsideTheLinksPackageAndErrorCallbacks) {
    for (const char* revision : {"2.2.15", "2.2.14", "4.0.0"}) {
        swapper = {};
        const std::string text = revision;
        swapper.sdk = TenvikSDK_create(text.data(), static_cast<int>(text.size()));
        TenvikSDK_set_payload_callback(swappingPayload, swapper.sdk);
        const Bytes answer = v2Packet(1, {0x01});
        if (text == "2.2.15") {
            TenvikSDK_process_ble_chunk(answer.data(), static_cast<int>(answer.size()), swapper.sdk);
        } else if (text == "2.2.14") {
            TenvikSDK_send(answer.data(), 1, 9, swapper.sdk);  // refused: an error payload
        } else {
            TenvikSDK_process_ble_chunk(answer.data(), 0, swapper.sdk);  // error 8
        }
        const uint8_t byte = 0x01;
        TenvikSDK_send(&byte, 1, 9, swapper.sdk);
        TenvikSDK_destroy(swapper.sdk);
        ASSERT_FALSE(swapper.calls.empty()) << revision;
        EXPECT_EQ(swapper.calls.front(), "payload system") << revision;
    }
}

}  // namespace
