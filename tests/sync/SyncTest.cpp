#include "sync/Sync.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "SessionFrames.h"

namespace {

using Tenvik::FirmwareVersion;
using Tenvik::Sync;

uint64_t clockNow = 0;
uint64_t testClock() { return clockNow; }

struct Progress {
    uint32_t count;
    float rate;
    bool operator==(const Progress&) const = default;
};
std::vector<Progress> progressReports;
void onProgress(void*, uint32_t count, float rate) { progressReports.push_back({count, rate}); }

constexpr uint64_t dataStatus = uint64_t{3} << 32;
constexpr uint64_t progressStatus = uint64_t{4} << 32;

class SyncTest : public ::testing::Test {
protected:
    SyncTest() : sync(std::make_unique<Sync>()) {
        sync->configure(14, 18, 7, FirmwareVersion::fromText("3.6.62"), 3, 0);
        sync->setClock(&testClock);
        sync->setSyncProgressCallback(&onProgress);
        progressReports.clear();
    }

    // An empty session of 15 blocks: 17 + 15 x 2 = 47 bytes.
    void data(uint64_t at, uint32_t count) {
        clockNow = at;
        const auto session = TenvikTest::SessionFrame(1700000000000ull, 1700000001000ull, 0)
                                 .emptyBlocks(15)
                                 .data();
        sync->process(session.data(), static_cast<uint16_t>(session.size()), dataStatus | count);
    }
    void progressOnly(uint64_t at, uint32_t count) {
        clockNow = at;
        sync->process(nullptr, 0, progressStatus | count);
    }

    std::unique_ptr<Sync> sync;
};

// The first data payload only starts the clock; a window closes after at least two seconds,
// and its rate is the bytes since the window opened over the time elapsed in seconds, as a
// real number: 94 bytes in 2.5 s are 37.6 per second. The payload that closes the window
// reports the new rate in its own progress.
TEST_F(SyncTest, TransferRateOverWindowsOfTwoSeconds) {
    data(1000, 1);
    data(2000, 2);
    data(3500, 3);
    EXPECT_EQ(progressReports, (std::vector<Progress>{{1, 1000.0f}, {2, 1000.0f}, {3, 37.6f}}));
}

// A progress-only payload reports the current rate and leaves the meter alone: a window that
// it would have closed stays open for the next data payload.
TEST_F(SyncTest, ProgressOnlyPayloadsDoNotUpdateTheRate) {
    data(1000, 1);
    data(3000, 2);  // 47 bytes in 2 s
    progressOnly(9000, 7);
    data(9500, 3);  // 47 bytes in 6.5 s
    EXPECT_EQ(progressReports, (std::vector<Progress>{{1, 1000.0f},
                                                      {2, 23.5f},
                                                      {7, 23.5f},
                                                      {3, 47.0f / 6.5f}}));
}

// The rate meter is never reset: a new transfer goes on with the rate of the last window.
TEST_F(SyncTest, RateOutlivesTheTransferAndTheProcess) {
    data(1000, 1);
    data(3000, 2);
    sync->process(nullptr, 0, 0);  // a new transfer starts
    sync->onKilled();
    progressOnly(3100, 0);
    EXPECT_EQ(progressReports.back(), (Progress{0, 23.5f}));
}

TEST(SyncConfiguration, SignalCountAndModeFromTheFirmwareOptions) {
    struct Case {
        uint32_t kind;
        int signals;
    };
    for (const Case& c : {Case{0, 15}, Case{1, 16}, Case{2, 18}, Case{7, 18}}) {
        auto sync = std::make_unique<Sync>();
        EXPECT_EQ(sync->getSignalCount(), 0);
        EXPECT_EQ(sync->getMode(), 1);
        sync->configure(14, 18, 2, FirmwareVersion::fromText("3.0.0"), 2, c.kind);
        EXPECT_EQ(sync->getSignalCount(), c.signals) << c.kind;
        EXPECT_EQ(sync->getMode(), 2);
    }
}

}  // namespace
