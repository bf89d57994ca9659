#include "sync/SynchronizationProcess.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "InternalLogRecorder.h"
#include "signal/SignalProcessor.h"

namespace {

using Tenvik::FirmwareVersion;
using Tenvik::SynchronizationProcess;
using Bytes = std::vector<uint8_t>;

struct PastEvent {
    std::string name;
    uint64_t timestamp;
    double value;
    bool operator==(const PastEvent&) const = default;
    friend void PrintTo(const PastEvent& e, std::ostream* out) {
        *out << "{" << e.name << ", " << e.timestamp << ", " << e.value << "}";
    }
};

// Registers the past callbacks the decoders fire, with itself as the context.
class SynchronizationProcessTest : public ::testing::Test {
protected:
    SynchronizationProcessTest() : decoders(std::make_unique<SynchronizationProcess>()) {
        decoders->setContext(this);
        registerAll(*decoders);
    }

    void registerAll(SynchronizationProcess& target) {
        auto& c = target.callbacks();
        c.pastEcgCallback = &onFloat<Ecg>;
        c.pastRespirationCallback = &onFloat<Respiration>;
        c.pastTemperatureCallback = &onFloat<Temperature>;
        c.pastHeartRateCallback = &onUInt32<HeartRate>;
        c.pastRrCallback = &onUInt32<Rr>;
        c.pastActivityCallback = &onUInt32<Activity>;
        c.pastRespirationRateCallback = &onUInt32<RespirationRate>;
        c.pastStepsCallback = &onSteps;
    }

    std::vector<double> values(const std::string& name) const {
        std::vector<double> out;
        for (const auto& e : events) {
            if (e.name == name) {
                out.push_back(e.value);
            }
        }
        return out;
    }
    std::vector<uint64_t> times(const std::string& name) const {
        std::vector<uint64_t> out;
        for (const auto& e : events) {
            if (e.name == name) {
                out.push_back(e.timestamp);
            }
        }
        return out;
    }

    enum Name { Ecg, Respiration, Temperature, HeartRate, Rr, Activity, RespirationRate };
    static const char* nameOf(Name n) {
        static const char* names[] = {"ecg",      "respiration", "temperature",     "heart_rate",
                                      "rr",       "activity",    "respiration_rate"};
        return names[n];
    }
    static void add(void* context, const char* name, uint64_t t, double v) {
        auto* self = static_cast<SynchronizationProcessTest*>(context);
        if (self == nullptr) {
            ADD_FAILURE() << "callback without its context";
            return;
        }
        self->events.push_back({name, t, v});
    }
    template <Name N>
    static void onFloat(void* c, uint64_t t, float v) { add(c, nameOf(N), t, v); }
    template <Name N>
    static void onUInt32(void* c, uint64_t t, uint32_t v) { add(c, nameOf(N), t, v); }
    static void onSteps(void* c, uint64_t t, uint64_t v) {
        auto* self = static_cast<SynchronizationProcessTest*>(c);
        self->steps.push_back(v);
        add(c, "steps", t, 0);
    }

    std::unique_ptr<SynchronizationProcess> decoders;
    std::vector<PastEvent> events;
    std::vector<uint64_t> steps;
};

constexpr uint64_t t0 = 1700000000000ull;

// Little-endian 16-bit fields.
Bytes le16(std::initializer_list<int> values) {
    Bytes out;
    for (int v : values) {
        out.push_back(static_cast<uint8_t>(v));
        out.push_back(static_cast<uint8_t>(v >> 8));
    }
    return out;
}

// Little-endian 24-bit fields.
Bytes le24(std::initializer_list<int> values) {
    Bytes out;
    for (int v : values) {
        out.push_back(static_cast<uint8_t>(v));
        out.push_back(static_cast<uint8_t>(v >> 8));
        out.push_back(static_cast<uint8_t>(v >> 16));
    }
    return out;
}

Bytes join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

// ---- Lengths ----------------------------------------------------------------------------------

TEST_F(SynchronizationProcessTest, WrongLengthsLogTheirLineAndDeliverNothing) {
    using Decoder = void (SynchronizationProcess::*)(const uint8_t*, uint32_t, uint64_t);
    struct Case {
        Decoder decoder;
        uint32_t size;
        std::string line;
    };
    const std::vector<Case> cases = {
        {&SynchronizationProcess::processTemperaturePackage, 5,
         "Synchronization.processTemperaturePackage: size != 4, size = 5"},
        {&SynchronizationProcess::processHeartRatePackage, 18,
         "Synchronization.processHeartRatePackage: size != 20, size = 18"},
        {&SynchronizationProcess::processActivityPackage, 2,
         "Synchronization.processActivityPackage: size != 1, size = 2"},
        {&SynchronizationProcess::processStepsPackage, 0,
         "Synchronization.processStepsPackage: size != 4, size = 0"},
        {&SynchronizationProcess::ecgProcessVersion1, 19,
         "Synchronization.ecgProcessVersion1: size != 18, size = 19"},
        {&SynchronizationProcess::ecgProcessVersion2, 18,
         "Synchronization.ecgProcessVersion2: size != 20, size = 18"},
        {&SynchronizationProcess::ecgProcessVersion3, 21,
         "Synchronization.ecgProcessVersion3: size != 20, size = 21"},
        {&SynchronizationProcess::ecgProcessVersion4, 255,
         "Synchronization.ecgProcessVersion4: size != 20, size = 255"},
        {&SynchronizationProcess::ecgProcessVersion5, 4,
         "Synchronization.ecgProcessVersion5: size != 20, size = 4"},
        {&SynchronizationProcess::respirationProcessVersion1, 20,
         "Synchronization.respirationProcessVersion1: size != 18, size = 20"},
        {&SynchronizationProcess::respirationProcessVersion2, 18,
         "Synchronization.respirationProcessVersion2: size != 20, size = 18"},
        {&SynchronizationProcess::respirationProcessVersion3, 19,
         "Synchronization.respirationProcessVersion3: size != 20, size = 19"},
        {&SynchronizationProcess::respirationProcessVersion4, 1,
         "TenvikSDKMiddle.respirationProcessVersion4: size != 20, size = 1"},
    };
    const Bytes record(255, 0x11);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        TenvikTest::InternalLogRecorder log;
        ((*decoders).*c.decoder)(record.data(), c.size, t0);
        EXPECT_EQ(log.lines(),
                  (std::vector<TenvikTest::InternalLogRecorder::Line>{{1, c.line}}));
    }
    EXPECT_TRUE(events.empty());
    EXPECT_TRUE(steps.empty());
}

// A record of the wrong length changes no history: the next good record starts from the
// state the earlier good one left.
TEST_F(SynchronizationProcessTest, WrongLengthKeepsEcgHistory) {
    decoders->ecgProcessVersion2(le16({1024, 0, 0, 0, 0, 0, 0, 0, 0, 4096}).data(), 20, t0);
    events.clear();
    const Bytes wrong(19, 0x7F);
    decoders->ecgProcessVersion2(wrong.data(), 19, t0);
    decoders->ecgProcessVersion2(le16({0, 0, 0, 0, 0, 0, 0, 0, 0, 0}).data(), 20, t0);
    // First midpoint between the last good sample (4096 / 65536) and 0.
    EXPECT_DOUBLE_EQ(values("ecg").at(0), 2048.0 / 65536.0);
}

// ---- Temperature, heart rate, activity, steps ---------------------------------------------

// skin 15358 and ambient 14758 in 0.02 K steps: 34.01 and 22.01 degrees; fresh windows give
// k = 1.3166926, r = 37.81031, truncated to 37.8.
TEST_F(SynchronizationProcessTest, TemperatureIsTheBodyEstimateOfSkinAndAmbient) {
    decoders->processTemperaturePackage(le16({15358, 14758}).data(), 4, t0);
    EXPECT_EQ(events, (std::vector<PastEvent>{{"temperature", t0, 37.799999237060547}}));
}

// Each reading is rounded to single precision twice: after the multiplication by 0.02 (a
// double), and after subtracting 273.15 (a double). Steps 15598 and 14721 become 38.80999 and
// 21.270014 degrees, whose estimate 42.59999 truncates to 42.5. Rounding once only, or using the
// single-precision 0.02 or 273.15, gives readings whose estimate lands on 42.6.
TEST_F(SynchronizationProcessTest, TemperatureReadingsAreRoundedAfterEachStep) {
    decoders->processTemperaturePackage(le16({15598, 14721}).data(), 4, t0);
    EXPECT_EQ(events, (std::vector<PastEvent>{{"temperature", t0, 42.5}}));
}

// Without its callback the decoder leaves the estimate's windows alone: a later reading is
// estimated as if it were the first.
TEST_F(SynchronizationProcessTest, TemperatureWithoutCallbackFeedsNoWindow) {
    decoders->callbacks().pastTemperatureCallback = nullptr;
    decoders->processTemperaturePackage(le16({15500, 14000}).data(), 4, t0);
    registerAll(*decoders);
    decoders->processTemperaturePackage(le16({15358, 14758}).data(), 4, t0 + 1);
    EXPECT_EQ(events, (std::vector<PastEvent>{{"temperature", t0 + 1, 37.799999237060547}}));
}

TEST_F(SynchronizationProcessTest, HeartRateRecordGivesNineIntervalsThenTheRate) {
    for (const uint8_t rate : {uint8_t{72}, uint8_t{0}}) {
        SCOPED_TRACE(static_cast<int>(rate));
        events.clear();
        Bytes record = join({{0xEE, rate}, le16({800, 0, 65535, 1, 2, 3, 4, 5, 258})});
        decoders->processHeartRatePackage(record.data(), 20, t0);
        const std::vector<PastEvent> expected = {
            {"rr", t0, 800}, {"rr", t0, 0}, {"rr", t0, 65535}, {"rr", t0, 1},
            {"rr", t0, 2},   {"rr", t0, 3}, {"rr", t0, 4},     {"rr", t0, 5},
            {"rr", t0, 258}, {"heart_rate", t0, static_cast<double>(rate)},
        };
        EXPECT_EQ(events, expected);
    }
}

TEST_F(SynchronizationProcessTest, ActivityCodesMapThroughTheTable) {
    const std::vector<std::pair<uint8_t, double>> cases = {
        {0, 16}, {1, 1}, {2, 2}, {3, 16}, {4, 4}, {5, 16}, {8, 8}, {9, 16}, {255, 16}};
    for (const auto& [code, expected] : cases) {
        events.clear();
        decoders->processActivityPackage(&code, 1, t0);
        EXPECT_EQ(events, (std::vector<PastEvent>{{"activity", t0, expected}})) << int(code);
    }
}

TEST_F(SynchronizationProcessTest, StepsAreSignedAndWidenedWithTheirSign) {
    const Bytes minusOne{0xFF, 0xFF, 0xFF, 0xFF};
    const Bytes tenThousand{0x10, 0x27, 0x00, 0x00};
    const Bytes lowestNegative{0x00, 0x00, 0x00, 0x80};
    decoders->processStepsPackage(minusOne.data(), 4, t0);
    decoders->processStepsPackage(tenThousand.data(), 4, t0 + 1);
    decoders->processStepsPackage(lowestNegative.data(), 4, t0 + 2);
    EXPECT_EQ(steps, (std::vector<uint64_t>{18446744073709551615ull, 10000ull,
                                            18446744071562067968ull}));
    EXPECT_EQ(times("steps"), (std::vector<uint64_t>{t0, t0 + 1, t0 + 2}));
}

// ---- ECG ---------------------------------------------------------------------------------------

// Six signed 24-bit samples x 2^-24 at the record time, and no effect on the upsampling
// history: a version-2 record afterwards still starts from 0.
TEST_F(SynchronizationProcessTest, EcgVersion1GivesTheSamplesThemselves) {
    const Bytes record = le24({0x800000, 0x7FFFFF, 1, -1 & 0xFFFFFF, 0, 0x400000});
    decoders->ecgProcessVersion1(record.data(), 18, t0);
    EXPECT_EQ(values("ecg"), (std::vector<double>{-0.5, 8388607.0 / 16777216.0,
                                                  1.0 / 16777216.0, -1.0 / 16777216.0, 0.0,
                                                  0.25}));
    EXPECT_EQ(times("ecg"), std::vector<uint64_t>(6, t0));
    events.clear();
    decoders->ecgProcessVersion2(le16({8192, 0, 0, 0, 0, 0, 0, 0, 0, 0}).data(), 20, t0);
    EXPECT_DOUBLE_EQ(values("ecg").at(0), 4096.0 / 65536.0);
}

// Ten signed 16-bit samples x 2^-16, each preceded by the midpoint with the one before; the
// first record of an instance starts from 0. All outputs at the record time.
TEST_F(SynchronizationProcessTest, EcgVersion2UpsamplesFromZero) {
    const Bytes record = le16({4096, 8192, -4096 & 0xFFFF, 0, 0, 0, 0, 0, 0, 32767});
    decoders->ecgProcessVersion2(record.data(), 20, t0);
    std::vector<double> expected = {2048, 4096, 6144, 8192, 2048, -4096, -2048, 0};
    for (int i = 0; i < 5; ++i) {
        expected.insert(expected.end(), {0, 0});
    }
    expected.insert(expected.end(), {16383.5, 32767});
    for (double& v : expected) {
        v /= 65536.0;
    }
    EXPECT_EQ(values("ecg"), expected);
    EXPECT_EQ(times("ecg"), std::vector<uint64_t>(20, t0));
}

// Device time 16 in bytes 0-3 and a record time whose upper half is H: the 16 outputs are
// at H x 2^32 + 16 ... + 31.
TEST_F(SynchronizationProcessTest, EcgVersion3JoinsTheDeviceTimeAndSpacesByOneMillisecond) {
    const uint64_t upper = 0x0000018B00000000ull;
    const Bytes record = join({{16, 0, 0, 0}, le16({2, 4, 6, 8, 10, 12, 14, 16})});
    decoders->ecgProcessVersion3(record.data(), 20, upper | 0xCFE56800u);
    std::vector<uint64_t> expectedTimes;
    std::vector<double> expectedValues;
    for (int i = 0; i < 16; ++i) {
        expectedTimes.push_back(upper + 16 + static_cast<uint64_t>(i));
        expectedValues.push_back((i + 1) / 65536.0);
    }
    EXPECT_EQ(times("ecg"), expectedTimes);
    EXPECT_EQ(values("ecg"), expectedValues);
}

// Device time as version 3; five signed 24-bit samples from byte 4; byte 19 is not read.
TEST_F(SynchronizationProcessTest, EcgVersion4GivesTenOutputsAtTheDeviceTime) {
    const uint64_t upper = 0x0000018B00000000ull;
    const Bytes record =
        join({{0x78, 0x56, 0x34, 0x12}, le24({256, 512, 0x800000, 0, 768}), {0xAB}});
    decoders->ecgProcessVersion4(record.data(), 20, upper | 5u);
    const double s = 1.0 / 16777216.0;
    EXPECT_EQ(values("ecg"), (std::vector<double>{128 * s, 256 * s, 384 * s, 512 * s,
                                                  -4194048 * s, -0.5, -0.25, 0, 384 * s,
                                                  768 * s}));
    EXPECT_EQ(times("ecg"), std::vector<uint64_t>(10, upper | 0x12345678u));
}

// Six signed 24-bit samples from byte 0; bytes 18 and 19 are not read.
TEST_F(SynchronizationProcessTest, EcgVersion5GivesTwelveOutputsAtTheRecordTime) {
    const Bytes record = join({le24({2, 4, 6, 8, 10, 12}), {0xFF, 0xFF}});
    decoders->ecgProcessVersion5(record.data(), 20, t0);
    std::vector<double> expected;
    for (int i = 1; i <= 12; ++i) {
        expected.push_back(i / 16777216.0);
    }
    EXPECT_EQ(values("ecg"), expected);
    EXPECT_EQ(times("ecg"), std::vector<uint64_t>(12, t0));
}

// The upsampling history carries over a record without a callback.
TEST_F(SynchronizationProcessTest, EcgHistoryAdvancesWithoutCallback) {
    decoders->callbacks().pastEcgCallback = nullptr;
    decoders->ecgProcessVersion5(join({le24({0, 0, 0, 0, 0, 4000}), {0, 0}}).data(), 20, t0);
    registerAll(*decoders);
    decoders->ecgProcessVersion5(join({le24({0, 0, 0, 0, 0, 0}), {0, 0}}).data(), 20, t0);
    EXPECT_DOUBLE_EQ(values("ecg").at(0), 2000.0 / 16777216.0);
}

// The layout each data version selects, told apart by the number of outputs of a record.
TEST(SynchronizationProcessDispatch, EcgVersionByDataVersionAndFirmware) {
    struct Case {
        int dataVersion;
        const char* firmware;  // null: an invalid copy; "": valid without parts
        size_t outputs;        // 6 v1, 20 v2, 16 v3, 10 v4, 12 v5, 0 none
    };
    const std::vector<Case> cases = {
        {0, "2.2.0", 6},   {1, "2.2.14", 20}, {2, "3.0.0", 20},  {3, "3.2.30", 16},
        {4, "2.3.23", 12}, {5, "3.3.34", 10}, {6, "3.3.41", 10}, {7, "3.1.0", 10},
        {7, "3.5.59", 10}, {7, "2.9.9", 12},  {7, nullptr, 12},  {7, "", 12},
        {8, "3.5.59", 0},  {-1, "3.5.59", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.dataVersion << " " << (c.firmware ? c.firmware : "invalid"));
        auto decoders = std::make_unique<SynchronizationProcess>();
        FirmwareVersion firmware;
        if (c.firmware != nullptr) {
            firmware = FirmwareVersion::fromText(c.firmware);
            firmware.valid = true;
            if (std::string(c.firmware).empty()) {
                firmware.parts.clear();
            }
        }
        decoders->setFirmwareVersion(firmware);
        decoders->setDataVersion(c.dataVersion);
        static size_t outputs;
        outputs = 0;
        decoders->callbacks().pastEcgCallback = [](void*, uint64_t, float) { ++outputs; };
        const Bytes record(c.outputs == 6 ? 18 : 20, 0x01);
        TenvikTest::InternalLogRecorder log;
        decoders->processECGPackage(record.data(), static_cast<uint32_t>(record.size()), t0);
        EXPECT_EQ(outputs, c.outputs);
        EXPECT_TRUE(log.lines().empty());
    }
}

TEST(SynchronizationProcessDispatch, RespirationVersionByDataVersion) {
    struct Case {
        int dataVersion;
        size_t size;
        const char* decoderLine;  // what a record of the other length logs
    };
    const std::vector<Case> cases = {
        {0, 18, "Synchronization.respirationProcessVersion1: size != 18, size = 17"},
        {1, 20, "Synchronization.respirationProcessVersion2: size != 20, size = 17"},
        {2, 20, "Synchronization.respirationProcessVersion3: size != 20, size = 17"},
        {6, 20, "Synchronization.respirationProcessVersion3: size != 20, size = 17"},
        {7, 20, "TenvikSDKMiddle.respirationProcessVersion4: size != 20, size = 17"},
        {8, 20, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dataVersion);
        auto decoders = std::make_unique<SynchronizationProcess>();
        decoders->setDataVersion(c.dataVersion);
        TenvikTest::InternalLogRecorder log;
        const Bytes record(20, 0);
        decoders->processRespirationPackage(record.data(), 17, t0);
        if (c.decoderLine == nullptr) {
            EXPECT_TRUE(log.lines().empty());
        } else {
            EXPECT_TRUE(log.contains(1, c.decoderLine));
        }
    }
}

// ---- Respiration -------------------------------------------------------------------------------

// Each sample goes four times through the signal chain, every result an output at the
// record time: the chain's outputs are those of a chain fed the same inputs.
TEST_F(SynchronizationProcessTest, RespirationVersion1FeedsEachSampleFourTimes) {
    const std::vector<int> raw = {0x100000, 0x080000, 0, 0xF00000, 0x7FFFFF, 0x000001};
    const Bytes record = le24({raw[0], raw[1], raw[2], raw[3], raw[4], raw[5]});
    decoders->respirationProcessVersion1(record.data(), 18, t0);

    auto reference = std::make_unique<Tenvik::SignalProcessor>(nullptr);
    std::vector<double> expected;
    for (int r : raw) {
        const int signedRaw = r >= 0x800000 ? r - 0x1000000 : r;
        for (int k = 0; k < 4; ++k) {
            expected.push_back(reference->processRespiration(
                static_cast<float>(signedRaw / 16777216.0), t0));
        }
    }
    EXPECT_EQ(values("respiration"), expected);
    EXPECT_EQ(times("respiration"), std::vector<uint64_t>(24, t0));
}

// After a first sample 0.25, a sample -0.125 gives the chain the inputs -0.1875, -0.25 ...
// -0.5 (steps of (0.25 - -0.125) / 6 below the sample), and the reference stays 0.25.
TEST_F(SynchronizationProcessTest, RespirationVersion2StepsBelowTheSample) {
    const int first = 16384;                // 0.25
    const int second = -8192 & 0xFFFF;      // -0.125
    const Bytes record = le16({first, second, second, 0, 0, 0, 0, 0, 0, 0});
    decoders->respirationProcessVersion2(record.data(), 20, t0);

    auto reference = std::make_unique<Tenvik::SignalProcessor>(nullptr);
    std::vector<float> inputs = {0.25f};
    for (int twice = 0; twice < 2; ++twice) {
        inputs.insert(inputs.end(), {-0.1875f, -0.25f, -0.3125f, -0.375f, -0.4375f, -0.5f});
    }
    // Seven zeros after the reference 0.25: steps of 0.25 / 6 below 0.
    for (int i = 0; i < 7; ++i) {
        float point = 0.0f;
        for (int k = 0; k < 6; ++k) {
            point -= 0.25f / 6.0f;
            inputs.push_back(point);
        }
    }
    std::vector<double> expected;
    for (float input : inputs) {
        expected.push_back(reference->processRespiration(input, t0));
    }
    EXPECT_EQ(values("respiration"), expected);
}

// The first sample ever is output as it is; afterwards eight points from the reference to
// each sample. Signed 16-bit x 2^-10, not filtered.
TEST_F(SynchronizationProcessTest, RespirationVersion3InterpolatesEighths) {
    const Bytes record =
        join({le16({0, 1024, 512, 512, 0, 0, 0, 0, -2048 & 0xFFFF}), {0x00, 0x0F}});
    decoders->respirationProcessVersion3(record.data(), 20, t0);
    std::vector<double> expected = {0.0};
    auto ramp = [&](double from, double to) {
        for (int k = 1; k <= 8; ++k) {
            expected.push_back(from + (to - from) * k / 8.0);
        }
    };
    ramp(0, 1);
    ramp(1, 0.5);
    ramp(0.5, 0.5);
    ramp(0.5, 0);
    for (int i = 0; i < 3; ++i) {
        ramp(0, 0);
    }
    ramp(0, -2);
    EXPECT_EQ(values("respiration"), expected);
    EXPECT_EQ(times("respiration"), std::vector<uint64_t>(65, t0));
    // The rate is big-endian in bytes 18-19: 00 0F.
    EXPECT_EQ(values("respiration_rate"), std::vector<double>{15});
}

// Six signed 24-bit samples x 2^-10 (bytes 0-17) and the rate from bytes 18-19.
TEST_F(SynchronizationProcessTest, RespirationVersion4ReadsTwentyFourBitSamples) {
    const Bytes record = join({le24({-1024 & 0xFFFFFF, 1024, 0x800000, 0, 0, 0}), {0x01, 0x02}});
    decoders->respirationProcessVersion4(record.data(), 20, t0);
    std::vector<double> expected = {-1.0};
    auto ramp = [&](double from, double to) {
        for (int k = 1; k <= 8; ++k) {
            expected.push_back(from + (to - from) * k / 8.0);
        }
    };
    ramp(-1, 1);
    ramp(1, -8192);
    ramp(-8192, 0);
    ramp(0, 0);
    ramp(0, 0);
    EXPECT_EQ(values("respiration"), expected);
    EXPECT_EQ(events.back(), (PastEvent{"respiration_rate", t0, 258}));
}

// Records every 10000 ms report the rate at T, T + 20000 and T + 40000; a record earlier
// than the last report reports too, the difference being unsigned.
TEST_F(SynchronizationProcessTest, RespirationRateIsThrottledByRecordTime) {
    for (const int version : {3, 4}) {
        SCOPED_TRACE(version);
        auto fresh = std::make_unique<SynchronizationProcess>();
        fresh->setContext(this);
        registerAll(*fresh);
        events.clear();
        const Bytes record = join({Bytes(18, 0), {0x00, 0x10}});
        auto feed = [&](uint64_t t) {
            if (version == 3) {
                fresh->respirationProcessVersion3(record.data(), 20, t);
            } else {
                fresh->respirationProcessVersion4(record.data(), 20, t);
            }
        };
        for (int i = 0; i <= 5; ++i) {
            feed(t0 + 10000u * static_cast<uint64_t>(i));
        }
        feed(t0);
        EXPECT_EQ(times("respiration_rate"),
                  (std::vector<uint64_t>{t0, t0 + 20000, t0 + 40000, t0}));
    }
}

// The first record after construction reports only when its time is above 14999.
TEST_F(SynchronizationProcessTest, RespirationRateGateStartsAtZero) {
    const Bytes record = join({Bytes(18, 0), {0x00, 0x07}});
    decoders->respirationProcessVersion3(record.data(), 20, 14999);
    EXPECT_TRUE(values("respiration_rate").empty());
    decoders->respirationProcessVersion3(record.data(), 20, 15000);
    EXPECT_EQ(times("respiration_rate"), std::vector<uint64_t>{15000});
}

TEST_F(SynchronizationProcessTest, SignalChainRateGoesToThePastRateCallback) {
    decoders->didCalculateRespirationRate(12, t0);
    decoders->didCalculateHeartRate(60, t0);
    EXPECT_EQ(events, (std::vector<PastEvent>{{"respiration_rate", t0, 12}}));
}

// The respiration reference carries over records without a callback.
TEST_F(SynchronizationProcessTest, RespirationHistoryAdvancesWithoutCallback) {
    decoders->callbacks().pastRespirationCallback = nullptr;
    decoders->respirationProcessVersion3(join({le16({1024}), Bytes(18, 0)}).data(), 20, 1);
    registerAll(*decoders);
    decoders->respirationProcessVersion3(Bytes(20, 0).data(), 20, 2);
    // The last sample of the first record was 0 (after a ramp from 1): the next ramp is flat.
    EXPECT_EQ(values("respiration"), std::vector<double>(72, 0.0));
}

}  // namespace
