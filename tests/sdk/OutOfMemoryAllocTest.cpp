// An instance that cannot get its memory is not created: TenvikSDK_create returns null and
// nothing thrown inside reaches the host, whichever allocation fails.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "CountingAllocator.h"
#include "TestThread.h"
#include "tenvik_sdk.h"

namespace {

TEST(OutOfMemory, CreateReturnsNullWhicheverAllocationFails) {
    // A first instance pays for the one-time initialisations of the runtime and of this
    // thread; the second one shows how many allocations an instance needs.
    TenvikSDK_destroy(TenvikSDK_create("3.6.62", 6));
    size_t needed = 0;
    {
        const TenvikTest::AllocationScope scope;
        TenvikSDK* sdk = TenvikSDK_create("3.6.62", 6);
        needed = scope.count();
        ASSERT_NE(sdk, nullptr);
        TenvikSDK_destroy(sdk);
    }
    ASSERT_GT(needed, 0u);
    for (size_t allowed = 0; allowed < needed; ++allowed) {
        TenvikSDK* sdk = nullptr;
        {
            const TenvikTest::AllocationFailure failure(allowed);
            sdk = TenvikSDK_create("3.6.62", 6);
        }
        EXPECT_EQ(sdk, nullptr) << "allocation " << allowed << " failed";
        TenvikSDK_destroy(sdk);
    }
}

TEST(OutOfMemory, ExportsSwallowAFailedAllocation) {
    TenvikSDK* sdk = TenvikSDK_create("2.2.15", 6);
    ASSERT_NE(sdk, nullptr);
    const uint8_t ping[4] = {'p', 'i', 'n', 'g'};
    {
        // A send under protocol 2 queues the command word and frames the packet.
        const TenvikTest::AllocationFailure failure(0);
        TenvikSDK_send(ping, 4, 0, sdk);
    }
    TenvikSDK_destroy(sdk);
}

// Receives lines without allocating, so that it may run while allocations fail.
struct ReceivedLines {
    int count = 0;
    char last[128] = {};
};

void receiveLine(void* context, int, const char* text) {
    auto* lines = static_cast<ReceivedLines*>(context);
    ++lines->count;
    std::snprintf(lines->last, sizeof lines->last, "%s", text);
}

TEST(OutOfMemory, ALineThatCannotBeBuiltIsDropped) {
    ReceivedLines whileFailing;
    ReceivedLines afterwards;
    // A new thread: its own state (log buffers, the runtime's exception state) is made while
    // it runs, the first line's buffer only when that line is logged.
    TenvikTest::TestThread thread([&] {
        TenvikSDK* sdk = TenvikSDK_create("3.0.0", 5);
        const uint8_t twoBytes[2] = {1, 2};  // a wrong-size battery value: one log line
        TenvikSDK_set_log_callback(receiveLine, &whileFailing);
        {
            const TenvikTest::AllocationFailure failure(0);
            TenvikSDK_process_battery_package(twoBytes, 2, sdk);
        }
        TenvikSDK_set_log_callback(receiveLine, &afterwards);
        TenvikSDK_process_battery_package(twoBytes, 2, sdk);
        TenvikSDK_destroy(sdk);
    });
    thread.join();
    EXPECT_EQ(whileFailing.count, 0);
    EXPECT_EQ(afterwards.count, 1);
    EXPECT_EQ(std::string(afterwards.last), "DataConverter.processBatteryPackage: size = 2");
}

}  // namespace
