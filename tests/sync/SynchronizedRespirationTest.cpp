// The respiration layouts that run through a signal chain, decoded live and from recordings:
// the same rules, and a rate estimator whose window no caller can push an index out of.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "common/FirmwareVersion.h"
#include "common/HostCallbacks.h"
#include "decoding/DataConverter.h"
#include "sync/SynchronizationProcess.h"

namespace {

using Tenvik::DataConverter;
using Tenvik::FirmwareVersion;
using Tenvik::SynchronizationProcess;
using Bytes = std::vector<uint8_t>;

Bytes sixteenBitSamples(const std::vector<int>& raw) {
    Bytes out;
    for (const int value : raw) {
        out.push_back(static_cast<uint8_t>(value));
        out.push_back(static_cast<uint8_t>(value >> 8));
    }
    return out;
}

void collect(void* values, uint64_t, float value) {
    static_cast<std::vector<float>*>(values)->push_back(value);
}

// Firmware 2.2.14 to 2.2.16 (data version 1): the same packets give the same filtered values
// live and synchronised, only their times differ.
TEST(RespirationLayout2, LiveAndSynchronisedGiveTheSameValues) {
    auto live = std::make_unique<DataConverter>(FirmwareVersion::fromText("2.2.15"));
    std::vector<float> liveValues;
    Tenvik::HostCallbacks host;
    host.respirationCallback = &collect;
    live->setHostCallbacks(host);
    live->setContext(&liveValues);

    auto synchronised = std::make_unique<SynchronizationProcess>();
    std::vector<float> synchronisedValues;
    synchronised->setDataVersion(live->getDataVersion());
    synchronised->callbacks().pastRespirationCallback = &collect;
    synchronised->setContext(&synchronisedValues);

    const std::vector<Bytes> packets = {
        sixteenBitSamples({16384, -8192, 0, 100, -100, 32767, -32768, 5, 6, 7}),
        sixteenBitSamples({-1, 1, 2000, -2000, 12345, -12345, 0, 0, 400, -400}),
        sixteenBitSamples({16384, 16384, 16384, 16384, 16384, -8192, -8192, -8192, -8192, 1})};
    for (int round = 0; round < 3; ++round) {
        for (const Bytes& packet : packets) {
            live->processRespirationPackage(packet.data(), 20, 1000);
            synchronised->processRespirationPackage(packet.data(), 20, 1000);
        }
    }
    ASSERT_EQ(liveValues.size(), 55u + 8 * 60);
    EXPECT_EQ(liveValues, synchronisedValues);
}

}  // namespace
