// Firmware-dependent wiring of the SDK object.
#include "sdk/TenvikSDK.h"

#include <gtest/gtest.h>

#include <string>

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
    EXPECT_EQ(sdk.getSessionProcessor().getDayOffset(), 0);
}

TEST(FirmwareWiring, SessionsOfFirmwareUpTo3775AreADayOff) {
    EXPECT_EQ(TenvikSDK(FirmwareVersion::fromText("3.7.75")).getSessionProcessor().getDayOffset(),
              86400000);
    EXPECT_EQ(TenvikSDK(FirmwareVersion::fromText("3.7.76")).getSessionProcessor().getDayOffset(),
              0);
}

}  // namespace
}  // namespace Tenvik
