// Firmware-dependent wiring of the SDK object.
#include "sdk/TenvikSDK.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/HostCallbacks.h"

namespace Tenvik {
namespace {

struct WiringCase {
    std::string revision;
    int route;
    int legacyHeaderVersion;
};

class FirmwareWiring : public ::testing::TestWithParam<WiringCase> {};

TEST_P(FirmwareWiring, RoutingAndLegacyHeaderFollowTheRevision) {
    const WiringCase& c = GetParam();
    const TenvikSDK sdk(FirmwareVersion::fromText(c.revision));
    EXPECT_EQ(sdk.getRouteToProcessManager(), c.route) << c.revision;
    EXPECT_EQ(sdk.getSender().getProtocolVersion(), c.legacyHeaderVersion) << c.revision;
    EXPECT_EQ(sdk.getReceiver().getProtocolVersion(), c.legacyHeaderVersion) << c.revision;
    EXPECT_EQ(sdk.getSender().getMaxPackageSize(), 18);
    EXPECT_EQ(sdk.getReceiver().getCmdPackageSize(), 18u);
}

INSTANTIATE_TEST_SUITE_P(Revisions, FirmwareWiring,
                         ::testing::Values(WiringCase{"2.2.14", 0, 1}, WiringCase{"2.2.15", 1, 2},
                                           WiringCase{"2.2.18", 1, 2},
                                           WiringCase{"2.2.19", 1, 3},
                                           WiringCase{"2.2.22", 1, 3},
                                           WiringCase{"2.2.23", 2, 3},
                                           WiringCase{"3.6.62", 2, 3}));

TEST(FirmwareWiring, AnInvalidVersionLeavesTheInitialSettings) {
    const TenvikSDK sdk(FirmwareVersion{});
    EXPECT_EQ(sdk.getRouteToProcessManager(), 0);
    EXPECT_EQ(sdk.getSender().getProtocolVersion(), 3);
    EXPECT_EQ(sdk.getSender().getMode(), 1);
}


// What the constructor hands the process manager, and through it the synchronisation process,
// the collect process and the user-event clock.
struct ProcessWiringCase {
    std::string revision;
    uint32_t dataVersion;
    int syncMode;
    int signalCount;
    int userEventClockMode;
};

class ProcessWiring : public ::testing::TestWithParam<ProcessWiringCase> {};

TEST_P(ProcessWiring, ConfigureTakesTheSelectorsInItsArgumentOrder) {
    const ProcessWiringCase& c = GetParam();
    const TenvikSDK sdk(FirmwareVersion::fromText(c.revision));
    const Sync& sync = sdk.getSync();
    EXPECT_EQ(sync.getHeaderSize(), 14u);
    EXPECT_EQ(sync.getPacketSize(), 18u);
    EXPECT_EQ(sync.getDataVersion(), c.dataVersion);
    EXPECT_EQ(sync.getFirmwareVersion().toString(), c.revision);
    EXPECT_EQ(sync.getMode(), c.syncMode);
    EXPECT_EQ(sync.getSignalCount(), c.signalCount);
    EXPECT_EQ(sdk.getProcessManager().getCollect().getSignalCount(), c.signalCount);
    EXPECT_EQ(sdk.getProcessManager().getSystem().clock().getMode(), c.userEventClockMode);
}

INSTANTIATE_TEST_SUITE_P(Revisions, ProcessWiring,
                         ::testing::Values(ProcessWiringCase{"3.3.41", 6, 2, 15, 0},
                                           ProcessWiringCase{"3.5.59", 7, 2, 15, 0},
                                           ProcessWiringCase{"3.5.60", 7, 2, 15, 1},
                                           ProcessWiringCase{"3.6.61", 7, 2, 15, 1},
                                           ProcessWiringCase{"3.6.62", 7, 3, 15, 1},
                                           ProcessWiringCase{"3.7.86", 7, 3, 16, 1},
                                           ProcessWiringCase{"4.0.0", 7, 3, 18, 1}));

TEST(ProcessWiring, ContextReachesTheSynchronisationProcess) {
    TenvikSDK sdk(FirmwareVersion::fromText("4.0.0"));
    int context = 0;
    sdk.setContext(&context);
    EXPECT_EQ(sdk.getSync().getContext(), &context);
}

std::vector<uint64_t> userEventTimes;

// User events of the system process and of a replayed session reach one registration.
TEST(ProcessWiring, UserEventsOfBothRoadsReachOneCallback) {
    userEventTimes.clear();
    TenvikSDK sdk(FirmwareVersion::fromText("3.5.60"));
    HostCallbacks callbacks;
    callbacks.userEventCallback = [](void*, uint64_t time) { userEventTimes.push_back(time); };
    sdk.initCallbacks(callbacks);
    sdk.didReceiveUserEvent(1700000000123);
    // 03 0A 63 length pid, then a user event with the device time 0x12345678.
    const uint8_t message[] = {0x03, 0x0A, 0x63, 0x0C, 0x00, 0x00, 0x00,
                               0x04, 0x78, 0x56, 0x34, 0x12};
    sdk.processBLEChunk(message, sizeof message);
    ASSERT_EQ(userEventTimes.size(), 2u);
    EXPECT_EQ(userEventTimes[0], 1700000000123u);
    EXPECT_EQ(userEventTimes[1] & 0xFFFFFFFFu, 0x12345678u);

    sdk.initCallbacks(HostCallbacks{});
    sdk.didReceiveUserEvent(5);
    sdk.processBLEChunk(message, sizeof message);
    EXPECT_EQ(userEventTimes.size(), 2u);
}

}  // namespace
}  // namespace Tenvik
