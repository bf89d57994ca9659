// Respiration decoding through processRespirationPackage: the four layouts, the firmware
// that selects each, upsampling, and the respiration rate.
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
using TenvikTest::LogRecorder;
using TenvikTest::sendPacket;
using TenvikTest::sendPackets;
using TenvikTest::wallClockMs;
using Values = std::vector<double>;

class Respiration : public ::testing::Test {
protected:
    void TearDown() override { LogRecorder::uninstall(); }
    void create(const std::string& revision) {
        ASSERT_NE(host.create(revision), nullptr);
        log.install();
    }
    void send(const Bytes& bytes) { sendPacket(processRespirationPackage, bytes, host.handle()); }
    // Offsets of the respiration timestamps from the first one.
    std::vector<uint64_t> offsets() const {
        std::vector<uint64_t> out;
        const auto events = host.named("respiration");
        for (const auto& event : events) {
            out.push_back(event.timestamp - events.front().timestamp);
        }
        return out;
    }
    static std::vector<uint64_t> spaced(size_t count, uint64_t spacing) {
        std::vector<uint64_t> out;
        for (size_t i = 0; i < count; ++i) {
            out.push_back(i * spacing);
        }
        return out;
    }

    // Ten signed 16-bit little-endian samples: a layout-2 packet.
    static Bytes sixteenBitSamples(const std::vector<int>& raw) {
        Bytes out;
        for (const int value : raw) {
            out.push_back(static_cast<uint8_t>(value));
            out.push_back(static_cast<uint8_t>(value >> 8));
        }
        return out;
    }

    HostCallbackRecorder host;
    LogRecorder log;
};

// ---- Versions 1 and 2: filtered ---------------------------------------------------------------

TEST_F(Respiration, Version1SpacesItsOutputsEightMillisecondsApart) {
    create("2.2.5");
    const uint64_t before = wallClockMs();
    send(Bytes(18, 0x01));
    const uint64_t after = wallClockMs();
    EXPECT_EQ(offsets(), spaced(24, 8));
    const uint64_t first = host.named("respiration").at(0).timestamp;
    EXPECT_GE(first, before);
    EXPECT_LE(first, after);
}

TEST_F(Respiration, Version2SpacesItsOutputsTwoMillisecondsApart) {
    create("2.2.14");
    send(Bytes(20, 0x01));
    EXPECT_EQ(offsets(), spaced(55, 2));
}

// Layout 2: after the first sample ever (−0.5, output alone), each sample x becomes six filter
// inputs x − step, x − 2·step ... x − 6·step with step = (−0.5 − x) / 6: they run from x away
// from the first sample, which stays the reference for good. Ten samples −0.5 give 55 inputs
// −0.5; the second packet's samples (units of 2^-16) are the table below. Expected outputs:
// tests/decoding/filtered_reference.py, the inputs through the respiration filter's design.
TEST_F(Respiration, Version2StepsEverySampleAwayFromTheFirstOneEver) {
    create("2.2.15");
    send(sixteenBitSamples(std::vector<int>(10, -32768)));
    send(sixteenBitSamples({-8192, 0, 16384, -16384, -32768, 8192, 24576, -24576, 4096, -4096}));
    const Values outputs = host.values("respiration");
    ASSERT_EQ(outputs.size(), 115u);
    EXPECT_FLOAT_EQ(static_cast<float>(outputs[0]), -9.72980696e-10f);
    EXPECT_FLOAT_EQ(static_cast<float>(outputs[1]), -8.32356051e-09f);
    EXPECT_FLOAT_EQ(static_cast<float>(outputs[54]), -0.00356218847f);
    const std::vector<float> second = {
        -0.0037795587f, -0.00400484772f, -0.00423810445f, -0.00447936077f,
        -0.00472863065f, -0.00498590618f, -0.0052511571f, -0.00552432612f,
        -0.00580532849f, -0.00609404733f, -0.00639033597f, -0.00669401884f,
        -0.00700489245f, -0.00732272677f, -0.0076472722f, -0.00797825493f,
        -0.00831537694f, -0.00865831133f, -0.00900670327f, -0.00936017744f,
        -0.00971835107f, -0.0100808376f, -0.0104472507f, -0.0108172009f,
        -0.0111903036f, -0.01156619f, -0.0119445231f, -0.0123250037f,
        -0.0127073675f, -0.0130913816f, -0.0134768374f, -0.0138635458f,
        -0.0142513327f, -0.0146400286f, -0.0150294648f, -0.0154194655f,
        -0.0158098452f, -0.0162003972f, -0.0165908895f, -0.0169810578f,
        -0.0173706096f, -0.0177592244f, -0.0181465521f, -0.0185322333f,
        -0.0189159065f, -0.0192972273f, -0.0196758602f, -0.0200514793f,
        -0.0204237755f, -0.0207924694f, -0.0211573113f, -0.0215180907f,
        -0.0218746178f, -0.0222267192f, -0.0225742273f, -0.022916967f,
        -0.0232547633f, -0.0235874299f, -0.0239147823f, -0.0242366288f};
    for (size_t i = 0; i < second.size(); ++i) {
        EXPECT_FLOAT_EQ(static_cast<float>(outputs[55 + i]), second[i]) << "output " << i;
    }
}

struct EstimatorCase {
    std::string revision;
    int packetsBefore;  // packets that leave the estimator short of 7500 samples
};

class EstimatedRate : public ::testing::TestWithParam<EstimatorCase> {};

// A flat signal has no breaths: the estimator reports 0 with its 7500th sample.
TEST_P(EstimatedRate, ReportedWithThe7500thFilteredSample) {
    HostCallbackRecorder host;
    ASSERT_NE(host.create(GetParam().revision), nullptr);
    const Bytes flat(GetParam().revision == "2.2.5" ? 18 : 20, 0x00);
    sendPackets(processRespirationPackage, flat, GetParam().packetsBefore, host.handle());
    EXPECT_TRUE(host.named("respiration_rate").empty());
    host.clear();
    sendPacket(processRespirationPackage, flat, host.handle());
    const auto rates = host.named("respiration_rate");
    ASSERT_EQ(rates.size(), 1u);
    EXPECT_EQ(rates[0].values, Values{0});
    EXPECT_EQ(rates[0].timestamp, host.named("respiration").at(0).timestamp);
}

INSTANTIATE_TEST_SUITE_P(Firmware, EstimatedRate,
                         // 312 × 24 = 7488 samples; 55 + 124 × 60 = 7495 samples.
                         ::testing::Values(EstimatorCase{"2.2.5", 312},
                                           EstimatorCase{"2.2.14", 125}));

// ---- Versions 3 and 4: unfiltered, with the device's rate ---------------------------------

// Nine 16-bit samples (× 2^-10): 0, 1, −1, 0.5 and five times 0.5; rate 15.
const Bytes version3Packet = {0x00, 0x00, 0x00, 0x04, 0x00, 0xFC, 0x00, 0x02, 0x00, 0x02,
                              0x00, 0x02, 0x00, 0x02, 0x00, 0x02, 0x00, 0x02, 0x00, 0x0F};

TEST_F(Respiration, Version3InterpolatesEightPointsPerSample) {
    create("3.0.0");
    send(version3Packet);
    Values expected = {0.0,                                                    // first sample
                       0.125, 0.25, 0.375, 0.5, 0.625, 0.75, 0.875, 1.0,       // 0 to 1
                       0.75, 0.5, 0.25, 0.0, -0.25, -0.5, -0.75, -1.0,         // 1 to −1
                       -0.8125, -0.625, -0.4375, -0.25, -0.0625, 0.125, 0.3125, 0.5};
    expected.insert(expected.end(), 40, 0.5);
    EXPECT_EQ(host.values("respiration"), expected);
    EXPECT_EQ(offsets(), spaced(65, 2));
    // The packet's rate (big-endian) follows its samples.
    EXPECT_EQ(host.names().back(), "respiration_rate");
    EXPECT_EQ(host.values("respiration_rate"), Values{15});
    EXPECT_EQ(host.named("respiration_rate").at(0).timestamp,
              host.named("respiration").at(0).timestamp);
}

// Six 24-bit samples (× 2^-10): 1, −1 and four times 2; rate 12.
const Bytes version4Packet = {0x00, 0x04, 0x00, 0x00, 0xFC, 0xFF, 0x00, 0x08, 0x00, 0x00,
                              0x08, 0x00, 0x00, 0x08, 0x00, 0x00, 0x08, 0x00, 0x00, 0x0C};

TEST_F(Respiration, Version4InterpolatesEightPointsPerSample) {
    create("3.5.59");
    send(version4Packet);
    Values expected = {1.0, 0.75, 0.5, 0.25, 0.0, -0.25, -0.5, -0.75, -1.0,
                       -0.625, -0.25, 0.125, 0.5, 0.875, 1.25, 1.625, 2.0};
    expected.insert(expected.end(), 24, 2.0);
    EXPECT_EQ(host.values("respiration"), expected);
    EXPECT_EQ(host.values("respiration_rate"), Values{12});
}

TEST_F(Respiration, Version4SumsItsPointsInSinglePrecision) {
    create("3.5.59");
    // 8191.9990234375 and then five times 8191.998046875: an eighth of the difference is
    // below half a unit in the last place, so every sum stays on the first value.
    send({0xFF, 0xFF, 0x7F, 0xFE, 0xFF, 0x7F, 0xFE, 0xFF, 0x7F, 0xFE,
          0xFF, 0x7F, 0xFE, 0xFF, 0x7F, 0xFE, 0xFF, 0x7F, 0x00, 0x00});
    EXPECT_EQ(host.values("respiration"), Values(41, 8191.9990234375));
}

TEST_F(Respiration, TheRateOfBackToBackPacketsIsReportedOnce) {
    create("3.0.0");
    send(version3Packet);
    send(version3Packet);
    send(version3Packet);
    EXPECT_EQ(host.values("respiration_rate"), Values{15});
}

TEST_F(Respiration, TheRateGateAdvancesWhileNoOneListens) {
    create("3.5.59");
    host.registerAll("respiration_rate");
    send(version4Packet);
    host.registerAll();
    send(version4Packet);
    EXPECT_TRUE(host.named("respiration_rate").empty());
}

TEST_F(Respiration, SamplesAdvanceWhileNoOneListens) {
    create("3.0.0");
    host.registerAll("respiration");
    send(version3Packet);
    host.registerAll();
    send(version3Packet);
    // No first-sample output now: 0.5 to 0 in eighths.
    EXPECT_EQ(host.values("respiration").size(), 72u);
    EXPECT_EQ(host.values("respiration").at(0), 0.4375);
}

}  // namespace
