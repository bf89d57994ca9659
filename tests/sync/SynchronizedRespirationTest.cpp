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

// Records of layout 1 (data version 0): six 24-bit samples of one value, near 0.25 and -0.25
// in turn, a few steps apart from record to record; each sample goes four times through the
// chain.
Bytes layout1Record(int index) {
    const int raw = (index % 2 == 0 ? 4194304 : -4194304) + 1678 * (index % 7);
    Bytes out;
    for (int i = 0; i < 6; ++i) {
        out.push_back(static_cast<uint8_t>(raw));
        out.push_back(static_cast<uint8_t>(raw >> 8));
        out.push_back(static_cast<uint8_t>(raw >> 16));
    }
    return out;
}

// Records reach these decoders only through the link, which holds back a chunk fed from inside
// a callback until the record in progress is done; and a characteristic value fed from there
// goes to the live chain. So nothing a host does puts a record inside another one. The
// estimator's window must stay whole all the same when a caller feeds the next record from
// inside the rate report: the report at the 30000th sample leaves the window at its start.
struct NestingCaller {
    std::unique_ptr<SynchronizationProcess> decoders = std::make_unique<SynchronizationProcess>();
    int next = 0;
    std::vector<uint32_t> rates;

    void feedNext() {
        const Bytes record = layout1Record(next++);
        decoders->processRespirationPackage(record.data(), 18, 1000);
    }
    static void onRate(void* context, uint64_t, uint32_t rate) {
        auto* self = static_cast<NestingCaller*>(context);
        self->rates.push_back(rate);
        self->feedNext();
    }
};

TEST(SynchronisedRespirationRate, ARecordFedFromInsideTheReportStaysInTheWindow) {
    NestingCaller caller;
    caller.decoders->setDataVersion(0);
    caller.decoders->setContext(&caller);
    caller.decoders->callbacks().pastRespirationRateCallback = &NestingCaller::onRate;
    while (caller.next < 1600) {
        caller.feedNext();
    }
    // The breaths counted with the 7500th, 15000th ... 37500th sample, from
    // tests/decoding/filtered_reference.py (the live layout 1 of these samples).
    EXPECT_EQ(caller.rates, (std::vector<uint32_t>{144, 295, 451, 602, 615}));
}

}  // namespace
