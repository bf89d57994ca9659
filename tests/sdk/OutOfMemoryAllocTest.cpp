// An instance that cannot get its memory is not created: TenvikSDK_create returns null and
// nothing thrown inside reaches the host, whichever allocation fails.
#include <gtest/gtest.h>

#include "CountingAllocator.h"
#include "tenvik_sdk.h"

namespace {

class OutOfMemory : public ::testing::Test {
protected:
    void SetUp() override {
#if defined(_WIN32)
        // The first exception thrown while malloc keeps failing needs the runtime's emergency
        // pool, whose winpthread mutex allocates on first use: the throw never completes.
        GTEST_SKIP() << "MinGW's posix-threads C++ runtime cannot throw while every "
                        "allocation fails";
#endif
    }
};

TEST_F(OutOfMemory, CreateReturnsNullWhicheverAllocationFails) {
    // A first instance pays for the one-time initialisations of the runtime; the second one
    // shows how many allocations an instance needs.
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

TEST_F(OutOfMemory, ExportsSwallowAFailedAllocation) {
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

}  // namespace
