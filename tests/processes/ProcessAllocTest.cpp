// Reading a session allocates nothing, and a process message in steady state allocates nothing
// either, with or without a log callback. A buffering handler holds at most 1.5 bytes of heap per
// byte of the instance it collects, and lets go of a long answer's buffer once it has handed the
// answer over.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "CountingAllocator.h"
#include "DeviceFrames.h"
#include "SessionFrames.h"
#include "common/FirmwareVersion.h"
#include "common/Log.h"
#include "sdk/TenvikSDK.h"
#include "session/Session.h"

namespace {

using TenvikTest::Bytes;
using TenvikTest::SessionFrame;

const uint16_t capacities[] = {1000, 150, 10, 10, 10, 50, 100, 504, 900,
                               700,  10,  10, 2,  16, 10, 2,   120, 32};

Bytes fullSession() {
    SessionFrame frame(1700000000000, 1700000010000, 1);
    for (size_t i = 0; i < 18; ++i) {
        frame.block(TenvikTest::countingBytes(capacities[i], static_cast<uint8_t>(i)));
    }
    return frame.data();
}

size_t allocationsReading(const Bytes& payload, uint8_t signalCount) {
    const TenvikTest::AllocationScope scope;
    const Tenvik::Session session(payload.empty() ? nullptr : payload.data(),
                                  static_cast<uint16_t>(payload.size()), signalCount);
    EXPECT_LE(session.serializedSize(), 3689u);
    return scope.count();
}

TEST(SessionAllocations, ReadingASessionAllocatesNothing) {
    const Bytes full = fullSession();
    Bytes larger = full;
    larger.resize(4500, 0x33);
    const Bytes overCapacity = SessionFrame(1, 2, 0).block(Bytes(1001, 0xEE)).data();
    EXPECT_EQ(allocationsReading(full, 18), 0u);
    EXPECT_EQ(allocationsReading(full, 15), 0u);
    EXPECT_EQ(allocationsReading(Bytes(full.begin(), full.begin() + 1500), 18), 0u);
    EXPECT_EQ(allocationsReading(larger, 255), 0u);
    EXPECT_EQ(allocationsReading(overCapacity, 18), 0u);
    EXPECT_EQ(allocationsReading({}, 18), 0u);
}

void countLine(void* context, int, const char*) { ++*static_cast<int*>(context); }

// The warnings of a faulty payload go to the host without an allocation of their own once the
// log buffer has grown to the longest of them.
TEST(SessionAllocations, WarningsOfAFaultySessionAllocateNothingOnceWarm) {
    const Bytes truncated = SessionFrame(5, 1700000000000, 0).block(Bytes(1001, 0xEE)).data();
    const Bytes cutShort(truncated.begin(), truncated.begin() + 900);
    int lines = 0;
    Tenvik::setLogCallback(&countLine, &lines);
    allocationsReading(truncated, 255);
    allocationsReading(cutShort, 255);
    lines = 0;
    EXPECT_EQ(allocationsReading(truncated, 255), 0u);
    EXPECT_EQ(allocationsReading(cutShort, 255), 0u);
    Tenvik::clearLogCallback();
    // Count, start time, block over its capacity, missing length; count, start time, block cut
    // short.
    EXPECT_EQ(lines, 7);
}

// ---- Process messages in steady state -----------------------------------------------------------

// Once a first instance has sized the buffers, the messages of an instance, its create and kill
// reports and every payload they give allocate nothing: a handler keeps up to 4 KiB of buffer
// from one instance to the next, and an update message or the JSON text of a status or memory
// body reaches the host without a copy. Two things still allocate, each case states where:
// registering the PID of a type without a handler takes one node of the PID set, and an answer
// whose buffer grew beyond 4 KiB released it when it was handed over, so the next one grows it
// again, once for each message that finds it full (it grows by half its capacity).

struct Message {
    Bytes bytes;
    uint64_t options = 0;
    size_t allocations = 0;  // what the message costs in steady state
};

struct HandlerCase {
    const char* label;
    int type;
    std::vector<Message> messages;
    size_t atKill = 0;    // allocations the kill report costs
    size_t atCreate = 0;  // allocations the create report costs
    size_t logged = 0;    // further allocations of each message while a log callback is set
};

Bytes text(size_t length, char last) {
    Bytes bytes(length, 'q');
    bytes.back() = static_cast<uint8_t>(last);
    return bytes;
}

const Bytes statusBody(16, 0x07);
const Bytes memoryBody(12, 0x01);

const HandlerCase handlerCases[] = {
    {"Ping", 2, {{text(40, 'a')}, {text(40, 'b')}, {text(40, 'c')}}},
    {"Dump", 5, {{Bytes(40, 0xC3)}, {text(40, 'd')}}},
    {"Log", 6, {{text(40, '\n')}, {text(30, 'x')}, {text(30, '\n')}}},
    {"SetText", 3, {{text(40, 's'), 1}, {text(40, 's'), 1}}},
    {"SetStatus", 3, {{statusBody, 2}}},
    {"MemoryInformation", 4, {{memoryBody, 1}}},
    {"MemoryTest", 4, {{text(40, 'm'), 0}}},
    {"Update", 1, {{text(40, 'u')}, {text(40, 'u')}, {{}}}},
    {"Collect", 8,
     {{SessionFrame(1700000000000, 1700000001000, 2)
           .block(Bytes(999, 0x10))
           .block(Bytes(150, 0x20))
           .emptyBlocks(14)
           .data()}}},
    {"Shell", -3, {{text(40, 'h')}, {text(200, 'h')}}, 0, 1},
    // 2000 bytes a message: capacities 2001, 4001, 6001, 9001 and 13501, then room for the
    // sixth message and the terminator; the buffer is let go when the dump is handed over.
    {"LongDump", 5,
     {{text(2000, 'd'), 0, 1},
      {text(2000, 'd'), 0, 1},
      {text(2000, 'd'), 0, 1},
      {text(2000, 'd'), 0, 1},
      {text(2000, 'd'), 0, 1},
      {text(2000, 'd'), 0, 0}}},
    // The second message fills the buffer (capacities 3001 and 6001) but for the terminator's
    // room, so the kill report adds the terminator without growing it.
    {"FullDump", 5, {{text(3000, 'd'), 0, 1}, {text(3000, 'd'), 0, 1}}},
    // The line feed hands a 9001-byte buffer over and lets it go, so the next text of the same
    // instance starts a buffer of its own, 256 bytes, which the text after it fits.
    {"LongLogLine", 6,
     {{text(2000, 'x'), 0, 1},
      {text(2000, 'x'), 0, 1},
      {text(2000, 'x'), 0, 1},
      {text(2000, '\n'), 0, 1},
      {text(40, 'y'), 0, 1},
      {text(40, 'y'), 0, 0}}},
};

class SteadyProcesses : public ::testing::TestWithParam<std::tuple<bool, HandlerCase>> {
protected:
    static void onPayload(void* context, const char*, const uint8_t*, size_t) {
        ++*static_cast<int*>(context);
    }
    void SetUp() override {
        if (std::get<0>(GetParam())) {
            Tenvik::setLogCallback(&countLine, &lines);
        }
        sdk = std::make_unique<Tenvik::TenvikSDK>(Tenvik::FirmwareVersion::fromText("3.7.86"));
        sdk->setContext(&payloads);
        sdk->setPayloadCallback(&SteadyProcesses::onPayload);
    }
    void TearDown() override { Tenvik::clearLogCallback(); }
    // The message as the device sends it under protocol 3 with the V3.1 header: the header,
    // then the payload in 20-byte chunks.
    static std::vector<Bytes> chunksOf(uint16_t pid, const Message& message) {
        std::vector<Bytes> chunks{TenvikTest::DeviceFrames::v31Header(
            static_cast<uint16_t>(message.bytes.size()), 0, pid, message.options)};
        for (const Bytes& part : TenvikTest::inChunks(message.bytes, 20)) {
            chunks.push_back(part);
        }
        return chunks;
    }
    static Message report(uint8_t kind, uint16_t pid, int type) {
        return {{kind, static_cast<uint8_t>(pid), static_cast<uint8_t>(pid >> 8),
                 static_cast<uint8_t>(type)}};
    }
    size_t allocationsFeeding(const std::vector<Bytes>& chunks) {
        const TenvikTest::AllocationScope scope;
        for (const Bytes& chunk : chunks) {
            sdk->processBLEChunk(chunk.data(), static_cast<int>(chunk.size()));
        }
        return scope.count();
    }

    int payloads = 0;
    int lines = 0;
    std::unique_ptr<Tenvik::TenvikSDK> sdk;
};

TEST_P(SteadyProcesses, AllocateOnlyWhereTheirCaseStates) {
    const HandlerCase& c = std::get<1>(GetParam());
    constexpr uint16_t pid = 300;
    const std::vector<Bytes> create = chunksOf(0, report(0x00, pid, c.type));
    const std::vector<Bytes> kill = chunksOf(0, report(0x02, pid, c.type));
    std::vector<std::vector<Bytes>> messages;
    for (const Message& message : c.messages) {
        messages.push_back(chunksOf(pid, message));
    }
    // The first instance sizes the buffers; the second shows the steady state.
    for (int instance = 0; instance < 2; ++instance) {
        const bool steady = instance == 1;
        const size_t creating = allocationsFeeding(create);
        if (steady) {
            EXPECT_EQ(creating, c.atCreate) << "create report";
        }
        for (size_t i = 0; i < messages.size(); ++i) {
            const size_t cost = allocationsFeeding(messages[i]);
            if (steady) {
                const size_t logged = std::get<0>(GetParam()) ? c.logged : 0;
                EXPECT_EQ(cost, c.messages[i].allocations + logged) << "message " << i;
            }
        }
        const size_t killing = allocationsFeeding(kill);
        if (steady) {
            EXPECT_EQ(killing, c.atKill) << "kill report";
        }
    }
    EXPECT_GT(payloads, 0);
    if (std::get<0>(GetParam())) {
        EXPECT_GT(lines, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Handlers, SteadyProcesses,
                         ::testing::Combine(::testing::Bool(), ::testing::ValuesIn(handlerCases)),
                         [](const auto& caseInfo) {
                             return std::string(std::get<0>(caseInfo.param) ? "LogOn_"
                                                                            : "LogOff_") +
                                    std::get<1>(caseInfo.param).label;
                         });

// ---- Heap a buffering handler holds -------------------------------------------------------

// How an instance of about 1.2 MB ends: its kill report, or for the log process the line feed
// at the end of its last message, after which the instance goes on.
struct HeldCase {
    const char* label;
    int type;
    uint64_t options;
    const char* payloadName;  // what the end gives the host; null for nothing
    bool endsWithLineFeed = false;
};

const HeldCase heldCases[] = {
    {"Ping", 2, 0, "Ping"},
    {"Dump", 5, 0, "Dump"},
    {"SetText", 3, 1, "Set"},
    {"SetStatus", 3, 2, "Stat"},
    {"MemoryTest", 4, 0, "Memtest"},
    {"MemoryInformationOfWrongSize", 4, 1, nullptr},
    {"LogWithoutLineFeed", 6, 0, "Log"},
    {"LogLine", 6, 0, "Log", true},
};

struct LastPayload {
    std::string name;
    size_t size = 0;
    int count = 0;
};

class HeldMemory : public ::testing::TestWithParam<HeldCase> {
protected:
    static constexpr uint16_t pid = 40;
    static constexpr int messageCount = 20;
    static constexpr int64_t messageSize = 60000;

    static void onPayload(void* context, const char* name, const uint8_t*, size_t size) {
        auto& received = *static_cast<LastPayload*>(context);
        if (std::string_view(name) != "System") {
            received.name.assign(name);
            received.size = size;
            ++received.count;
        }
    }
    void SetUp() override {
        sdk = std::make_unique<Tenvik::TenvikSDK>(Tenvik::FirmwareVersion::fromText("4.0.0"));
        sdk->setContext(&received);
        sdk->setPayloadCallback(&HeldMemory::onPayload);
    }
    void feed(const Bytes& message) {
        sdk->processBLEChunk(message.data(), static_cast<int>(message.size()));
    }
    void report(uint8_t kind) {
        const auto type = static_cast<uint8_t>(GetParam().type);
        feed(TenvikTest::v4Message({kind, static_cast<uint8_t>(pid), 0x00, type}, 0));
    }
    Bytes message(bool last) const {
        return TenvikTest::v4Message(
            text(messageSize, last && GetParam().endsWithLineFeed ? '\n' : 'q'), pid,
            GetParam().options);
    }
    // The instance's end: the kill report, or the last message with its line feed.
    void end(const Bytes& lastMessage) {
        if (GetParam().endsWithLineFeed) {
            feed(lastMessage);
        } else {
            report(0x02);
        }
    }

    LastPayload received;
    std::unique_ptr<Tenvik::TenvikSDK> sdk;
};

// While it collects, what the handler holds lies between the bytes collected and half as much
// again (and, for the moment of a growth step, the old buffer beside the new one); once the
// answer is handed over it holds nothing of it.
TEST_P(HeldMemory, StaysWithinHalfAgainAndIsReleasedWhenTheAnswerIsHandedOver) {
    const HeldCase& c = GetParam();
    const Bytes middle = message(false);
    const Bytes final = message(true);
    // A first instance of one message sizes the link's buffers.
    report(0x00);
    feed(final);
    report(0x02);
    received = {};
    const int64_t before = TenvikTest::heapBytesInUse();
    TenvikTest::resetHeapPeak();
    report(0x00);
    int64_t fed = 0;
    for (int i = 0; i + 1 < messageCount; ++i) {
        feed(middle);
        fed += messageSize;
        const int64_t held = TenvikTest::heapBytesInUse() - before;
        EXPECT_GE(held, fed) << "after message " << i;
        EXPECT_LE(held, fed + fed / 2 + 2) << "after message " << i;
    }
    const int64_t total = fed + messageSize;
    if (!c.endsWithLineFeed) {
        feed(final);
    }
    end(final);
    EXPECT_LE(TenvikTest::heapPeak() - before, total + total / 2 + total + 3);
    EXPECT_EQ(TenvikTest::heapBytesInUse() - before, 0);
    if (c.payloadName == nullptr) {
        EXPECT_EQ(received.count, 0);
        return;
    }
    ASSERT_EQ(received.count, 1);
    EXPECT_EQ(received.name, c.payloadName);
    if (c.endsWithLineFeed) {
        EXPECT_EQ(received.size, static_cast<size_t>(total));
    } else if (c.options != 2) {
        EXPECT_EQ(received.size, static_cast<size_t>(total + 1));  // the terminator
    }
}

INSTANTIATE_TEST_SUITE_P(Handlers, HeldMemory, ::testing::ValuesIn(heldCases),
                         [](const auto& caseInfo) { return std::string(caseInfo.param.label); });

}  // namespace
