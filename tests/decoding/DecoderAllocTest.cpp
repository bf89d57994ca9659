// Decoding allocates nothing per packet: every decoder variant, driven through its export
// with every callback set, with and without a log callback, after a warm-up.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "CountingAllocator.h"
#include "tenvik_sdk.h"

namespace {

using Export = void (*)(const uint8_t*, int, TenvikSDK*);

struct Entry {
    const char* name;
    Export entry;
    int size;
};

struct FirmwareCase {
    std::string revision;
    std::vector<Entry> entries;
};

// Sizes that the firmware's variants expect; the other decoders have one size only.
std::vector<Entry> entriesFor(int ecgSize, int respirationSize, int motionSize,
                              int orientationSize) {
    return {{"ecg", processECGPackage, ecgSize},
            {"respiration", processRespirationPackage, respirationSize},
            {"temperature", processTemperaturePackage, 4},
            {"motion", processMotionPackage, motionSize},
            {"battery", TenvikSDK_process_battery_package, 1},
            {"battery3", TenvikSDK_process_battery_package, 3},
            {"activity", processActivityPackage, 1},
            {"steps", processStepsPackage, 4},
            {"orientation", processOrientationPackage, orientationSize},
            {"heartrate", processHeartRatePackage, 20},
            {"thermometer", processHealthThermometerPackage, 5},
            {"sound", processSoundVolumePackage, 10},
            {"nasal", processNasalCannulaPackage, 20},
            // A wrong size is only logged.
            {"wrong size", processStepsPackage, 7}};
}

volatile uint64_t sink = 0;

void onFloat(void*, uint64_t t, float v) { sink = sink + t + static_cast<uint64_t>(v != 0); }
void onVector(void*, uint64_t t, float, float, float) { sink = sink + t; }
void onQuaternion(void*, uint64_t t, float, float, float, float) { sink = sink + t; }
void onGps(void*, uint64_t t, float, float, float, float, float, float) { sink = sink + t; }
void onUInt8(void*, uint8_t v) { sink = sink + v; }
void onTimedUInt8(void*, uint64_t t, uint8_t v) { sink = sink + t + v; }
void onTimedUInt16(void*, uint64_t t, uint16_t v) { sink = sink + t + v; }
void onTimedUInt32(void*, uint64_t t, uint32_t v) { sink = sink + t + v; }
void onTimedUInt64(void*, uint64_t t, uint64_t v) { sink = sink + t + v; }
void onUInt32(void*, uint32_t v) { sink = sink + v; }
void onInt(void*, int v) { sink = sink + static_cast<uint64_t>(v); }
void onTime(void*, uint64_t t) { sink = sink + t; }

void registerEverything(TenvikSDK* sdk) {
    static int context = 0;
    TenvikSDK_set_context(&context, sdk);
    TenvikSDK_init_callbacks(onFloat, onFloat, onFloat, onVector, onVector, onVector, onUInt8,
                             onTimedUInt32, onTimedUInt64, onVector, onQuaternion, onTimedUInt32,
                             onUInt32, onTimedUInt32, onTimedUInt32, onTimedUInt16, onInt, onTime,
                             onTimedUInt32, onInt, onTimedUInt32, onTimedUInt8, sdk);
    TenvikSDK_set_eda_callback(onFloat, sdk);
    TenvikSDK_set_gps_callback(onGps, sdk);
}

// Bytes that differ from packet to packet, so that flags, wear states and signals move.
void fill(std::vector<uint8_t>& bytes, int round) {
    for (size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<uint8_t>(i * 37 + static_cast<size_t>(round) * 11);
    }
}

constexpr int warmUpPackets = 32;
constexpr int countedPackets = 200;

// The counter sees the library's allocations: creating an instance allocates.
TEST(AllocationCounter, CountsAllocationsInsideTheLibrary) {
    const TenvikTest::AllocationScope scope;
    TenvikSDK* sdk = TenvikSDK_create("3.5.59", 6);
    EXPECT_GT(scope.count(), 0u);
    TenvikSDK_destroy(sdk);
}

// Lines that reach the host, counted without allocating.
int loggedLines = 0;
void onLog(void*, int, const char* text) { loggedLines += text[0] != '\0' ? 1 : 0; }

class DecoderAllocation : public ::testing::TestWithParam<FirmwareCase> {
protected:
    void expectNoAllocationPerPacket(bool log);
};

TEST_P(DecoderAllocation, NothingIsAllocatedPerPacket) { expectNoAllocationPerPacket(false); }

// The wrong-size packets and the decoders' own lines are logged in place.
TEST_P(DecoderAllocation, NothingIsAllocatedPerPacketWithALogCallback) {
    expectNoAllocationPerPacket(true);
}

void DecoderAllocation::expectNoAllocationPerPacket(bool log) {
    const FirmwareCase& c = GetParam();
    TenvikSDK* sdk = TenvikSDK_create(c.revision.data(), static_cast<int>(c.revision.size()));
    ASSERT_NE(sdk, nullptr);
    registerEverything(sdk);
    loggedLines = 0;
    if (log) {
        TenvikSDK_set_log_callback(onLog, nullptr);
    }

    for (const Entry& entry : c.entries) {
        std::vector<uint8_t> bytes(static_cast<size_t>(entry.size));
        // The temperature estimator's windows grow to their full length during the warm-up.
        for (int round = 0; round < warmUpPackets; ++round) {
            fill(bytes, round);
            entry.entry(bytes.data(), entry.size, sdk);
        }
        const TenvikTest::AllocationScope scope;
        for (int round = 0; round < countedPackets; ++round) {
            fill(bytes, round);
            entry.entry(bytes.data(), entry.size, sdk);
        }
        EXPECT_EQ(scope.count(), 0u) << c.revision << ' ' << entry.name;
    }
    if (log) {
        EXPECT_GE(loggedLines, countedPackets);  // the wrong-size entry at least
    }
    TenvikSDK_destroy(sdk);
}

INSTANTIATE_TEST_SUITE_P(
    Variants, DecoderAllocation,
    ::testing::Values(
        // ECG 1 with lead-off and filter, respiration 1, motion and orientation mode 1,
        // estimated temperature, heart-rate format 0 without reporting.
        FirmwareCase{"2.1.9", entriesFor(18, 18, 20, 6)},
        // Respiration 1 four times per sample, heart rate reported.
        FirmwareCase{"2.2.5", entriesFor(18, 18, 20, 6)},
        // ECG 2, respiration 2, motion mode 2.
        FirmwareCase{"2.2.14", entriesFor(20, 20, 18, 14)},
        // Heart-rate format 1.
        FirmwareCase{"2.2.18", entriesFor(20, 20, 18, 14)},
        // ECG 5, respiration 3.
        FirmwareCase{"2.3.23", entriesFor(20, 20, 18, 14)},
        // ECG 3, temperature in hundredths.
        FirmwareCase{"3.2.30", entriesFor(20, 20, 18, 14)},
        // ECG 4.
        FirmwareCase{"3.3.34", entriesFor(20, 20, 18, 14)},
        // ECG 6, respiration 4, motion mode 3, heart-rate format 2.
        FirmwareCase{"3.5.59", entriesFor(20, 20, 18, 14)}));

}  // namespace
