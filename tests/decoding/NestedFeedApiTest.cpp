// Hosts that feed the next characteristic value from inside a report raised in the middle of a
// packet: the value fed is decoded at once, at that point of the stream, and the packet in
// progress still delivers its own values. Under the sanitizer tree an index that left its
// array fails here too.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <string>
#include <vector>

#include "HostCallbackRecorder.h"
#include "PacketSender.h"
#include "tenvik_sdk.h"

namespace {

using TenvikTest::Bytes;
using TenvikTest::CharacteristicExport;
using TenvikTest::HostCallbackRecorder;
using TenvikTest::HostEvent;
using TenvikTest::sendPacket;
using Values = std::vector<double>;

// ---- Packet builders --------------------------------------------------------------------------

void appendBe16(Bytes& out, int value) {
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value));
}

void appendBe32(Bytes& out, int64_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<uint8_t>(value >> shift));
    }
}

void appendLe(Bytes& out, int64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

// Three s16 angles, then a quaternion (scalar first) in units of 2^-14.
Bytes orientation(std::initializer_list<int> angles, std::initializer_list<int> quaternion) {
    Bytes out;
    for (const int value : angles) {
        appendBe16(out, value);
    }
    for (const int value : quaternion) {
        appendBe16(out, value);
    }
    return out;
}

// Motion mode 1: a quaternion in units of 2^-14, then accelerations in units of 2^-16 g.
Bytes motion20(std::initializer_list<int> quaternion, std::initializer_list<int64_t> acceleration) {
    Bytes out;
    for (const int value : quaternion) {
        appendBe16(out, value);
    }
    for (const int64_t value : acceleration) {
        appendBe32(out, value);
    }
    return out;
}

// Motion mode 2: nine s16 values; the first three are accelerations in units of 2^-12 g.
Bytes motion18(std::initializer_list<int> values) {
    Bytes out;
    for (const int value : values) {
        appendBe16(out, value);
    }
    return out;
}

Bytes nasal(std::initializer_list<int64_t> pressures) {
    Bytes out;
    for (const int64_t value : pressures) {
        appendBe32(out, value);
    }
    return out;
}

// Flags, the rate and nine little-endian RR values from `firstRr` on.
Bytes heartRate(uint8_t flags, uint8_t rate, int firstRr) {
    Bytes out{flags, rate};
    for (int i = 0; i < 9; ++i) {
        appendLe(out, firstRr + i, 2);
    }
    return out;
}

// ECG layout 6: device time 0, five equal 24-bit samples, the wear state in byte 19.
Bytes ecgLayout6(int sample, uint8_t wearState) {
    Bytes out(4, 0);
    for (int i = 0; i < 5; ++i) {
        appendLe(out, sample, 3);
    }
    out.push_back(wearState);
    return out;
}

// Respiration layout 3: nine equal 16-bit samples (units of 2^-10), the rate big-endian.
Bytes respirationLayout3(int sample, int rate) {
    Bytes out;
    for (int i = 0; i < 9; ++i) {
        appendLe(out, sample, 2);
    }
    appendBe16(out, rate);
    return out;
}

HostEvent event(const std::string& name, Values values) { return {name, 0, std::move(values)}; }

std::vector<HostEvent> withoutTimes(std::vector<HostEvent> events) {
    for (auto& e : events) {
        e.timestamp = 0;
    }
    return events;
}

std::vector<HostEvent> operator+(std::vector<HostEvent> first,
                                 const std::vector<HostEvent>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

std::vector<HostEvent> repeatedEvent(const std::string& name, double value, int count) {
    return std::vector<HostEvent>(static_cast<std::size_t>(count), event(name, {value}));
}

// ---- Reports with values worked out by hand ---------------------------------------------------

struct Fed {
    CharacteristicExport entry;
    Bytes bytes;
    int times = 1;
};

struct NestedCase {
    const char* name;
    const char* revision;
    std::vector<Fed> before;  // fed first, plainly; what they raise is not checked
    Fed outer;
    Fed nested;               // fed from inside the first call of `feedOn` during `outer`
    const char* feedOn;
    std::vector<HostEvent> expected;  // everything `outer` raises, in order, without times

    friend void PrintTo(const NestedCase& c, std::ostream* out) { *out << c.name; }
};

class NestedFeed : public ::testing::TestWithParam<NestedCase> {};

TEST_P(NestedFeed, IsDecodedAtOnceAndThePacketInProgressKeepsItsValues) {
    const NestedCase& c = GetParam();
    HostCallbackRecorder host;
    ASSERT_NE(host.create(c.revision), nullptr);
    for (const Fed& fed : c.before) {
        for (int i = 0; i < fed.times; ++i) {
            sendPacket(fed.entry, fed.bytes, host.handle());
        }
    }
    host.clear();
    bool fed = false;
    const std::string feedOn = c.feedOn;
    host.react = [&](HostCallbackRecorder& h, const HostEvent& e) {
        if (!fed && e.name == feedOn) {
            fed = true;
            sendPacket(c.nested.entry, c.nested.bytes, h.handle());
        }
    };
    sendPacket(c.outer.entry, c.outer.bytes, host.handle());
    ASSERT_TRUE(fed) << "no " << feedOn << " during the packet";
    EXPECT_EQ(withoutTimes(host.events()), c.expected);
}

// Quaternions in units of 2^-14: the identity (upright); w = x = 0.5, gravity 0.5 g along y
// (posture 1); w = 0, x = 1, gravity −1 g along z (posture 0). Accelerations equal to gravity
// leave no linear acceleration, so the detectors see nothing but the postures.
const Bytes middlePosture = motion20({0x2000, 0x2000, 0, 0}, {0, 0x8000, 0});
const Bytes lyingPosture = motion20({0, 0x4000, 0, 0}, {0, 0, -0x10000});
// Upright and still: 4096 units of 2^-12 are 1 g, the gravity of the identity quaternion.
const Bytes stillUpright = motion18({0, 0, 4096, 0, 0, 0, 0, 0, 0});

std::vector<HostEvent> upsampledRespiration(double from, double to) {
    std::vector<HostEvent> out;
    for (int k = 1; k <= 8; ++k) {
        out.push_back(event("respiration", {from + (to - from) * k / 8.0}));
    }
    return out;
}

std::vector<NestedCase> nestedCases() {
    return {
        // The first value of a fresh pressure-contact detector reports 3 at once.
        NestedCase{"PressureContact", "3.0.0", {},
                   {processNasalCannulaPackage, nasal({1000, 1010, 1020, 1030, 1040})},
                   {processNasalCannulaPackage, nasal({7, 8, 9, 10, 11})},
                   "pressure_lead_off",
                   {event("pressure_lead_off", {3}), event("pressure", {7}),
                    event("pressure", {8}), event("pressure", {9}), event("pressure", {10}),
                    event("pressure", {11}), event("pressure", {1000}),
                    event("pressure", {1010}), event("pressure", {1020}),
                    event("pressure", {1030}), event("pressure", {1040})}},
        // Heart-rate format 0: the worn flag sets wear state 0 before the values go out.
        NestedCase{"WearStateOfTheHeartRate", "2.2.2", {},
                   {processHeartRatePackage, heartRate(0x10, 60, 1)},
                   {processHeartRatePackage, heartRate(0x10, 70, 11)},
                   "wear_state",
                   {event("wear_state", {0}), event("rr", {11}), event("rr", {12}),
                    event("rr", {13}), event("rr", {14}), event("rr", {15}), event("rr", {16}),
                    event("rr", {17}), event("rr", {18}), event("rr", {19}),
                    event("heart_rate", {70}), event("rr", {1}), event("rr", {2}),
                    event("rr", {3}), event("rr", {4}), event("rr", {5}), event("rr", {6}),
                    event("rr", {7}), event("rr", {8}), event("rr", {9}),
                    event("heart_rate", {60})}},
        // ECG layout 6 reports the wear state before its samples, which then follow the
        // samples fed meanwhile: 0.125 (0x200000 × 2^-24) inside, 0.0625 outside.
        NestedCase{"WearStateOfEcgLayout6", "3.3.41", {},
                   {processECGPackage, ecgLayout6(0x100000, 3)},
                   {processECGPackage, ecgLayout6(0x200000, 3)},
                   "wear_state",
                   std::vector<HostEvent>{event("wear_state", {3}), event("ecg", {0.0625})} +
                       repeatedEvent("ecg", 0.125, 9) +
                       std::vector<HostEvent>{event("ecg", {0.09375})} +
                       repeatedEvent("ecg", 0.0625, 9)},
        // 130 packets in body position 1 leave the classifier one differing packet short of
        // 132; the packet fed meanwhile (second angle 300: position 2) is the 131st, the
        // packet in progress (second angle 100: position 1) the 132nd, which decides.
        NestedCase{"BodyPositionAfterTheOrientation", "2.2.11",
                   {{processOrientationPackage, orientation({0, 100, 0}, {0x4000, 0, 0, 0}), 130}},
                   {processOrientationPackage, orientation({0, 100, 0}, {0x4000, 0x2000, 0, 0})},
                   {processOrientationPackage, orientation({0, 300, 0}, {0, 0, 0x4000, 0})},
                   "orientation",
                   {event("orientation", {0, 100, 0}), event("orientation", {0, 300, 0}),
                    event("body_position", {0}), event("quaternion", {0, 0, 1, 0}),
                    event("body_position", {1}), event("quaternion", {1, 0.5, 0, 0})}},
        // Fed after the packet in progress was classified (the 131st), the packet fed is the
        // 132nd and decides; the quaternion that follows is still the first packet's.
        NestedCase{"QuaternionAfterTheBodyPosition", "2.2.11",
                   {{processOrientationPackage, orientation({0, 100, 0}, {0x4000, 0, 0, 0}), 130}},
                   {processOrientationPackage, orientation({0, 100, 0}, {0x4000, 0x2000, 0, 0})},
                   {processOrientationPackage, orientation({0, 300, 0}, {0, 0, 0x4000, 0})},
                   "body_position",
                   {event("orientation", {0, 100, 0}), event("body_position", {0}),
                    event("orientation", {0, 300, 0}), event("body_position", {2}),
                    event("quaternion", {0, 0, 1, 0}), event("quaternion", {1, 0.5, 0, 0})}},
        // Postures 1, 0, 1 report the return to the middle (event 2) with the third sample;
        // the sample fed then comes after it, in the middle already: no second return.
        NestedCase{"ReturnToTheMiddlePosture", "2.1.0",
                   {{processMotionPackage, middlePosture}, {processMotionPackage, lyingPosture}},
                   {processMotionPackage, middlePosture},
                   {processMotionPackage, motion20({0x2000, 0x2000, 0, 0}, {0x4000, 0x8000, 0})},
                   "motion_event",
                   {event("motion_event", {2}), event("quaternion", {0.5, 0.5, 0, 0}),
                    event("accelerometer", {0.25, 0.5, 0}), event("quaternion", {0.5, 0.5, 0, 0}),
                    event("accelerometer", {0, 0.5, 0})}},
        // At plank angles (second 60, third 0) and still, the 62nd sample starts the plank
        // (event 6); the sample fed then continues it: no second start.
        NestedCase{"PlankStart", "2.2.11",
                   {{processOrientationPackage, orientation({0, 60, 0}, {0x4000, 0, 0, 0})},
                    {processMotionPackage, stillUpright, 61}},
                   {processMotionPackage, stillUpright},
                   {processMotionPackage, motion18({0, 0, 4096, 16, 0, 0, 0, 0, 0})},
                   "motion_event",
                   {event("motion_event", {6}), event("accelerometer", {0, 0, 1}),
                    event("motion_vector2", {1, 0, 0}), event("motion_vector3", {0, 0, 0}),
                    event("accelerometer", {0, 0, 1}), event("motion_vector2", {0, 0, 0}),
                    event("motion_vector3", {0, 0, 0})}},
        // Layout 3: nine samples 1.0 (the first ever alone, then eight points each); the
        // packet fed from the first delivery (samples 2.0) steps on from the last of them
        // and, being the first to finish, reports its rate (16); the first packet's rate
        // then falls within 15 s of it.
        NestedCase{"RespirationDelivery", "3.0.0", {},
                   {processRespirationPackage, respirationLayout3(0x400, 15)},
                   {processRespirationPackage, respirationLayout3(0x800, 16)},
                   "respiration",
                   std::vector<HostEvent>{event("respiration", {1.0})} +
                       upsampledRespiration(1.0, 2.0) + repeatedEvent("respiration", 2.0, 64) +
                       std::vector<HostEvent>{event("respiration_rate", {16})} +
                       repeatedEvent("respiration", 1.0, 64)}};
}

INSTANTIATE_TEST_SUITE_P(Reports, NestedFeed, ::testing::ValuesIn(nestedCases()),
                         [](const auto& caseInfo) { return std::string(caseInfo.param.name); });

// ---- Reports of the filtered layouts ------------------------------------------------------------
//
// Expected values from tests/decoding/filtered_reference.py, which runs the upsampling rules,
// the filter designs, the lead-off test and the respiration-rate estimator on the same packets
// with the same host.

// A host that feeds the packets of a stream in order and, from inside every call of one
// callback, the next packet of the stream.
struct StreamHost {
    StreamHost(const std::string& revision, CharacteristicExport stream,
               Bytes (*packetAt)(int), const std::string& feedOn)
        : entry(stream), packet(packetAt) {
        sdk = host.create(revision);
        host.react = [this, feedOn](HostCallbackRecorder&, const HostEvent& e) {
            if (e.name == feedOn) {
                feedNext();
            }
        };
    }
    void feedNext() { sendPacket(entry, packet(next++), sdk); }
    void run(int packets) {
        while (next < packets) {
            feedNext();
        }
    }

    HostCallbackRecorder host;
    TenvikSDK* sdk = nullptr;
    CharacteristicExport entry;
    Bytes (*packet)(int);
    int next = 0;
};

// The values of `count` events named `name` from position `at` of `events` on.
Values valuesFrom(const std::vector<HostEvent>& events, std::size_t at, const std::string& name,
                  std::size_t count) {
    Values out;
    for (; at < events.size() && out.size() < count; ++at) {
        EXPECT_EQ(events[at].name, name) << "event " << at;
        out.push_back(events[at].values.at(0));
    }
    return out;
}

// Packets of the rate runs: all samples one value, near 0.25 and −0.25 in turn, a few steps
// apart from packet to packet.
Bytes layout1RatePacket(int index) {
    const int raw = (index % 2 == 0 ? 4194304 : -4194304) + 1678 * (index % 7);
    Bytes out;
    for (int i = 0; i < 6; ++i) {
        appendLe(out, raw, 3);
    }
    return out;
}

Bytes layout2RatePacket(int index) {
    const int raw = (index % 2 == 0 ? 16384 : -16384) + 7 * (index % 7);
    Bytes out;
    for (int i = 0; i < 10; ++i) {
        appendLe(out, raw, 2);
    }
    return out;
}

struct RateReport {
    double rate;
    std::size_t outputsBefore;  // respiration outputs delivered before the report
    float fedFirst, fedLast;    // the packet fed from inside the report, delivered first
    float ownFirst, ownLast;    // the packet in progress, delivered after it
};

struct RateRun {
    const char* revision;
    Bytes (*packet)(int);
    int packets;
    std::size_t outputsPerPacket;
    std::size_t outputsInAll;
    std::vector<RateReport> reports;

    friend void PrintTo(const RateRun& run, std::ostream* out) { *out << run.revision; }
};

class NestedRespirationRate : public ::testing::TestWithParam<RateRun> {};

// A report every 7500 samples: mid-packet at the first, at the window's end at the fourth
// (the 30000th sample, after which the window starts again at its first entry), and once more
// over a window that holds the packets fed from inside the reports.
TEST_P(NestedRespirationRate, EachPacketDeliversItsOwnFilteredValues) {
    const RateRun& run = GetParam();
    StreamHost stream(run.revision, processRespirationPackage, run.packet, "respiration_rate");
    ASSERT_NE(stream.sdk, nullptr);
    stream.run(run.packets);
    const std::vector<HostEvent>& events = stream.host.events();
    EXPECT_EQ(stream.host.named("respiration").size(), run.outputsInAll);
    std::size_t report = 0;
    std::size_t outputs = 0;
    for (std::size_t at = 0; at < events.size(); ++at) {
        if (events[at].name == "respiration") {
            ++outputs;
            continue;
        }
        ASSERT_LT(report, run.reports.size());
        const RateReport& expected = run.reports[report++];
        SCOPED_TRACE(testing::Message() << "report " << report);
        EXPECT_EQ(events[at].values, Values{expected.rate});
        EXPECT_EQ(outputs, expected.outputsBefore);
        const Values fed = valuesFrom(events, at + 1, "respiration", run.outputsPerPacket);
        const Values own =
            valuesFrom(events, at + 1 + run.outputsPerPacket, "respiration", run.outputsPerPacket);
        ASSERT_EQ(fed.size(), run.outputsPerPacket);
        ASSERT_EQ(own.size(), run.outputsPerPacket);
        EXPECT_FLOAT_EQ(static_cast<float>(fed.front()), expected.fedFirst);
        EXPECT_FLOAT_EQ(static_cast<float>(fed.back()), expected.fedLast);
        EXPECT_FLOAT_EQ(static_cast<float>(own.front()), expected.ownFirst);
        EXPECT_FLOAT_EQ(static_cast<float>(own.back()), expected.ownLast);
    }
    EXPECT_EQ(report, run.reports.size());
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, NestedRespirationRate,
    ::testing::Values(
        // Layout 1, each sample fed four times: 24 outputs a packet.
        RateRun{"2.2.5", &layout1RatePacket, 1600, 24, 38400,
                {{144, 7488, -9.07158465e-05f, -0.000350140268f, -0.000109413711f,
                  -0.000748900347f},
                 {295, 14976, -2.38916946e-05f, 2.17521465e-05f, 2.4270621e-05f,
                  -1.7854265e-05f},
                 {451, 22488, -4.71438361e-05f, 0.000211398714f, -2.7356431e-05f,
                  0.000610429328f},
                 {602, 29976, 3.00376923e-05f, -1.66231093e-05f, -1.98338566e-05f,
                  2.39829988e-05f},
                 {615, 37488, 4.47326674e-05f, -0.000211299834f, 2.4072373e-05f,
                  -0.00060921954f}}},
        // Layout 2, six points a sample: 60 outputs a packet, 55 in the first.
        RateRun{"2.2.15", &layout2RatePacket, 640, 60, 38395,
                {{58, 7495, -0.00652106246f, 0.00601193821f, -0.0065403441f, 0.030092055f},
                 {119, 14995, 0.00199705968f, -0.00997222494f, 0.00197891658f,
                  -0.0335463174f},
                 {179, 22495, -0.00236694538f, 0.00970349647f, -0.00234564394f,
                  0.033409752f},
                 {240, 29995, 0.00236166432f, -0.00964897871f, 0.00234619947f,
                  -0.0332668573f},
                 {243, 37495, -0.00231031189f, 0.00973936357f, -0.00228931219f,
                  0.0334027484f}}}),
    [](const auto& caseInfo) {
        return std::string(caseInfo.param.revision == std::string("2.2.5") ? "Layout1"
                                                                           : "Layout2");
    });

// Six small 24-bit samples a packet (the window's mean stays near 0), different from packet
// to packet.
Bytes legacyEcgPacket(int index) {
    Bytes out;
    for (int i = 0; i < 6; ++i) {
        appendLe(out, ((index * 37 + i * 11) % 64 - 32) * 1000, 3);
    }
    return out;
}

// Below firmware 2.2.0 every ECG sample is tested for lead-off before it is filtered: the
// first sample reports wear state 3 (lead off) at once, the 502nd (the fourth of the 84th
// packet) 0. The packet fed from inside each report is tested and filtered right there,
// before the rest of the packet in progress.
TEST(NestedEcgLeadOff, EachPacketDeliversItsOwnFilteredValues) {
    StreamHost stream("2.1.9", processECGPackage, &legacyEcgPacket, "wear_state");
    ASSERT_NE(stream.sdk, nullptr);
    stream.run(90);
    const std::vector<HostEvent>& events = stream.host.events();
    EXPECT_EQ(stream.host.values("wear_state"), (Values{3, 0}));
    EXPECT_EQ(stream.host.named("ecg").size(), 540u);
    const std::vector<std::vector<float>> expected = {
        // wear state 3: the second packet, fed from inside, then the first
        {-2.26851243e-05f, -9.51921538e-05f, -0.000214608517f, -0.000102469596f,
         -5.74117985e-05f, -0.000101538724f},
        {0.000163132776f, 0.000212820727f, 0.0001930453f, 0.000383776642f, 0.000425441831f,
         0.000338387763f},
        // wear state 0: the 85th packet, fed from inside, then the 84th
        {-0.000261358189f, -0.00013311801f, -0.000251579535f, -0.000217616165f,
         9.89222372e-06f, 0.00014678594f},
        {-0.000178747578f, -2.14772117e-05f, -5.58407155e-05f, 0.000225554584f,
         7.38112503e-05f, -4.84818884e-05f}};
    std::size_t next = 0;
    for (std::size_t at = 0; at < events.size(); ++at) {
        if (events[at].name != "wear_state") {
            continue;
        }
        for (std::size_t packet = 0; packet < 2; ++packet, ++next) {
            ASSERT_LT(next, expected.size());
            const Values values = valuesFrom(events, at + 1 + 6 * packet, "ecg", 6);
            ASSERT_EQ(values.size(), 6u);
            for (std::size_t i = 0; i < 6; ++i) {
                EXPECT_FLOAT_EQ(static_cast<float>(values[i]), expected[next][i])
                    << "packet " << next << " output " << i;
            }
        }
    }
    EXPECT_EQ(next, expected.size());
}

}  // namespace
