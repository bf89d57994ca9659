// Firmware-dependent wiring of the SDK object.
#include "sdk/TenvikSDK.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

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
}

}  // namespace
}  // namespace Tenvik
