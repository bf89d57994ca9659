// ECG decoding through processECGPackage: the six layouts, the firmware that selects each,
// upsampling, timestamps and the device-time join.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "HostCallbackRecorder.h"
#include "LogRecorder.h"
#include "PacketSender.h"
#include "tenvik_sdk.h"

namespace {

using TenvikTest::Bytes;
using TenvikTest::HostCallbackRecorder;
using TenvikTest::LogLine;
using TenvikTest::LogRecorder;
using TenvikTest::sendPacket;
using TenvikTest::sendPackets;
using TenvikTest::wallClockMs;
using Values = std::vector<double>;

// Six signed 24-bit little-endian samples: 0.25, −0.25, 0.49999994, 2^-24, −0.5, 0.
const Bytes ecg18 = {0x00, 0x00, 0x40, 0x00, 0x00, 0xC0, 0xFF, 0xFF, 0x7F,
                     0x01, 0x00, 0x00, 0x00, 0x00, 0x80, 0x00, 0x00, 0x00};
const Values ecg18Samples = {0.25, -0.25, 0.4999999403953552, 5.960464477539063e-08, -0.5, 0.0};

// Ten signed 16-bit little-endian samples (× 2^-16): 0.25, −0.25, 0.49998474, −0.5, 2^-16,
// 0, 0.125, −0.125, 0.0625, −0.0625.
const Bytes ecg16x10 = {0x00, 0x40, 0x00, 0xC0, 0xFF, 0x7F, 0x00, 0x80, 0x01, 0x00,
                        0x00, 0x00, 0x00, 0x20, 0x00, 0xE0, 0x00, 0x10, 0x00, 0xF0};
// Each sample preceded by its midpoint with the one before (0 before the first).
const Values ecg16x10Outputs = {0.125, 0.25, 0.0, -0.25, 0.12499237060546875,
                                0.4999847412109375, -7.62939453125e-06, -0.5,
                                -0.24999237060546875, 1.52587890625e-05, 7.62939453125e-06,
                                0.0, 0.0625, 0.125, 0.0, -0.125, -0.03125, 0.0625, 0.0,
                                -0.0625};

// The little-endian device time with room for `more` bytes after it.
Bytes deviceTimePrefix(uint32_t deviceTime, size_t more) {
    Bytes bytes;
    bytes.reserve(4 + more);
    for (int shift = 0; shift < 32; shift += 8) {
        bytes.push_back(static_cast<uint8_t>(deviceTime >> shift));
    }
    return bytes;
}

// A device time, then five 24-bit samples 0.25, −0.25, 0.49999994, 2^-24, −0.5, then byte 19.
Bytes deviceTimed24(uint32_t deviceTime, uint8_t last) {
    Bytes bytes = deviceTimePrefix(deviceTime, 16);
    bytes.insert(bytes.end(), ecg18.begin(), ecg18.begin() + 15);
    bytes.push_back(last);
    return bytes;
}
const Values deviceTimed24Outputs = {0.125, 0.25, 0.0, -0.25, 0.12499997019767761,
                                     0.4999999403953552, 0.25, 5.960464477539063e-08,
                                     -0.2499999701976776, -0.5};

// A device time, then the first eight 16-bit samples of ecg16x10.
Bytes deviceTimed16(uint32_t deviceTime) {
    Bytes bytes = deviceTimePrefix(deviceTime, 16);
    bytes.insert(bytes.end(), ecg16x10.begin(), ecg16x10.begin() + 16);
    return bytes;
}

class Ecg : public ::testing::Test {
protected:
    void TearDown() override { LogRecorder::uninstall(); }
    void create(const std::string& revision) {
        ASSERT_NE(host.create(revision), nullptr);
        log.install();
    }
    void send(const Bytes& bytes) { sendPacket(processECGPackage, bytes, host.handle()); }
    std::vector<uint64_t> stamps() const {
        std::vector<uint64_t> out;
        for (const auto& event : host.named("ecg")) {
            out.push_back(event.timestamp);
        }
        return out;
    }

    HostCallbackRecorder host;
    LogRecorder log;
};

// ---- Values and timestamps ---------------------------------------------------------------------

TEST_F(Ecg, Version1DeliversTheSamplesWithThePacketTimestamp) {
    create("2.2.2");
    const uint64_t before = wallClockMs();
    send(ecg18);
    const uint64_t after = wallClockMs();
    EXPECT_EQ(host.values("ecg"), ecg18Samples);
    const auto times = stamps();
    ASSERT_EQ(times.size(), 6u);
    for (uint64_t t : times) {
        EXPECT_EQ(t, times[0]);
    }
    EXPECT_GE(times[0], before);
    EXPECT_LE(times[0], after);
}

TEST_F(Ecg, Version1OnTheOldestFirmwareReportsTheLeadOffWearStateAtOnce) {
    create("2.1.9");
    send(Bytes(18, 0));
    // The first result of the lead-off test is reported with the first packet, since the
    // wear state starts unknown; afterwards only changes between 3 and 0 are reported.
    ASSERT_EQ(host.values("wear_state").size(), 1u);
    sendPackets(processECGPackage, Bytes(18, 0), 200, host.handle());
    const Values states = host.values("wear_state");
    ASSERT_LE(states.size(), 2u);
    EXPECT_EQ(states.back(), 0.0) << "a flat signal is lead on";
    if (states.size() == 2) {
        EXPECT_EQ(states[0], 3.0);
    }
}

TEST_F(Ecg, Version1FromFirmware2_2_0HasNoLeadOffTest) {
    create("2.2.0");
    sendPackets(processECGPackage, Bytes(18, 0), 200, host.handle());
    EXPECT_TRUE(host.named("wear_state").empty());
    EXPECT_EQ(host.named("ecg").size(), 1200u);
}

TEST_F(Ecg, Version2DoublesTheRateTwoMillisecondsApart) {
    create("2.2.14");
    const uint64_t before = wallClockMs();
    send(ecg16x10);
    const uint64_t after = wallClockMs();
    EXPECT_EQ(host.values("ecg"), ecg16x10Outputs);
    const auto times = stamps();
    ASSERT_EQ(times.size(), 20u);
    EXPECT_GE(times[0], before);
    EXPECT_LE(times[0], after);
    for (size_t i = 0; i < times.size(); ++i) {
        EXPECT_EQ(times[i], times[0] + 2 * i);
    }
}

TEST_F(Ecg, TheLastSampleCarriesIntoTheNextPacket) {
    create("2.2.14");
    send(ecg16x10);
    host.clear();
    send(ecg16x10);
    // Midpoint of −0.0625 (the last sample) and 0.25.
    EXPECT_EQ(host.values("ecg").at(0), 0.09375);
}

TEST_F(Ecg, Version5IgnoresTheLastTwoBytes) {
    create("2.3.23");
    Bytes packet = ecg18;
    packet.push_back(0x09);
    packet.push_back(0xFF);
    send(packet);
    Values expected = deviceTimed24Outputs;
    // The sixth sample 0 after −0.5.
    expected.push_back(-0.25);
    expected.push_back(0.0);
    EXPECT_EQ(host.values("ecg"), expected);
    EXPECT_TRUE(host.named("wear_state").empty());
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(Ecg, Version3JoinsTheDeviceTimeWithTheUpperHalfOfTheClock) {
    create("3.2.30");
    const uint64_t before = wallClockMs();
    send(deviceTimed16(16));
    const uint64_t after = wallClockMs();
    const auto times = stamps();
    ASSERT_EQ(times.size(), 16u);
    EXPECT_EQ(times[0] & 0xFFFFFFFFu, 16u);
    EXPECT_GE(times[0] >> 32, before >> 32);
    EXPECT_LE(times[0] >> 32, after >> 32);
    for (size_t i = 0; i < times.size(); ++i) {
        EXPECT_EQ(times[i], times[0] + 2 * i);
    }
    const Values expected(ecg16x10Outputs.begin(), ecg16x10Outputs.begin() + 16);
    EXPECT_EQ(host.values("ecg"), expected);
}

TEST_F(Ecg, OutputTimesCarryPastTheLow32Bits) {
    create("3.3.34");
    const uint64_t before = wallClockMs();
    send(deviceTimed24(0xFFFFFFFA, 0));
    const uint64_t after = wallClockMs();
    const auto times = stamps();
    ASSERT_EQ(times.size(), 10u);
    const uint64_t upper = times[0] >> 32;
    EXPECT_GE(upper, before >> 32);
    EXPECT_LE(upper, after >> 32);
    EXPECT_EQ(times[0], (upper << 32) | 0xFFFFFFFAu);
    EXPECT_EQ(times[2], (upper << 32) | 0xFFFFFFFEu);
    EXPECT_EQ(times[3], (upper + 1) << 32);
    EXPECT_EQ(times[9], ((upper + 1) << 32) | 12u);
}

TEST_F(Ecg, Version4DecodesFiveSamplesAndIgnoresByte19) {
    create("3.3.34");
    send(deviceTimed24(1000, 0x03));
    EXPECT_EQ(host.values("ecg"), deviceTimed24Outputs);
    EXPECT_TRUE(host.named("wear_state").empty());
}

TEST_F(Ecg, Version6ReportsTheWearStateBeforeTheSamples) {
    create("3.3.41");
    send(deviceTimed24(1000, 0x03));
    ASSERT_EQ(host.names().size(), 11u);
    EXPECT_EQ(host.names().front(), "wear_state");
    EXPECT_EQ(host.values("wear_state"), Values{3});
    EXPECT_EQ(host.values("ecg"), deviceTimed24Outputs);
    EXPECT_EQ(host.named("ecg").at(0).timestamp & 0xFFFFFFFFu, 1000u);

    // The same state again is no change.
    host.clear();
    send(deviceTimed24(2000, 0x03));
    EXPECT_TRUE(host.named("wear_state").empty());
    send(deviceTimed24(3000, 0x00));
    EXPECT_EQ(host.values("wear_state"), Values{0});
}

TEST_F(Ecg, Version6LogsAWearStateAbove5AndStillDecodes) {
    create("3.6.0");
    send(deviceTimed24(1000, 0x09));
    EXPECT_EQ(log.lines(),
              (std::vector<LogLine>{{1, "DataConverter.parseWearState: value = 9"}}));
    EXPECT_TRUE(host.named("wear_state").empty());
    EXPECT_EQ(host.values("ecg"), deviceTimed24Outputs);
}

TEST_F(Ecg, SamplesAdvanceWhileNoOneListens) {
    create("2.2.14");
    host.registerAll("ecg");
    send(ecg16x10);
    host.registerAll();
    send(ecg16x10);
    EXPECT_EQ(host.values("ecg").at(0), 0.09375);
}

TEST_F(Ecg, AWrongSizeLeavesThePreviousSample) {
    create("2.2.14");
    send(ecg16x10);
    send(Bytes(19, 0x7F));
    host.clear();
    send(ecg16x10);
    EXPECT_EQ(host.values("ecg").at(0), 0.09375);
}

}  // namespace
