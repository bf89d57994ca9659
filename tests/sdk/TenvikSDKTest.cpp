// Firmware-dependent wiring of the SDK object.
#include "sdk/TenvikSDK.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/HostCallbacks.h"

namespace Tenvik {
namespace {

// The legacy sender as the SDK object configured it frames behind the header of its version
// (5 bytes for versions 1 and 2, 7 for version 3); in mode 1 (firmware before 3.6.66) it keeps
// one byte of its 18-byte package free, so 17 payload bytes fit and 18 are refused, while mode 2
// takes the 18 as well.
void expectLegacyFraming(const TenvikSDK& sdk, uint8_t version, bool capped,
                         const std::string& revision) {
    Sender sender = sdk.getSender();
    const size_t header = version == 3 ? 7 : 5;
    const uint8_t* packet = sender.makePacket(std::vector<uint8_t>(17, 0x5A), 1);
    ASSERT_NE(packet, nullptr) << revision;
    EXPECT_EQ(sender.getPacket().size(), header + 17) << revision;
    EXPECT_EQ(packet[0], version) << revision;
    const bool refused = sender.makePacket(std::vector<uint8_t>(18, 0x5A), 1) == nullptr;
    EXPECT_EQ(refused, capped) << revision;
}

struct WiringCase {
    std::string revision;
    int route;
    uint8_t legacyHeaderVersion;
    bool senderCapped;
};

class FirmwareWiring : public ::testing::TestWithParam<WiringCase> {};

TEST_P(FirmwareWiring, RoutingAndLegacyHeaderFollowTheRevision) {
    const WiringCase& c = GetParam();
    const TenvikSDK sdk(FirmwareVersion::fromText(c.revision));
    EXPECT_EQ(sdk.getRouteToProcessManager(), c.route) << c.revision;
    EXPECT_EQ(sdk.getReceiver().getProtocolVersion(), c.legacyHeaderVersion) << c.revision;
    expectLegacyFraming(sdk, c.legacyHeaderVersion, c.senderCapped, c.revision);
}

INSTANTIATE_TEST_SUITE_P(Revisions, FirmwareWiring,
                         ::testing::Values(WiringCase{"2.2.14", 0, 1, true},
                                           WiringCase{"2.2.15", 1, 2, true},
                                           WiringCase{"2.2.18", 1, 2, true},
                                           WiringCase{"2.2.19", 1, 3, true},
                                           WiringCase{"2.2.22", 1, 3, true},
                                           WiringCase{"2.2.23", 2, 3, true},
                                           WiringCase{"3.6.65", 2, 3, true},
                                           WiringCase{"3.6.66", 2, 3, false}));

TEST(FirmwareWiring, AnInvalidVersionRoutesNothingAndKeepsTheVersionThreeSender) {
    const TenvikSDK sdk(FirmwareVersion{});
    EXPECT_EQ(sdk.getRouteToProcessManager(), 0);
    expectLegacyFraming(sdk, 3, true, "invalid");
    EXPECT_EQ(sdk.getSessionProcessor().getDayOffset(), 0);
}

TEST(FirmwareWiring, SessionsOfFirmwareUpTo3775AreADayOff) {
    EXPECT_EQ(TenvikSDK(FirmwareVersion::fromText("3.7.75")).getSessionProcessor().getDayOffset(),
              86400000);
    EXPECT_EQ(TenvikSDK(FirmwareVersion::fromText("3.7.76")).getSessionProcessor().getDayOffset(),
              0);
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
