// Time per packet of every characteristic decoder, through its export, with every callback
// set (doing nothing) and logging off; "x_link_ceiling" is how many times the link's ceiling
// each decoder handles. And a filtered ECG packet beside its filter sections alone.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "SideBySide.h"
#include "common/ByteConverters.h"
#include "signal/EcgFilterChain.h"
#include "tenvik_sdk.h"

namespace {

using Export = void (*)(const uint8_t*, int, TenvikSDK*);

void onFloat(void*, uint64_t, float value) { benchmark::DoNotOptimize(value); }
void onVector(void*, uint64_t, float x, float, float) { benchmark::DoNotOptimize(x); }
void onQuaternion(void*, uint64_t, float w, float, float, float) { benchmark::DoNotOptimize(w); }
void onUInt8(void*, uint8_t value) { benchmark::DoNotOptimize(value); }
void onTimedUInt8(void*, uint64_t, uint8_t value) { benchmark::DoNotOptimize(value); }
void onTimedUInt16(void*, uint64_t, uint16_t value) { benchmark::DoNotOptimize(value); }
void onTimedUInt32(void*, uint64_t, uint32_t value) { benchmark::DoNotOptimize(value); }
void onTimedUInt64(void*, uint64_t, uint64_t value) { benchmark::DoNotOptimize(value); }
void onUInt32(void*, uint32_t value) { benchmark::DoNotOptimize(value); }
void onInt(void*, int value) { benchmark::DoNotOptimize(value); }
void onTime(void*, uint64_t time) { benchmark::DoNotOptimize(time); }

TenvikSDK* createInstance(const std::string& revision) {
    TenvikSDK* sdk = TenvikSDK_create(revision.data(), static_cast<int>(revision.size()));
    TenvikSDK_init_callbacks(onFloat, onFloat, onFloat, onVector, onVector, onVector, onUInt8,
                             onTimedUInt32, onTimedUInt64, onVector, onQuaternion, onTimedUInt32,
                             onUInt32, onTimedUInt32, onTimedUInt32, onTimedUInt16, onInt, onTime,
                             onTimedUInt32, onInt, onTimedUInt32, onTimedUInt8, sdk);
    return sdk;
}

// One decoder: `revision` selects its variant, `size` is the packet size it expects.
void decodePackets(benchmark::State& state, const std::string& revision, Export entry,
                   int size) {
    TenvikSDK* sdk = createInstance(revision);
    std::vector<uint8_t> packet(static_cast<size_t>(size));
    for (size_t i = 0; i < packet.size(); ++i) {
        packet[i] = static_cast<uint8_t>(i * 37 + 5);
    }
    for (auto _ : state) {
        entry(packet.data(), size, sdk);
        // Vary one byte so the signal is not constant.
        packet[0] = static_cast<uint8_t>(packet[0] + 1);
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * size);
    reportLinkCeilingMultiple(state, size);
    TenvikSDK_destroy(sdk);
}

// The oldest ECG layout on firmware below 2.2.0 runs each sample through the lead-off test
// and the ECG filter chain. Beside the export, a chain of its own filters the same samples
// (decoded as the export decodes them); "export_over_filter" is the export's time over the
// filter sections' time.
void BM_FilteredEcgPacketBesideItsFilter(benchmark::State& state) {
    TenvikSDK* sdk = createInstance("2.1.9");
    std::vector<std::vector<uint8_t>> packets(64, std::vector<uint8_t>(18));
    std::vector<float> samples;
    for (size_t p = 0; p < packets.size(); ++p) {
        for (size_t i = 0; i < 18; ++i) {
            packets[p][i] = static_cast<uint8_t>(p * 131 + i * 37 + 5);
        }
        for (size_t i = 0; i < 18; i += 3) {
            const uint8_t* bytes = packets[p].data() + i;
            samples.push_back(Tenvik::decodeLegacyEcgSample(bytes[2], bytes[1], bytes[0]));
        }
    }
    Tenvik::EcgFilterChain chain;
    runSideBySide(
        state,
        [&] {
            for (const auto& packet : packets) {
                processECGPackage(packet.data(), 18, sdk);
            }
        },
        [&] {
            for (const float sample : samples) {
                benchmark::DoNotOptimize(chain.process(sample));
            }
        },
        "export_over_filter", false);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(packets.size()) * 18);
    reportLinkCeilingMultiple(state, static_cast<double>(packets.size()) * 18);
    TenvikSDK_destroy(sdk);
}
BENCHMARK(BM_FilteredEcgPacketBesideItsFilter)->UseManualTime();

}  // namespace

BENCHMARK_CAPTURE(decodePackets, ecg_v1_filtered, std::string("2.1.9"), processECGPackage, 18);
BENCHMARK_CAPTURE(decodePackets, ecg_v1, std::string("2.2.2"), processECGPackage, 18);
BENCHMARK_CAPTURE(decodePackets, ecg_v2, std::string("2.2.14"), processECGPackage, 20);
BENCHMARK_CAPTURE(decodePackets, ecg_v3, std::string("3.2.30"), processECGPackage, 20);
BENCHMARK_CAPTURE(decodePackets, ecg_v4, std::string("3.3.34"), processECGPackage, 20);
BENCHMARK_CAPTURE(decodePackets, ecg_v5, std::string("2.3.23"), processECGPackage, 20);
BENCHMARK_CAPTURE(decodePackets, ecg_v6, std::string("3.5.59"), processECGPackage, 20);
BENCHMARK_CAPTURE(decodePackets, respiration_v1, std::string("2.2.5"), processRespirationPackage,
                  18);
BENCHMARK_CAPTURE(decodePackets, respiration_v2, std::string("2.2.14"),
                  processRespirationPackage, 20);
BENCHMARK_CAPTURE(decodePackets, respiration_v3, std::string("3.0.0"), processRespirationPackage,
                  20);
BENCHMARK_CAPTURE(decodePackets, respiration_v4, std::string("3.5.59"),
                  processRespirationPackage, 20);
BENCHMARK_CAPTURE(decodePackets, temperature_estimated, std::string("3.2.25"),
                  processTemperaturePackage, 4);
BENCHMARK_CAPTURE(decodePackets, temperature, std::string("3.2.26"), processTemperaturePackage,
                  4);
BENCHMARK_CAPTURE(decodePackets, motion_mode1, std::string("2.2.5"), processMotionPackage, 20);
BENCHMARK_CAPTURE(decodePackets, motion_mode3, std::string("3.5.59"), processMotionPackage, 18);
BENCHMARK_CAPTURE(decodePackets, battery, std::string("3.5.59"),
                  TenvikSDK_process_battery_package, 1);
BENCHMARK_CAPTURE(decodePackets, activity, std::string("3.5.59"), processActivityPackage, 1);
BENCHMARK_CAPTURE(decodePackets, steps, std::string("3.5.59"), processStepsPackage, 4);
BENCHMARK_CAPTURE(decodePackets, orientation_mode1, std::string("2.2.5"),
                  processOrientationPackage, 6);
BENCHMARK_CAPTURE(decodePackets, orientation_mode3, std::string("3.5.59"),
                  processOrientationPackage, 14);
BENCHMARK_CAPTURE(decodePackets, heart_rate, std::string("3.5.59"), processHeartRatePackage, 20);
BENCHMARK_CAPTURE(decodePackets, health_thermometer, std::string("3.5.59"),
                  processHealthThermometerPackage, 5);
BENCHMARK_CAPTURE(decodePackets, sound_volume, std::string("3.5.59"), processSoundVolumePackage,
                  10);
BENCHMARK_CAPTURE(decodePackets, nasal_cannula, std::string("3.5.59"), processNasalCannulaPackage,
                  20);
