// Recording synchronisation through TenvikSDK_process_ble_chunk, with every synchronisation
// callback set (folding into a sink) and logging off: legacy records per second by record
// type, and status-based session messages per second under protocols 3 and 4.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "SessionFrames.h"
#include "SinkCallbacks.h"
#include "SyncDevice.h"
#include "SyncFrames.h"
#include "tenvik_sdk.h"

namespace {

using Bytes = std::vector<uint8_t>;
namespace Frames = TenvikTest::SyncFrames;

// An instance whose synchronisation process the device has created.
TenvikSDK* createInstance(const std::string& revision, int protocol) {
    TenvikSDK* sdk = TenvikSDK_create(revision.data(), static_cast<int>(revision.size()));
    TenvikTest::Sink::registerSynchronization(sdk);
    TenvikTest::SyncDevice(sdk, protocol).createSync();
    return sdk;
}

Bytes varied(size_t length, uint8_t seed) {
    Bytes bytes(length);
    for (size_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<uint8_t>(i * 37 + seed);
    }
    return bytes;
}

void feed(const std::vector<Bytes>& chunks, TenvikSDK* sdk) {
    for (const Bytes& chunk : chunks) {
        TenvikSDK_process_ble_chunk(chunk.empty() ? nullptr : chunk.data(),
                                    static_cast<int>(chunk.size()), sdk);
    }
}

// One legacy group of `records` records of one type, in 18-byte packets over protocol 3.
void legacyRecords(benchmark::State& state, const std::string& revision, uint8_t recordType,
                   uint8_t recordLength, int records) {
    TenvikSDK* sdk = createInstance(revision, 3);
    std::vector<Bytes> chunks;
    uint64_t time = 1700000000000ull;
    for (const Bytes& packet :
         Frames::group(recordType, recordLength, time,
                       varied(static_cast<size_t>(recordLength) * records, 5))) {
        for (Bytes& chunk : TenvikTest::SyncDevice::frames(
                 3, packet, TenvikTest::SyncDevice::defaultSyncPid, 0)) {
            chunks.push_back(std::move(chunk));
        }
    }
    for (auto _ : state) {
        feed(chunks, sdk);
    }
    state.SetItemsProcessed(state.iterations() * records);
    TenvikSDK_destroy(sdk);
}

// One data message whose session holds records of every signal.
void statusBasedSessions(benchmark::State& state, const std::string& revision, int protocol) {
    TenvikSDK* sdk = createInstance(revision, protocol);
    TenvikTest::SessionFrame session(1700000000000ull, 1700000001000ull, 1);
    const size_t blockSizes[18] = {750, 150, 10, 10, 10, 50, 100, 0, 900, 700, 10, 8, 2, 16,
                                   10, 2, 120, 32};
    for (const size_t size : blockSizes) {
        session.block(varied(size, static_cast<uint8_t>(size)));
    }
    const std::vector<Bytes> chunks = TenvikTest::SyncDevice::frames(
        protocol, session.data(), TenvikTest::SyncDevice::defaultSyncPid, uint64_t{3} << 32);
    for (auto _ : state) {
        feed(chunks, sdk);
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(session.data().size()));
    TenvikSDK_destroy(sdk);
}

}  // namespace

// Data version 2: ECG layout 2, respiration layout 3.
BENCHMARK_CAPTURE(legacyRecords, ecg_v2, std::string("3.0.0"), 0, 20, 12);
BENCHMARK_CAPTURE(legacyRecords, respiration_v3, std::string("3.0.0"), 1, 20, 12);
// Data version 7 on 3.x: ECG layout 4, respiration layout 4.
BENCHMARK_CAPTURE(legacyRecords, ecg_v4, std::string("3.5.59"), 0, 20, 12);
BENCHMARK_CAPTURE(legacyRecords, respiration_v4, std::string("3.5.59"), 1, 20, 12);
BENCHMARK_CAPTURE(legacyRecords, temperature, std::string("3.0.0"), 2, 4, 60);
BENCHMARK_CAPTURE(legacyRecords, heart_rate, std::string("3.0.0"), 3, 20, 12);
BENCHMARK_CAPTURE(legacyRecords, steps, std::string("3.0.0"), 6, 4, 60);

BENCHMARK_CAPTURE(statusBasedSessions, protocol3, std::string("3.6.62"), 3);
BENCHMARK_CAPTURE(statusBasedSessions, protocol4, std::string("4.0.0"), 4);
