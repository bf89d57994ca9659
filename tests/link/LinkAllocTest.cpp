// Steady link traffic allocates nothing: once the first packages have sized the link's
// buffers, reassembly under protocols 2 and 3 and framed sends under protocols 2 and 3 run
// without a single allocation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "CountingAllocator.h"
#include "DeviceFrames.h"
#include "tenvik_sdk.h"

namespace {

using TenvikTest::DeviceFrames::Bytes;
using namespace TenvikTest::DeviceFrames;

struct Counts {
    int payloads = 0;
    int sends = 0;
};

void onPayload(void* context, const char*, const uint8_t*, size_t) {
    ++static_cast<Counts*>(context)->payloads;
}
void onSend(void* context, const uint8_t*, int) { ++static_cast<Counts*>(context)->sends; }

class SteadyTraffic : public ::testing::Test {
protected:
    void start(const std::string& revision) {
        sdk = TenvikSDK_create(revision.data(), static_cast<int>(revision.size()));
        TenvikSDK_set_context(&counts, sdk);
        TenvikSDK_set_payload_callback(onPayload, sdk);
        TenvikSDK_set_ble_send_callback(onSend, sdk);
    }
    void TearDown() override { TenvikSDK_destroy(sdk); }
    void feed(const Bytes& stream, size_t chunkSize) {
        for (size_t offset = 0; offset < stream.size(); offset += chunkSize) {
            const size_t length = std::min(chunkSize, stream.size() - offset);
            TenvikSDK_process_ble_chunk(stream.data() + offset, static_cast<int>(length), sdk);
        }
    }
    size_t allocationsDuring(const std::function<void()>& traffic) {
        traffic();  // sizes the buffers
        const TenvikTest::AllocationScope scope;
        traffic();
        return scope.count();
    }
    TenvikSDK* sdk = nullptr;
    Counts counts;
};

TEST_F(SteadyTraffic, ProtocolThreeReassemblyAllocatesNothing) {
    start("3.0.0");
    Bytes stream = v3Message(Bytes(3000, 0x5A), 5);
    stream = joined({stream, v3Message(Bytes(10, 0x01), 0)});
    const Bytes header = v31Header(500, 1, 4, 99);
    const Bytes v31Payload(500, 0x33);
    EXPECT_EQ(allocationsDuring([&] {
                  for (int i = 0; i < 20; ++i) {
                      feed(stream, 244);
                      TenvikSDK_process_ble_chunk(header.data(), 14, sdk);
                      feed(v31Payload, 20);
                  }
              }),
              0);
}

TEST_F(SteadyTraffic, ProtocolTwoReassemblyAndNamedPayloadsAllocateNothing) {
    start("2.2.15");
    const Bytes stream = joined({v2Packet(1, Bytes(400, 0x11)), v2Packet(0, Bytes(3, 0x22)),
                                 {0x00, 0xFF}, v2Packet(1, Bytes(40, 0x33))});
    EXPECT_EQ(allocationsDuring([&] {
                  for (int i = 0; i < 20; ++i) {
                      feed(stream, 20);
                  }
              }),
              0);
    EXPECT_EQ(counts.payloads, 2 * 20 * 3);
}

TEST_F(SteadyTraffic, FramedSendsAllocateNothing) {
    for (const char* revision : {"2.2.16", "3.2.30"}) {
        start(revision);
        const Bytes payload(200, 0x44);
        EXPECT_EQ(allocationsDuring([&] {
                      for (int i = 0; i < 20; ++i) {
                          TenvikSDK_send(payload.data(), static_cast<int>(payload.size()), 9, sdk);
                      }
                  }),
                  0)
            << revision;
        TenvikSDK_destroy(sdk);
        sdk = nullptr;
    }
    EXPECT_EQ(counts.sends, 2 * 2 * 20);
}

}  // namespace

namespace {

// ---- Every protocol, with and without a log callback ------------------------------------------

// Counts log lines, and those that contain the witness text, without allocating.
struct LineCounter {
    const char* witness = nullptr;
    int lines = 0;
    int witnessed = 0;
    static void onLog(void* context, int, const char* text) {
        auto* self = static_cast<LineCounter*>(context);
        ++self->lines;
        if (self->witness != nullptr && std::strstr(text, self->witness) != nullptr) {
            ++self->witnessed;
        }
    }
};

struct TrafficCase {
    std::string name;
    const char* revision;
    std::vector<Bytes> messages;  // each fed in chunks of `chunkSize`
    size_t chunkSize;
    Bytes command;       // sent `sends` times
    int sends;
    bool log;
    // A text that log lines of each round contain, to show the traffic went all the way
    // through (null: the path logs nothing).
    const char* witness;
};

class EveryPath : public ::testing::TestWithParam<TrafficCase> {};

TEST_P(EveryPath, SteadyTrafficAllocatesNothing) {
    const TrafficCase& c = GetParam();
    TenvikSDK* sdk = TenvikSDK_create(c.revision, static_cast<int>(std::strlen(c.revision)));
    ASSERT_NE(sdk, nullptr);
    Counts counts;
    TenvikSDK_set_context(&counts, sdk);
    TenvikSDK_set_payload_callback(onPayload, sdk);
    TenvikSDK_set_ble_send_callback(onSend, sdk);
    LineCounter log;
    log.witness = c.witness;
    if (c.log) {
        TenvikSDK_set_log_callback(&LineCounter::onLog, &log);
    }
    auto round = [&] {
        for (const Bytes& message : c.messages) {
            for (size_t offset = 0; offset < message.size(); offset += c.chunkSize) {
                const size_t length = std::min(c.chunkSize, message.size() - offset);
                TenvikSDK_process_ble_chunk(message.data() + offset, static_cast<int>(length),
                                            sdk);
            }
        }
        for (int i = 0; i < c.sends; ++i) {
            TenvikSDK_send(c.command.data(), static_cast<int>(c.command.size()), 9, sdk);
        }
    };
    round();  // sizes the buffers, sets zlib up
    round();
    log.witnessed = 0;
    size_t allocations = 0;
    {
        const TenvikTest::AllocationScope scope;
        for (int i = 0; i < 4; ++i) {
            round();
        }
        allocations = scope.count();
    }
    EXPECT_EQ(allocations, 0u);
    EXPECT_EQ(counts.sends, 6 * c.sends);
    if (c.log && c.witness != nullptr) {
        EXPECT_GE(log.witnessed, 4);
    }
    TenvikSDK_set_log_callback(nullptr, nullptr);
    TenvikSDK_destroy(sdk);
}

Bytes textOf(size_t size) {
    Bytes text;
    for (size_t i = 0; text.size() < size; ++i) {
        const std::string word = "t=" + std::to_string(i * 7919 % 10007) + ";";
        text.insert(text.end(), word.begin(), word.end());
    }
    text.resize(size);
    return text;
}

Bytes gzipMessage(size_t inflatedSize, uint16_t pid) {
    return v4Message(TenvikTest::gzipStream(textOf(inflatedSize)), pid, 0, 0x02);
}

std::vector<TrafficCase> trafficCases() {
    std::vector<TrafficCase> cases;
    for (bool log : {false, true}) {
        auto add = [&](const char* name, const char* revision, std::vector<Bytes> messages,
                       size_t chunkSize, Bytes command, int sends, const char* witness) {
            cases.push_back({std::string(name) + (log ? "WithLog" : ""), revision,
                             std::move(messages), chunkSize, std::move(command), sends, log,
                             witness});
        };
        add("V1Chunks", "2.2.14", {Bytes(400, 0x21)}, 20, {}, 0, nullptr);
        add("V2PacketsAndSends", "2.2.16",
            {joined({v2Packet(1, Bytes(400, 0x11)), v2Packet(0, Bytes(3, 0x22))})}, 20,
            Bytes(200, 0x44), 3, "legacyBuffer size after");
        add("V3PackagesAndSends", "3.0.0", {v3Message(Bytes(3000, 0x5A), 5)}, 244,
            Bytes(3000, 0x45), 3, "Processing new package");
        add("V4Plain1k", "4.0.0", {v4Message(textOf(1000), 7)}, 244, Bytes(1000, 0x46), 3,
            "didReceivePackage: size=1000");
        add("V4Plain60k", "4.0.0", {v4Message(textOf(60000), 7)}, 244, Bytes(60000, 0x47), 3,
            "didReceivePackage: size=60000");
        add("V4Gzip1k", "4.0.0", {gzipMessage(1000, 8)}, 244, {}, 0,
            "didReceivePackage: size=1000");
        add("V4Gzip10k", "4.0.0", {gzipMessage(10000, 8)}, 244, {}, 0,
            "didReceivePackage: size=10000");
        // A long message after a short one: the output buffer is reused, not grown anew.
        add("V4GzipLongAndShort", "4.0.0", {gzipMessage(60000, 8), gzipMessage(100, 9)}, 244, {},
            0, "didReceivePackage: size=60000");
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Protocols, EveryPath, ::testing::ValuesIn(trafficCases()),
                         [](const auto& caseInfo) { return caseInfo.param.name; });

// zlib allocates with malloc, not operator new: the counter must see it.
TEST(AllocationCounter, SeesZlibsMalloc) {
    TenvikSDK* sdk = TenvikSDK_create("4.0.0", 5);
    const Bytes message = gzipMessage(100, 3);
    const TenvikTest::AllocationScope scope;
    TenvikSDK_process_ble_chunk(message.data(), static_cast<int>(message.size()), sdk);
    EXPECT_GE(scope.count(), 2u);  // the inflate state and its window
    TenvikSDK_destroy(sdk);
}

}  // namespace
