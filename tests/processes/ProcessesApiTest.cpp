// A device conversation through the C interface: the system process's reports create and end
// the instances of the other processes, each handler turns its messages into named payloads,
// and unknown PIDs pass through as "Shell".
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "HostCallbackRecorder.h"
#include "ProcessHost.h"

namespace {

using TenvikTest::Bytes;
using TenvikTest::ProcessHost;
using TenvikTest::textOf;
using TenvikTest::Transport;
using Payload = ProcessHost::Payload;

// Process types as the device sends them.
constexpr int UpdateType = 1;
constexpr int PingType = 2;
constexpr int SetType = 3;
constexpr int MemoryType = 4;
constexpr int DumpType = 5;
constexpr int LogType = 6;
constexpr int CollectType = 8;

struct Medium {
    const char* label;
    const char* revision;
    Transport transport;
};

const Medium v31{"V31", "3.7.86", Transport::V31};
const Medium v4{"V4", "4.0.0", Transport::V4};

// ---- Each handler's messages and the payloads they give --------------------------------------

struct Chunk {
    Bytes bytes;
    uint64_t options = 0;
};

struct HandlerCase {
    const char* label;
    int type;
    std::vector<Chunk> chunks;
    std::vector<Payload> whileRunning;  // payloads before the kill report
    std::vector<Payload> atKill;        // payloads of the kill report
};

// A Set status body: time 1700000000000, ECG count 5.
const Bytes statusBody{0x00, 0x68, 0xE5, 0xCF, 0x8B, 0x01, 0x00, 0x00,
                       0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
const std::string statusText = R"({ "time": 1700000000000, "ecg": 5 })";
// A Memory information body: flash 4096, system 512, sync 2048.
const Bytes memoryBody{0x00, 0x10, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00};
const std::string memoryText = R"({ "flashSize": 4096, "systemSize": 512 , "syncSize": 2048 })";

Bytes terminated(Bytes bytes) {
    bytes.push_back(0);
    return bytes;
}

const std::vector<HandlerCase> handlerCases = {
    {"PingCollectsUntilKilled", PingType, {{textOf("ab")}, {textOf("c")}}, {},
     {{"Ping", textOf("abc", true)}}},
    {"PingWithoutMessages", PingType, {}, {}, {{"Ping", {0}}}},
    {"PingEmptyMessage", PingType, {{{}}}, {}, {{"Ping", {0}}}},
    {"DumpDropsNonAscii", DumpType, {{{0x41, 0xC3, 0xA9, 0x42}}, {{0x80, 0x7F, 0xFF}}}, {},
     {{"Dump", {0x41, 0x42, 0x7F, 0x00}}}},
    {"LogAtEachLineFeed", LogType, {{textOf("abc")}, {textOf("def\n")}, {textOf("g")}},
     {{"Log", textOf("abcdef\n")}},
     {{"Log", textOf("g", true)}}},
    {"LogKeepsTheTextAfterTheLineFeed", LogType, {{textOf("a\nb")}, {textOf("c\nd\n")}},
     {{"Log", textOf("a\nb")}, {"Log", textOf("c\nd\n")}},
     {{"Log", {0}}}},
    {"SetStatusBody", SetType, {{statusBody, 2}}, {}, {{"Stat", textOf(statusText)}}},
    {"SetStatusBodyInTwoMessages", SetType,
     {{Bytes(statusBody.begin(), statusBody.begin() + 8), 2},
      {Bytes(statusBody.begin() + 8, statusBody.end()), 2}},
     {},
     {{"Stat", textOf(statusText)}}},
    {"SetStatusBodyReadsOnlySixteenBytes", SetType, {{terminated(statusBody), 2}}, {},
     {{"Stat", textOf(statusText)}}},
    {"SetText", SetType, {{textOf("ok"), 1}}, {}, {{"Set", textOf("ok", true)}}},
    {"SetAllSixtyFourOptionBitsDecide", SetType, {{statusBody, 0x100000002ull}}, {},
     {{"Set", terminated(statusBody)}}},
    {"SetLastMessageOptionsCountEvenWhenEmpty", SetType, {{statusBody, 2}, {{}, 0}}, {},
     {{"Set", terminated(statusBody)}}},
    {"MemoryInformation", MemoryType, {{memoryBody, 1}}, {},
     {{"MemoryInfo", textOf(memoryText)}}},
    {"MemoryTest", MemoryType, {{textOf("pass"), 0}}, {}, {{"Memtest", textOf("pass", true)}}},
    {"MemoryOtherOptionsAreATest", MemoryType, {{textOf("x"), 7}}, {},
     {{"Memtest", textOf("x", true)}}},
    {"MemoryAllSixtyFourOptionBitsDecide", MemoryType, {{memoryBody, 0x100000001ull}}, {},
     {{"Memtest", terminated(memoryBody)}}},
    {"MemoryInformationOfWrongSize", MemoryType, {{Bytes(11, 0x01), 1}}, {}, {}},
    {"MemoryLastMessageOptionsCount", MemoryType, {{memoryBody, 1}, {{}, 0}}, {},
     {{"Memtest", terminated(memoryBody)}}},
    {"UpdateHandsOnEachMessage", UpdateType, {{textOf("u1"), 5}, {{}}},
     {{"Update", textOf("u1")}, {"Update", {}}},
     {}},
};

class HandlerMessages : public ::testing::TestWithParam<std::tuple<Medium, HandlerCase>> {};

TEST_P(HandlerMessages, GiveTheirNamedPayloads) {
    const auto& [medium, c] = GetParam();
    ProcessHost host(medium.revision, medium.transport);
    ASSERT_NE(host.sdk, nullptr);
    host.created(c.type, 0x0102);
    for (const Chunk& chunk : c.chunks) {
        host.message(0x0102, chunk.bytes, chunk.options);
    }
    EXPECT_EQ(host.processPayloads(), c.whileRunning);
    host.clear();
    host.killed(c.type, 0x0102);
    EXPECT_EQ(host.processPayloads(), c.atKill);
    // The system process hands on each report after the handler's own payload.
    ASSERT_FALSE(host.payloads.empty());
    EXPECT_EQ(host.payloads.back(), (Payload{"System", {0x02, 0x02, 0x01,
                                                        static_cast<uint8_t>(c.type)}}));
}

INSTANTIATE_TEST_SUITE_P(Handlers, HandlerMessages,
                         ::testing::Combine(::testing::Values(v31, v4),
                                            ::testing::ValuesIn(handlerCases)),
                         [](const auto& caseInfo) {
                             return std::string(std::get<0>(caseInfo.param).label) + "_" +
                                    std::get<1>(caseInfo.param).label;
                         });

TEST(HandlerMessages, BufferIsEmptyForTheNextInstance) {
    ProcessHost host(v4.revision, v4.transport);
    host.created(PingType, 3);
    host.text(3, "first");
    host.created(PingType, 4);  // replaces the running instance
    host.text(4, "second");
    host.killed(PingType, 4);
    EXPECT_EQ(host.processPayloads(), (std::vector<Payload>{{"Ping", textOf("first", true)},
                                                            {"Ping", textOf("second", true)}}));
}

TEST(HandlerMessages, ProtocolThreeWithoutOptions) {
    ProcessHost host("3.6.62", Transport::V3);
    host.created(DumpType, 9);
    host.text(9, "dump");
    host.created(SetType, 10);
    host.message(10, statusBody);  // no options: a text, not a status body
    host.killed(DumpType, 9);
    host.killed(SetType, 10);
    EXPECT_EQ(host.processPayloads(), (std::vector<Payload>{{"Dump", textOf("dump", true)},
                                                            {"Set", terminated(statusBody)}}));
}

TEST(HandlerMessages, ProtocolOneCarriesOnlyTheSystemProcess) {
    ProcessHost host("2.3.0", Transport::V1);
    host.created(PingType, 17);
    host.killed(PingType, 17);
    EXPECT_EQ(host.payloads, (std::vector<Payload>{{"System", {0x00, 0x11, 0x00, 0x02}},
                                                   {"Ping", {0x00}},
                                                   {"System", {0x02, 0x11, 0x00, 0x02}}}));
}

struct RoutingCase {
    const char* revision;
    bool routed;
};

class MessageRouting : public ::testing::TestWithParam<RoutingCase> {};

TEST_P(MessageRouting, ReachesTheProcessesWheneverTheFirmwareRoutesThere) {
    ProcessHost host(GetParam().revision, Transport::V1);
    const Bytes report{0x01, 0x00, 0x00, 0x00};  // a failed create
    host.message(0, report);
    const std::vector<Payload> routed{{"System", report}};
    EXPECT_EQ(host.payloads, GetParam().routed ? routed : std::vector<Payload>{});
}

// Below 2.2.15 messages take the idle legacy path; protocol 1 of a later revision (2.3.0)
// reaches the processes.
INSTANTIATE_TEST_SUITE_P(Revisions, MessageRouting,
                         ::testing::Values(RoutingCase{"2.2.14", false},
                                           RoutingCase{"2.3.0", true}, RoutingCase{"1.9.9", false}));

TEST(MessageRouting, ProtocolThreeFromRevision2_2_18) {
    for (const char* revision : {"2.2.18", "2.2.23"}) {
        ProcessHost host(revision, Transport::V3);
        host.message(0, {0x03, 0x00, 0x00, 0x00});
        EXPECT_EQ(host.payloads, (std::vector<Payload>{{"System", {0x03, 0x00, 0x00, 0x00}}}))
            << revision;
        EXPECT_EQ(host.events(), (std::vector<std::string>{"[2] SystemInformation::killFailure",
                                                           "System: 03 00 00 00"}))
            << revision;
    }
}

// ---- Creates, kills and their lines in order ---------------------------------------------------

TEST(ProcessLifecycle, CreateMessageAndKill) {
    ProcessHost host(v31.revision, v31.transport);
    host.created(PingType, 17);
    host.text(17, "hi");
    host.killed(PingType, 17);
    host.text(17, "late");
    EXPECT_EQ(host.events(),
              (std::vector<std::string>{
                  "[0] SystemInformation::createSuccess - ProcessID=2, PID=17",
                  "[0] ProcessManager::createProcess setting PID 17 for process 2",
                  "System: 00 11 00 02",
                  "[0] SystemInformation::killSuccess - ProcessID=2, PID=17",
                  "[0] ProcessManager::killProcess called for process ID: 2",
                  "[0] ProcessManager::killProcess calling onKilled() for process ID: 2",
                  "Ping: 68 69 00",
                  "[0] ProcessManager::killProcess completed for process ID: 2 (PID reset from 17 "
                  "to -1)",
                  "System: 02 11 00 02",
                  "[0] ProcessManager::process - no matching process for PID: 17",
              }));
}

TEST(ProcessLifecycle, NewInstanceReplacesTheRunningOne) {
    ProcessHost host(v31.revision, v31.transport);
    host.created(PingType, 17);
    host.text(17, "a");
    host.clear();
    host.created(PingType, 18);
    host.text(18, "b");
    host.text(17, "c");
    EXPECT_EQ(host.events(),
              (std::vector<std::string>{
                  "[0] SystemInformation::createSuccess - ProcessID=2, PID=18",
                  "[0] ProcessManager::createProcess - ProcessID=2 already exists with PID=17. "
                  "Firmware is creating new instance with PID=18",
                  "Ping: 61 00",
                  "System: 00 12 00 02",
                  "[0] ProcessManager::process - no matching process for PID: 17",
              }));
    host.clear();
    host.killed(PingType, 18);
    EXPECT_EQ(host.processPayloads(), (std::vector<Payload>{{"Ping", textOf("b", true)}}));
}

TEST(ProcessLifecycle, SystemProcessConfirmedWithPidZero) {
    ProcessHost host(v31.revision, v31.transport);
    host.created(0, 0);
    EXPECT_EQ(host.events(),
              (std::vector<std::string>{
                  "[0] SystemInformation::createSuccess - system process confirmed (PID=0)",
                  "[0] ProcessManager::createProcess - system process already initialized with "
                  "PID=0",
                  "System: 00 00 00 00",
              }));
}

TEST(ProcessLifecycle, SystemProcessMovedToAnotherPid) {
    ProcessHost host(v31.revision, v31.transport);
    host.created(0, 7);
    host.message(0, {0x01, 0x00, 0x00, 0x00});
    host.message(7, {0x01, 0x00, 0x00, 0x00});
    EXPECT_EQ(host.events(),
              (std::vector<std::string>{
                  "[0] SystemInformation::createSuccess - ProcessID=0, PID=7",
                  "[0] ProcessManager::createProcess - ProcessID=0 already exists with PID=0. "
                  "Firmware is creating new instance with PID=7",
                  "System: 00 07 00 00",
                  "[0] ProcessManager::process - no matching process for PID: 0",
                  "[2] SystemInformation::createFailure",
                  "System: 01 00 00 00",
              }));
}

TEST(ProcessLifecycle, PidZeroForAnotherProcessIsWarnedAndTheSystemProcessKeepsIt) {
    ProcessHost host(v31.revision, v31.transport);
    host.created(DumpType, 0);
    host.message(0, {0x03, 0x00, 0x00, 0x00});
    EXPECT_EQ(host.events(),
              (std::vector<std::string>{
                  "[0] SystemInformation::createSuccess - ProcessID=5, PID=0",
                  "[0] ProcessManager::createProcess setting PID 0 for process 5",
                  "[2] ProcessManager::createProcess - WARNING: Firmware assigned PID=0 to "
                  "non-system process ID=5. This might indicate a firmware issue.",
                  "System: 00 00 00 05",
                  "[2] SystemInformation::killFailure",
                  "System: 03 00 00 00",
              }));
}

TEST(ProcessLifecycle, KillStopsTheHandlerWhateverPidItNames) {
    ProcessHost host(v31.revision, v31.transport);
    host.created(PingType, 17);
    host.clear();
    host.killed(PingType, 99);
    host.killed(PingType, 17);
    EXPECT_EQ(host.events(),
              (std::vector<std::string>{
                  "[0] SystemInformation::killSuccess - ProcessID=2, PID=99",
                  "[0] ProcessManager::killProcess called for process ID: 2",
                  "[0] ProcessManager::killProcess calling onKilled() for process ID: 2",
                  "Ping: 00",
                  "[0] ProcessManager::killProcess completed for process ID: 2 (PID reset from 17 "
                  "to -1)",
                  "System: 02 63 00 02",
                  "[0] SystemInformation::killSuccess - ProcessID=2, PID=17",
                  "[0] ProcessManager::killProcess called for process ID: 2",
                  "[0] ProcessManager::killProcess calling onKilled() for process ID: 2",
                  "Ping: 00",
                  "[0] ProcessManager::killProcess completed for process ID: 2 (PID reset from -1 "
                  "to -1)",
                  "System: 02 11 00 02",
              }));
}

TEST(ProcessLifecycle, KillingTheSystemProcessEndsAllReports) {
    ProcessHost host(v31.revision, v31.transport);
    host.created(LogType, 30);
    host.clear();
    host.killed(0, 0);
    // The kill of the system process has no wording of its own.
    EXPECT_EQ(host.events(),
              (std::vector<std::string>{
                  "[0] SystemInformation::killSuccess - ProcessID=0, PID=0",
                  "[0] ProcessManager::killProcess called for process ID: 0",
                  "[0] ProcessManager::killProcess calling onKilled() for process ID: 0",
                  "[0] ProcessManager::killProcess completed for process ID: 0 (PID reset from 0 "
                  "to -1)",
                  "System: 02 00 00 00",
              }));
    host.clear();
    host.created(PingType, 17);
    host.text(30, "still here\n");
    EXPECT_EQ(host.events(),
              (std::vector<std::string>{
                  "[0] ProcessManager::process - no matching process for PID: 0",
                  "Log: 73 74 69 6C 6C 20 68 65 72 65 0A",
              }));
}

TEST(ProcessLifecycle, DynamicTypePassesThroughAsShell) {
    ProcessHost host(v31.revision, v31.transport);
    host.created(-3, 40);
    host.message(40, {0xDE, 0xAD, 0x00});
    host.message(40, {});
    host.killed(-3, 40);
    host.message(40, {0x01});
    EXPECT_EQ(host.events(),
              (std::vector<std::string>{
                  "[0] SystemInformation::createSuccess - ProcessID=dynamic(-3, raw=253), PID=40",
                  "[0] ProcessManager::createProcess - unknown process type (ProcessID=-3)",
                  "[0] ProcessManager::createProcess - registered unknown PID passthrough=40",
                  "System: 00 28 00 FD",
                  "[0] ProcessManager::process - passthrough payload for unknown PID: 40",
                  "Shell: DE AD 00",
                  "[0] ProcessManager::process - passthrough payload for unknown PID: 40",
                  "Shell: ",
                  "[0] SystemInformation::killSuccess - ProcessID=dynamic(-3, raw=253), PID=40",
                  "[0] ProcessManager::killProcess called for process ID: -3",
                  "[0] ProcessManager::killProcess - unknown process type (ProcessID=-3)",
                  "[0] ProcessManager::killProcess - removed unknown PID passthrough=40",
                  "System: 02 28 00 FD",
                  "[0] ProcessManager::process - no matching process for PID: 40",
              }));
}

TEST(ProcessLifecycle, TypeWithoutHandlerPassesThroughUnlessGivenPidZero) {
    ProcessHost host(v31.revision, v31.transport);
    host.created(12, 40);
    host.created(12, 0);
    host.killed(12, 0);
    host.killed(-128, 41);
    host.message(40, {0x05});
    host.message(0, {0x05, 0x00, 0x00, 0x00});
    EXPECT_EQ(host.events(),
              (std::vector<std::string>{
                  "[0] SystemInformation::createSuccess - ProcessID=12, PID=40",
                  "[2] ProcessManager::createProcess - ProcessID=12 not found in map",
                  "[0] ProcessManager::createProcess - registered unknown PID passthrough=40",
                  "System: 00 28 00 0C",
                  "[0] SystemInformation::createSuccess - ProcessID=12, PID=0",
                  "[2] ProcessManager::createProcess - ProcessID=12 not found in map",
                  "System: 00 00 00 0C",
                  // PID 0 is never taken off the passthrough PIDs either.
                  "[0] SystemInformation::killSuccess - ProcessID=12, PID=0",
                  "[0] ProcessManager::killProcess called for process ID: 12",
                  "[2] ProcessManager::killProcess - ProcessID=12 not found in map",
                  "System: 02 00 00 0C",
                  "[0] SystemInformation::killSuccess - ProcessID=dynamic(-128, raw=128), PID=41",
                  "[0] ProcessManager::killProcess called for process ID: -128",
                  "[0] ProcessManager::killProcess - unknown process type (ProcessID=-128)",
                  "[0] ProcessManager::killProcess - removed unknown PID passthrough=41",
                  "System: 02 29 00 80",
                  "[0] ProcessManager::process - passthrough payload for unknown PID: 40",
                  "Shell: 05",
                  "[2] SystemInformation::unknown status=5 (size=4) pidField=0 processIdField=0 "
                  "bytes=[05 00 00 00]",
                  "System: 05 00 00 00",
              }));
}

TEST(ProcessLifecycle, HighPidsAreUnsigned) {
    ProcessHost host(v4.revision, v4.transport);
    host.message(65535, {0x01});
    host.created(-1, 65535);
    host.message(65535, {0x02});
    host.created(PingType, 32768);
    host.text(32768, "p");
    host.killed(PingType, 32768);
    EXPECT_EQ(host.events(),
              (std::vector<std::string>{
                  "[0] ProcessManager::process - no matching process for PID: 65535",
                  "[0] SystemInformation::createSuccess - ProcessID=dynamic(-1, raw=255), "
                  "PID=65535",
                  "[0] ProcessManager::createProcess - unknown process type (ProcessID=-1)",
                  "[0] ProcessManager::createProcess - registered unknown PID passthrough=65535",
                  "System: 00 FF FF FF",
                  "[0] ProcessManager::process - passthrough payload for unknown PID: 65535",
                  "Shell: 02",
                  "[0] SystemInformation::createSuccess - ProcessID=2, PID=32768",
                  "[0] ProcessManager::createProcess setting PID 32768 for process 2",
                  "System: 00 00 80 02",
                  "[0] SystemInformation::killSuccess - ProcessID=2, PID=32768",
                  "[0] ProcessManager::killProcess called for process ID: 2",
                  "[0] ProcessManager::killProcess calling onKilled() for process ID: 2",
                  "Ping: 70 00",
                  "[0] ProcessManager::killProcess completed for process ID: 2 (PID reset from "
                  "32768 to -1)",
                  "System: 02 00 80 02",
              }));
}

TEST(ProcessLifecycle, LowestProcessTypeWinsASharedPid) {
    ProcessHost host(v4.revision, v4.transport);
    host.created(LogType, 50);
    host.created(PingType, 50);
    host.text(50, "x\n");
    host.killed(PingType, 50);
    host.text(50, "y\n");
    EXPECT_EQ(host.processPayloads(),
              (std::vector<Payload>{{"Ping", textOf("x\n", true)}, {"Log", textOf("y\n")}}));
}

TEST(SystemProcess, ShortMessagesAreDropped) {
    ProcessHost host(v4.revision, v4.transport);
    host.message(0, {0x00, 0x11, 0x00});
    host.message(0, {});
    EXPECT_EQ(host.events(), (std::vector<std::string>{
                                 "[2] System::process - invalid payload (size=3)",
                                 "[2] System::process - invalid payload (size=0)",
                             }));
}

TEST(SystemProcess, BytesAfterTheFourthAreHandedOnButNotDecoded) {
    ProcessHost host(v4.revision, v4.transport);
    host.message(0, {0x00, 0x02, 0x01, 0x02, 0xAA, 0xBB});
    host.text(258, "p");
    host.message(0, {0x07, 0x05, 0x00, 0x02});
    EXPECT_EQ(host.events(),
              (std::vector<std::string>{
                  "[0] SystemInformation::createSuccess - ProcessID=2, PID=258",
                  "[0] ProcessManager::createProcess setting PID 258 for process 2",
                  "System: 00 02 01 02 AA BB",
                  "[2] SystemInformation::unknown status=7 (size=4) pidField=5 processIdField=2 "
                  "bytes=[07 05 00 02]",
                  "System: 07 05 00 02",
              }));
}

// ---- User events -------------------------------------------------------------------------------

struct UserEventCase {
    const char* revision;
    Transport transport;
    Bytes message;
    bool deviceTime;  // low 32 bits from the message, upper from the host clock
};

class UserEvents : public ::testing::TestWithParam<UserEventCase> {};

TEST_P(UserEvents, TakeTheTimeTheFirmwareGives) {
    const UserEventCase& c = GetParam();
    ProcessHost host(c.revision, c.transport);
    const uint64_t before = TenvikTest::wallClockMs();
    host.message(0, c.message);
    const uint64_t after = TenvikTest::wallClockMs();
    ASSERT_EQ(host.userEvents.size(), 1u);
    const uint64_t time = host.userEvents[0];
    if (c.deviceTime) {
        EXPECT_EQ(time & 0xFFFFFFFFu, 0x12345678u);
        const uint64_t upper = time >> 32;
        EXPECT_TRUE(upper == before >> 32 || upper == after >> 32) << time;
    } else {
        EXPECT_GE(time, before);
        EXPECT_LE(time, after);
    }
    EXPECT_EQ(host.events(),
              (std::vector<std::string>{
                  "[0] SystemInformation::userEvent - timestamp=" + std::to_string(time),
                  "System: " + ProcessHost::hex(c.message)}));
}

INSTANTIATE_TEST_SUITE_P(
    ClockModes, UserEvents,
    ::testing::Values(UserEventCase{"3.5.59", Transport::V31, {0x04, 0x78, 0x56, 0x34, 0x12}, false},
                      UserEventCase{"3.5.59", Transport::V31, {0x04, 0x00, 0x00, 0x00}, false},
                      UserEventCase{"3.5.60", Transport::V31, {0x04, 0x78, 0x56, 0x34, 0x12}, true},
                      UserEventCase{"3.5.60", Transport::V31, {0x04, 0x78, 0x56, 0x34, 0x12, 0x99}, true},
                      // Too short for the device time: the host clock's time.
                      UserEventCase{"3.5.60", Transport::V31, {0x04, 0x78, 0x56, 0x34}, false},
                      UserEventCase{"4.0.0", Transport::V4, {0x04, 0x78, 0x56, 0x34, 0x12}, true}));

// ---- A host that feeds the device's messages from inside its payload callback -------------------
// A chunk fed from inside a callback waits until the chunk in progress is done, so a handler is
// never entered again while it reports.

TEST(ReentrantHost, HandlerBeingKilledTakesNoMessage) {
    ProcessHost host(v4.revision, v4.transport);
    host.created(PingType, 17);
    host.onEachPayload = [&](const Payload& payload) {
        if (payload.name == "Ping") {
            host.onEachPayload = nullptr;
            host.text(17, "late");
        }
    };
    host.clear();
    host.killed(PingType, 17);
    EXPECT_EQ(host.events(),
              (std::vector<std::string>{
                  "[0] SystemInformation::killSuccess - ProcessID=2, PID=17",
                  "[0] ProcessManager::killProcess called for process ID: 2",
                  "[0] ProcessManager::killProcess calling onKilled() for process ID: 2",
                  "Ping: 00",
                  "[0] ProcessManager::killProcess completed for process ID: 2 (PID reset from 17 "
                  "to -1)",
                  "System: 02 11 00 02",
                  "[0] ProcessManager::process - no matching process for PID: 17",
              }));
}

TEST(ReentrantHost, MessageFedDuringAReplacementIsTakenAfterIt) {
    ProcessHost host(v4.revision, v4.transport);
    host.created(PingType, 17);
    host.text(17, "old");
    host.onEachPayload = [&](const Payload& payload) {
        if (payload.name == "Ping") {
            host.onEachPayload = nullptr;
            host.text(17, "+");  // still the old instance's PID
        }
    };
    host.created(PingType, 18);
    host.killed(PingType, 18);
    // By the time the fed message is taken the new instance holds PID 18: the old PID matches
    // no process, and neither instance's text is mixed with it.
    EXPECT_EQ(host.processPayloads(), (std::vector<Payload>{{"Ping", textOf("old", true)},
                                                            {"Ping", textOf("", true)}}));
}

struct HeldPayload {
    TenvikSDK* sdk = nullptr;
    std::vector<Bytes> seen;  // what the payload pointer showed before and after feeding more
    std::vector<Payload> later;
};

Bytes logMessageV4(const std::string& text) {
    return TenvikTest::DeviceFrames::v4Message(textOf(text), 6);
}

TEST(ReentrantHost, PayloadBytesStayValidWhileTheHostFeedsMore) {
    HeldPayload held;
    held.sdk = TenvikSDK_create("4.0.0", 5);
    TenvikSDK_set_context(&held, held.sdk);
    TenvikSDK_set_payload_callback(
        [](void* context, const char* name, const uint8_t* data, size_t size) {
            auto& self = *static_cast<HeldPayload*>(context);
            if (std::string(name) != "Log") {
                return;
            }
            if (!self.seen.empty()) {
                self.later.push_back({name, Bytes(data, data + size)});
                return;
            }
            self.seen.emplace_back(data, data + size);
            // Long enough to make the handler's buffer grow.
            const Bytes more = logMessageV4(std::string(3000, 'm'));
            TenvikSDK_process_ble_chunk(more.data(), static_cast<int>(more.size()), self.sdk);
            const Bytes tail = logMessageV4("end\n");
            TenvikSDK_process_ble_chunk(tail.data(), static_cast<int>(tail.size()), self.sdk);
            self.seen.emplace_back(data, data + size);
        },
        held.sdk);
    const Bytes create = TenvikTest::DeviceFrames::v4Message({0x00, 0x06, 0x00, 0x06}, 0);
    TenvikSDK_process_ble_chunk(create.data(), static_cast<int>(create.size()), held.sdk);
    const Bytes first = logMessageV4("first\n");
    TenvikSDK_process_ble_chunk(first.data(), static_cast<int>(first.size()), held.sdk);
    TenvikSDK_destroy(held.sdk);

    ASSERT_EQ(held.seen.size(), 2u);
    EXPECT_EQ(held.seen[0], textOf("first\n"));
    EXPECT_EQ(held.seen[1], textOf("first\n"));
    EXPECT_EQ(held.later,
              (std::vector<Payload>{{"Log", textOf(std::string(3000, 'm') + "end\n")}}));
}

// ---- What the host does wrong ---------------------------------------------------------------------

TEST(PayloadCallback, ThrowingLeavesTheHandlerWorking) {
    ProcessHost host(v4.revision, v4.transport);
    host.created(LogType, 6);
    int thrown = 0;
    host.onEachPayload = [&](const Payload& payload) {
        if (payload.name != "Log") {
            return;
        }
        ++thrown;
        if (thrown == 1) {
            throw std::runtime_error("host failure");
        }
        if (thrown == 2) {
            throw 42;
        }
    };
    host.clear();
    host.text(6, "one\n");
    host.text(6, "two\n");
    host.text(6, "three\n");
    EXPECT_EQ(host.events(),
              (std::vector<std::string>{
                  "[2] ProcessManager::didReceivePayload - exception in payload callback",
                  "[2] ProcessManager::didReceivePayload - exception in payload callback",
                  "Log: 74 68 72 65 65 0A",
              }));
}

TEST(PayloadCallback, WithoutOneTheHandlerCarriesOn) {
    ProcessHost fresh(v4.revision, v4.transport);
    fresh.created(PingType, 6);
    TenvikSDK_set_payload_callback(nullptr, fresh.sdk);
    fresh.text(6, "lost");
    fresh.killed(PingType, 6);
    EXPECT_EQ(fresh.events(),
              (std::vector<std::string>{
                  "[0] SystemInformation::createSuccess - ProcessID=2, PID=6",
                  "[0] ProcessManager::createProcess setting PID 6 for process 2",
                  "System: 00 06 00 02",
                  "[0] SystemInformation::killSuccess - ProcessID=2, PID=6",
                  "[0] ProcessManager::killProcess called for process ID: 2",
                  "[0] ProcessManager::killProcess calling onKilled() for process ID: 2",
                  "[0] ProcessManager::didReceivePayload - callback is null",
                  "[0] ProcessManager::killProcess completed for process ID: 2 (PID reset from 6 "
                  "to -1)",
                  "[0] ProcessManager::didReceivePayload - callback is null",
              }));
}

// ---- Bodies too short for what they announce ------------------------------------------------------

TEST(ShortBodies, SetStatusBodyIsReportedAndDropped) {
    for (const Bytes& body : {Bytes(15, 0x01), Bytes{}}) {
        ProcessHost host(v31.revision, v31.transport);
        host.created(SetType, 9);
        host.message(9, body, 2);
        host.clear();
        host.killed(SetType, 9);
        EXPECT_TRUE(host.processPayloads().empty());
        EXPECT_NE(std::find(host.timeline.begin(), host.timeline.end(),
                            "[1] Set::onKilled wrong size " + std::to_string(body.size())),
                  host.timeline.end());
        // The options went back to 0 and the buffer is empty: the next instance is a text.
        host.created(SetType, 10);
        host.killed(SetType, 10);
        EXPECT_EQ(host.processPayloads(), (std::vector<Payload>{{"Set", {0x00}}}));
    }
}

// What the last message of an instance said about its body outlives the instance: the options
// of a status body go back to 0 once it is read, the kind of a memory information body stays.
struct FollowingInstanceCase {
    const char* label;
    int type;
    Bytes body;  // the only message of the first instance
    uint64_t options;
    std::vector<Payload> payloads;  // of the first instance, then of an instance without messages
    const char* line;               // a line the second instance gives, if any
    friend void PrintTo(const FollowingInstanceCase& c, std::ostream* out) { *out << c.label; }
};

class FollowingInstance : public ::testing::TestWithParam<FollowingInstanceCase> {};

TEST_P(FollowingInstance, ReadsItsBodyAsTheLastMessageLeftIt) {
    const FollowingInstanceCase& c = GetParam();
    ProcessHost host(v31.revision, v31.transport);
    host.created(c.type, 9);
    host.message(9, c.body, c.options);
    host.killed(c.type, 9);
    host.created(c.type, 10);
    host.killed(c.type, 10);
    EXPECT_EQ(host.processPayloads(), c.payloads);
    if (c.line != nullptr) {
        EXPECT_NE(std::find(host.timeline.begin(), host.timeline.end(), c.line),
                  host.timeline.end());
    }
}

const std::vector<FollowingInstanceCase> followingInstanceCases = {
    {"SetStatusThenText", SetType, statusBody, 2,
     {{"Stat", textOf(statusText)}, {"Set", {0x00}}}, nullptr},
    {"MemoryInformationThenInformation", MemoryType, memoryBody, 1,
     {{"MemoryInfo", textOf(memoryText)}}, "[1] Memory::parseMemoryInfoMessage wrong size 0"},
};

INSTANTIATE_TEST_SUITE_P(Bodies, FollowingInstance, ::testing::ValuesIn(followingInstanceCases),
                         [](const auto& caseInfo) { return std::string(caseInfo.param.label); });

TEST(ShortBodies, MemoryInformationOfWrongSizeIsReported) {
    ProcessHost host(v31.revision, v31.transport);
    host.created(MemoryType, 9);
    host.message(9, Bytes(11, 0x01), 1);
    host.killed(MemoryType, 9);
    host.created(MemoryType, 9);
    host.message(9, memoryBody, 1);
    host.killed(MemoryType, 9);
    EXPECT_NE(std::find(host.timeline.begin(), host.timeline.end(),
                        "[1] Memory::parseMemoryInfoMessage wrong size 11"),
              host.timeline.end());
    EXPECT_EQ(host.processPayloads(), (std::vector<Payload>{{"MemoryInfo", textOf(memoryText)}}));
}

// ---- Collect --------------------------------------------------------------------------------------

struct CollectCase {
    const char* revision;
    Transport transport;
    int emptyBlocks;
    std::vector<std::string> sessionLines;
};

class CollectSessions : public ::testing::TestWithParam<CollectCase> {};

// The session format follows the firmware: 15 signals before 3.7.86, 16 from it, 18 from 4.0.0.
// A payload with fewer blocks than the format expects shows where the reading stopped.
TEST_P(CollectSessions, ReadTheSignalCountOfTheFirmware) {
    const CollectCase& c = GetParam();
    ProcessHost host(c.revision, c.transport);
    host.created(CollectType, 21);
    Bytes session(17, 0);
    session[5] = 0x01;  // some time in 2005
    session[13] = 0x01;
    session.resize(17 + 2 * static_cast<size_t>(c.emptyBlocks), 0);
    host.clear();
    host.message(21, session);
    EXPECT_EQ(host.events(), c.sessionLines);
}

const std::string missingLengthAt47 =
    "[2] Session::deserialize: not enough bytes for signal size (required=2, offset=47, "
    "payload=47)";
const std::string missingLengthAt49 =
    "[2] Session::deserialize: not enough bytes for signal size (required=2, offset=49, "
    "payload=49)";

INSTANTIATE_TEST_SUITE_P(
    Formats, CollectSessions,
    ::testing::Values(CollectCase{"3.7.85", Transport::V31, 15, {}},
                      CollectCase{"3.7.86", Transport::V31, 15, {missingLengthAt47}},
                      CollectCase{"3.7.86", Transport::V31, 16, {}},
                      CollectCase{"4.0.0", Transport::V4, 16, {missingLengthAt49}},
                      CollectCase{"4.0.0", Transport::V4, 18, {}}));

TEST(CollectSessionsEdge, EmptyMessageIsStillASession) {
    ProcessHost host(v4.revision, v4.transport);
    host.created(CollectType, 21);
    host.clear();
    host.message(21, {});
    EXPECT_EQ(host.events(),
              (std::vector<std::string>{"[2] Session::deserialize: empty payload"}));
}

}  // namespace
