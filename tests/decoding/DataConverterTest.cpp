// DataConverter on its own: the firmware options the other components read, and the
// decoder rules that depend on the time passed in.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/FirmwareVersion.h"
#include "decoding/DataConverter.h"
#include "common/HostCallbacks.h"
#include "sdk/TenvikSDK.h"
#include "signal/SignalProcessor.h"

namespace {

using Tenvik::DataConverter;
using Tenvik::FirmwareVersion;
using Tenvik::HostCallbacks;
using Bytes = std::vector<uint8_t>;

FirmwareVersion version(const std::string& text) {
    FirmwareVersion firmware = FirmwareVersion::fromText(text);
    EXPECT_TRUE(firmware.valid) << text;
    return firmware;
}

// ---- Capability selectors ------------------------------------------------------------------

struct SelectorCase {
    std::string revision;
    int dataVersion;
    bool userEventTimestamp;
    int senderMode;
    int syncMode;
    int legacyProtocol;
    int sessionFormat;
    int processRouting;
};

class Selectors : public ::testing::TestWithParam<SelectorCase> {};

TEST_P(Selectors, FollowTheFirmware) {
    const SelectorCase& c = GetParam();
    const auto converter = std::make_unique<const DataConverter>(version(c.revision));
    EXPECT_EQ(converter->getDataVersion(), c.dataVersion);
    EXPECT_EQ(converter->hasUserEventTimestamp(), c.userEventTimestamp);
    EXPECT_EQ(converter->getSenderMode(), c.senderMode);
    EXPECT_EQ(converter->getSyncMode(), c.syncMode);
    EXPECT_EQ(converter->getLegacyProtocolVersion(), c.legacyProtocol);
    EXPECT_EQ(converter->getSessionFormat(), c.sessionFormat);
    EXPECT_EQ(converter->getProcessRouting(), c.processRouting);
}

INSTANTIATE_TEST_SUITE_P(
    Firmware, Selectors,
    ::testing::Values(
        SelectorCase{"0.0.0", 0, false, 1, 2, 1, 0, 0},
        SelectorCase{"2.1.9", 0, false, 1, 2, 1, 0, 0},
        SelectorCase{"2.2.14", 1, false, 1, 2, 1, 0, 0},
        SelectorCase{"2.2.15", 1, false, 1, 2, 2, 0, 1},
        SelectorCase{"2.2.17", 2, false, 1, 2, 2, 0, 1},
        SelectorCase{"2.2.18", 2, false, 1, 2, 2, 0, 1},
        SelectorCase{"2.2.19", 2, false, 1, 2, 3, 0, 1},
        SelectorCase{"2.2.22", 2, false, 1, 2, 3, 0, 1},
        SelectorCase{"2.2.23", 2, false, 1, 2, 3, 0, 2},
        SelectorCase{"2.3.22", 2, false, 1, 2, 3, 0, 2},
        SelectorCase{"2.3.23", 4, false, 1, 2, 3, 0, 2},
        SelectorCase{"2.3.24", 7, false, 1, 2, 3, 0, 2},
        SelectorCase{"2.9.0", 7, false, 1, 2, 3, 0, 2},
        SelectorCase{"3.0.0", 2, false, 1, 2, 3, 0, 2},
        SelectorCase{"3.2.30", 3, false, 1, 2, 3, 0, 2},
        SelectorCase{"3.3.34", 5, false, 1, 2, 3, 0, 2},
        SelectorCase{"3.3.41", 6, false, 1, 2, 3, 0, 2},
        SelectorCase{"3.5.59", 7, false, 1, 2, 3, 0, 2},
        SelectorCase{"3.5.60", 7, true, 1, 2, 3, 0, 2},
        SelectorCase{"3.6.61", 7, true, 1, 2, 3, 0, 2},
        SelectorCase{"3.6.62", 7, true, 1, 3, 3, 0, 2},
        SelectorCase{"3.6.65", 7, true, 1, 3, 3, 0, 2},
        SelectorCase{"3.6.66", 7, true, 2, 3, 3, 0, 2},
        SelectorCase{"3.7.85", 7, true, 2, 3, 3, 0, 2},
        SelectorCase{"3.7.86", 7, true, 2, 3, 3, 1, 2},
        SelectorCase{"4.0.0", 7, true, 2, 3, 3, 2, 2},
        // Missing parts count as zero; an extra part is newer.
        SelectorCase{"2.2", 0, false, 1, 2, 1, 0, 0},
        SelectorCase{"2.2.14.1", 1, false, 1, 2, 1, 0, 0},
        SelectorCase{"3.6.61.9", 7, true, 1, 2, 3, 0, 2},
        SelectorCase{"4", 7, true, 2, 3, 3, 2, 2}));

TEST(SelectorsUnknownFirmware, TakeTheOldestValues) {
    // The signal chain is large: converters live on the heap, as inside the SDK object.
    const auto converter = std::make_unique<const DataConverter>(FirmwareVersion{});
    EXPECT_EQ(converter->getDataVersion(), 0);
    EXPECT_FALSE(converter->hasUserEventTimestamp());
    EXPECT_EQ(converter->getSenderMode(), 1);
    EXPECT_EQ(converter->getSyncMode(), 2);
    EXPECT_EQ(converter->getLegacyProtocolVersion(), 1);
    EXPECT_EQ(converter->getSessionFormat(), 0);
    EXPECT_EQ(converter->getProcessRouting(), 0);
}

// ---- Decoders with a chosen time of receipt --------------------------------------------------

struct Received {
    std::vector<uint64_t> ecgTimes;
    std::vector<float> ecg;
    std::vector<float> respiration;
    std::vector<std::pair<uint64_t, uint32_t>> rates;
    std::vector<uint32_t> wearStates;
    std::vector<uint32_t> heartRates;
    std::vector<int> contacts;
};

// Callbacks that record into the Received behind the context.
HostCallbacks recordingCallbacks() {
    HostCallbacks host;
    host.ecgCallback = [](void* c, uint64_t t, float v) {
        static_cast<Received*>(c)->ecgTimes.push_back(t);
        static_cast<Received*>(c)->ecg.push_back(v);
    };
    host.respirationCallback = [](void* c, uint64_t, float v) {
        static_cast<Received*>(c)->respiration.push_back(v);
    };
    host.respirationRateCallback = [](void* c, uint64_t t, uint32_t v) {
        static_cast<Received*>(c)->rates.emplace_back(t, v);
    };
    host.wearStateCallback = [](void* c, uint32_t v) {
        static_cast<Received*>(c)->wearStates.push_back(v);
    };
    host.heartRateCallback = [](void* c, uint64_t, uint32_t v) {
        static_cast<Received*>(c)->heartRates.push_back(v);
    };
    host.pressureLeadOffCallback = [](void* c, int v) {
        static_cast<Received*>(c)->contacts.push_back(v);
    };
    return host;
}

class Converter : public ::testing::Test {
protected:
    void create(const std::string& revision) {
        converter = std::make_unique<DataConverter>(version(revision));
        converter->setContext(&received);
        converter->setHostCallbacks(recordingCallbacks());
    }

    Received received;
    std::unique_ptr<DataConverter> converter;
};

TEST_F(Converter, DeviceTimeTakesTheUpperHalfOfTheTimeOfReceipt) {
    create("3.2.30");
    Bytes packet(20, 0);
    packet[0] = 0x10;  // device time 16
    converter->processECGPackage(packet.data(), 20, 0x0000000712345678ull);
    ASSERT_EQ(received.ecgTimes.size(), 16u);
    EXPECT_EQ(received.ecgTimes[0], 0x0000000700000010ull);
    EXPECT_EQ(received.ecgTimes[15], 0x0000000700000010ull + 30);
}

TEST_F(Converter, DeviceTimeIsNotCorrectedAcrossAClockBoundary) {
    create("3.3.41");
    Bytes packet(20, 0);
    packet[0] = 0xFF;
    packet[1] = 0xFF;
    packet[2] = 0xFF;
    packet[3] = 0xFF;  // just below a 2^32 boundary, received just after it
    converter->processECGPackage(packet.data(), 20, 0x0000000800000003ull);
    ASSERT_EQ(received.ecgTimes.size(), 10u);
    EXPECT_EQ(received.ecgTimes[0], 0x00000008FFFFFFFFull);
    EXPECT_EQ(received.ecgTimes[1], 0x0000000900000001ull);
}

struct GateCase {
    std::vector<uint64_t> times;
    std::vector<uint64_t> reported;
};

class RateGate : public Converter, public ::testing::WithParamInterface<GateCase> {};

TEST_P(RateGate, OneRatePerFifteenSeconds) {
    create("3.0.0");
    Bytes packet(20, 0);
    packet[18] = 0x00;
    packet[19] = 0x0F;
    for (uint64_t t : GetParam().times) {
        converter->processRespirationPackage(packet.data(), 20, t);
    }
    std::vector<uint64_t> times;
    for (const auto& [t, rate] : received.rates) {
        EXPECT_EQ(rate, 15u);
        times.push_back(t);
    }
    EXPECT_EQ(times, GetParam().reported);
}

INSTANTIATE_TEST_SUITE_P(
    Times, RateGate,
    ::testing::Values(
        // The first packet always reports (the last report time starts at 0).
        GateCase{{20000, 30000}, {20000}}, GateCase{{20000, 35000}, {20000, 35000}},
        GateCase{{20000, 34999}, {20000}}, GateCase{{20000, 34999, 35000}, {20000, 35000}},
        // A clock that went backwards counts as a long time.
        GateCase{{20000, 19999}, {20000, 19999}}, GateCase{{1000, 2000}, {}}));

// ---- The oldest ECG and respiration layouts ---------------------------------------------------

// Signed 24-bit little-endian samples, two packets of six: large swings so that the filters
// and the lead-off test have something to work on.
const std::vector<int32_t> legacyRawSamples = {0x000001, -1,       0x7FFFFF, -0x800000,
                                               0x123456, -0x123456, 0x400000, -0x400000,
                                               0x000100, 0x010000, -0x010000, 0};

Bytes packetOf24BitSamples(const std::vector<int32_t>& raw, size_t first, size_t count) {
    Bytes bytes;
    for (size_t i = first; i < first + count; ++i) {
        const auto value = static_cast<uint32_t>(raw[i]) & 0xFFFFFFu;
        bytes.push_back(static_cast<uint8_t>(value));
        bytes.push_back(static_cast<uint8_t>(value >> 8));
        bytes.push_back(static_cast<uint8_t>(value >> 16));
    }
    return bytes;
}

struct LegacyEcgCase {
    std::string revision;
    bool legacyScale;  // −(value × 1.21 / (3 × 2^23)) instead of value × 2^-24
    bool filtered;
    bool leadOffTest;
};

class LegacyEcg : public Converter, public ::testing::WithParamInterface<LegacyEcgCase> {};

TEST_P(LegacyEcg, SamplesTakeTheScaleFilterAndLeadOffTestOfTheFirmware) {
    const LegacyEcgCase& c = GetParam();
    create(c.revision);
    converter->processECGPackage(packetOf24BitSamples(legacyRawSamples, 0, 6).data(), 18, 500);
    converter->processECGPackage(packetOf24BitSamples(legacyRawSamples, 6, 6).data(), 18, 600);

    Tenvik::SignalProcessor reference(nullptr);
    std::vector<float> expected;
    std::vector<uint32_t> wearStates;
    uint32_t wearState = 5;
    for (size_t i = 0; i < legacyRawSamples.size(); ++i) {
        const double raw = legacyRawSamples[i];
        const float sample = c.legacyScale ? static_cast<float>(-(raw * 4.80810801188151e-8))
                                           : static_cast<float>(raw / 16777216.0);
        if (c.leadOffTest) {
            const uint32_t state = reference.detectLeadOff(sample) ? 3 : 0;
            if (state != wearState) {
                wearState = state;
                wearStates.push_back(state);
            }
        }
        expected.push_back(c.filtered ? reference.processEcg(sample, true, 0) : sample);
    }
    EXPECT_EQ(received.ecg, expected);
    EXPECT_EQ(received.ecgTimes, (std::vector<uint64_t>{500, 500, 500, 500, 500, 500, 600, 600,
                                                        600, 600, 600, 600}));
    EXPECT_EQ(received.wearStates, wearStates);
    if (c.leadOffTest) {
        EXPECT_FALSE(wearStates.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Firmware, LegacyEcg,
                         ::testing::Values(LegacyEcgCase{"2.1.9", true, true, true},
                                           LegacyEcgCase{"2.1.99.9", true, true, true},
                                           // A missing part counts as zero.
                                           LegacyEcgCase{"2.2", false, true, false},
                                           LegacyEcgCase{"2.2.0", false, true, false},
                                           LegacyEcgCase{"2.2.1", false, true, false},
                                           LegacyEcgCase{"2.2.2", false, false, false},
                                           LegacyEcgCase{"2.2.13", false, false, false}));

struct LegacyRespirationCase {
    std::string revision;
    int repeat;
};

class LegacyRespiration : public Converter,
                          public ::testing::WithParamInterface<LegacyRespirationCase> {};

TEST_P(LegacyRespiration, EverySampleGoesThroughTheFilterRepeatedly) {
    create(GetParam().revision);
    converter->processRespirationPackage(packetOf24BitSamples(legacyRawSamples, 0, 6).data(), 18,
                                         700);
    converter->processRespirationPackage(packetOf24BitSamples(legacyRawSamples, 6, 6).data(), 18,
                                         800);

    Tenvik::SignalProcessor reference(nullptr);
    std::vector<float> expected;
    for (size_t i = 0; i < legacyRawSamples.size(); ++i) {
        const auto sample = static_cast<float>(legacyRawSamples[i] / 16777216.0);
        for (int k = 0; k < GetParam().repeat; ++k) {
            expected.push_back(reference.processRespiration(sample, 700));
        }
    }
    EXPECT_EQ(received.respiration, expected);
}

INSTANTIATE_TEST_SUITE_P(Firmware, LegacyRespiration,
                         ::testing::Values(LegacyRespirationCase{"2.2.4", 1},
                                           LegacyRespirationCase{"2.2.5", 4},
                                           LegacyRespirationCase{"2.2.13", 4}));

// ---- The one wear state --------------------------------------------------------------------

Bytes heartRate(uint8_t flags) {
    Bytes packet(20, 0);
    packet[0] = flags;
    packet[1] = 60;
    return packet;
}

TEST_F(Converter, WearStateIsSharedByHeartRateAndDeviceReports) {
    create("2.2.5");
    converter->processHeartRatePackage(heartRate(0x10).data(), 20, 1);   // 0
    converter->parseWearState(0);                                          // no change
    converter->parseWearState(3);                                          // 3
    converter->processHeartRatePackage(heartRate(0x00).data(), 20, 2);   // 3: no change
    converter->parseWearState(3);
    converter->parseWearState(6);                                          // logged, ignored
    converter->processHeartRatePackage(heartRate(0x10).data(), 20, 3);   // 0
    EXPECT_EQ(received.wearStates, (std::vector<uint32_t>{0, 3, 0}));
    EXPECT_EQ(received.heartRates, (std::vector<uint32_t>{60, 60}));
}

TEST_F(Converter, WearStateChangesAreRecordedWithoutACallback) {
    create("2.2.5");
    HostCallbacks none = recordingCallbacks();
    none.wearStateCallback = nullptr;
    converter->setHostCallbacks(none);
    converter->parseWearState(2);
    converter->setHostCallbacks(recordingCallbacks());
    converter->parseWearState(2);
    converter->parseWearState(4);
    EXPECT_EQ(received.wearStates, (std::vector<uint32_t>{4}));
}

// ---- Results of the signal chain ------------------------------------------------------------

TEST_F(Converter, ForwardsResultsOfItsSignalChainAndContactDetector) {
    create("3.0.0");
    converter->didCalculateHeartRate(61, 5);
    converter->didCalculateRespirationRate(14, 6);
    converter->didChangePressureLeadOff(3);
    static_cast<::IPressureLeadOff&>(*converter).didChangePressureLeadOff(0);
    static_cast<Tenvik::ISignalProcessor&>(*converter).didCalculateRespirationRate(9, 7);
    EXPECT_EQ(received.heartRates, (std::vector<uint32_t>{61}));
    EXPECT_EQ(received.rates,
              (std::vector<std::pair<uint64_t, uint32_t>>{{6, 14}, {7, 9}}));
    EXPECT_EQ(received.contacts, (std::vector<int>{3, 0}));
}

TEST_F(Converter, ResultsWithoutCallbacksAreDropped) {
    create("3.0.0");
    converter->setHostCallbacks(HostCallbacks{});
    converter->didCalculateHeartRate(61, 5);
    converter->didCalculateRespirationRate(14, 6);
    converter->didChangePressureLeadOff(3);
    EXPECT_TRUE(received.heartRates.empty());
    EXPECT_TRUE(received.rates.empty());
    EXPECT_TRUE(received.contacts.empty());
}

TEST_F(Converter, RegisteringHostCallbacksKeepsTheEdaAndGpsCallbacks) {
    create("3.0.0");
    auto eda = [](void*, uint64_t, float) {};
    auto gps = [](void*, uint64_t, float, float, float, float, float, float) {};
    converter->setEdaCallback(eda);
    converter->setGpsCallback(gps);
    converter->setHostCallbacks(HostCallbacks{});
    EXPECT_NE(converter->getCallbacks().edaCallback, nullptr);
    EXPECT_NE(converter->getCallbacks().gpsCallback, nullptr);
    EXPECT_EQ(converter->getCallbacks().ecgCallback, nullptr);
}

// ---- Session wear states through the SDK object ---------------------------------------------

TEST(SessionWearState, IsRecordedOnlyWhileTheHostListens) {
    const auto sdk = std::make_unique<Tenvik::TenvikSDK>(version("3.3.41"));
    Received received;
    sdk->setContext(&received);
    HostCallbacks none = recordingCallbacks();
    none.wearStateCallback = nullptr;
    sdk->initCallbacks(none);
    sdk->didReceiveWearState(2);
    sdk->initCallbacks(recordingCallbacks());
    sdk->didReceiveWearState(2);  // still a change: the first report was not recorded
    sdk->didReceiveWearState(2);
    sdk->didReceiveWearState(7);
    EXPECT_EQ(received.wearStates, (std::vector<uint32_t>{2}));
}

}  // namespace
