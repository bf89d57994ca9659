// Steady link traffic allocates nothing: once the first packages have sized the link's
// buffers, reassembly under protocols 2 and 3 and framed sends under protocols 2 and 3 run
// without a single allocation.
#include <gtest/gtest.h>

#include <algorithm>
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
