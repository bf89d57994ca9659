// The SDK object's own synchronisation path, which firmware below 2.2.15 takes instead of the
// process manager: idle unless a synchronisation command moved it, then one reply step.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "InternalLogRecorder.h"
#include "SyncFrames.h"
#include "sdk/TenvikSDK.h"

namespace Tenvik {
namespace {

using Bytes = std::vector<uint8_t>;
namespace Frames = TenvikTest::SyncFrames;

struct Report {
    std::string kind;
    int64_t value;
    float rate;
    bool operator==(const Report&) const = default;
};

class LegacySyncPathTest : public ::testing::Test {
protected:
    LegacySyncPathTest() : sdk(std::make_unique<TenvikSDK>(FirmwareVersion::fromText("2.2.14"))) {
        sdk->setContext(this);
        SynchronizationCallbacks callbacks;
        callbacks.syncStateCallback = &onState;
        callbacks.syncProgressCallback = &onProgress;
        callbacks.pastStepsCallback = &onSteps;
        sdk->initSynchronizationCallbacks(callbacks);
    }

    // Protocol 1: every chunk is one complete message.
    void message(const Bytes& bytes) {
        sdk->processBLEChunk(bytes.empty() ? nullptr : bytes.data(), static_cast<int>(bytes.size()));
    }

    static LegacySyncPathTest& self(void* context) {
        return *static_cast<LegacySyncPathTest*>(context);
    }
    static void onState(void* c, int state) { self(c).reports.push_back({"state", state, 0}); }
    static void onProgress(void* c, uint32_t count, float rate) {
        self(c).reports.push_back({"progress", count, rate});
    }
    static void onSteps(void* c, uint64_t t, uint64_t steps) {
        self(c).reports.push_back({"steps", static_cast<int64_t>(steps), static_cast<float>(t)});
    }

    std::unique_ptr<TenvikSDK> sdk;
    std::vector<Report> reports;
};

const Bytes received{'R', 'E', 'C', 'E', 'I', 'V', 'E', 'D'};

TEST_F(LegacySyncPathTest, IdleIgnoresEveryMessage) {
    ASSERT_EQ(sdk->getRouteToProcessManager(), 0);
    message(Frames::textPacket("start"));
    message(Frames::statusPacket(4, 9));
    message(received);
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(sdk->getLegacySyncState(), TenvikSDK::legacySyncIdle);
}

TEST_F(LegacySyncPathTest, OnlyTheTwoCommandsLeaveIdle) {
    sdk->checkLegacySyncCommand("sync  start");
    sdk->checkLegacySyncCommand("Sync start");
    EXPECT_EQ(sdk->getLegacySyncState(), TenvikSDK::legacySyncIdle);
    sdk->checkLegacySyncCommand("sync count");
    EXPECT_EQ(sdk->getLegacySyncState(), TenvikSDK::legacySyncAwaitingCount);
    // Only from idle.
    sdk->checkLegacySyncCommand("sync start");
    EXPECT_EQ(sdk->getLegacySyncState(), TenvikSDK::legacySyncAwaitingCount);
}

// A "start" header answers the start command: the transfer begins and its packets go to the
// synchronisation process (data version 1: record times never go back).
TEST_F(LegacySyncPathTest, StartReplyBeginsTheTransfer) {
    sdk->checkLegacySyncCommand("sync start");
    message(received);
    EXPECT_EQ(sdk->getLegacySyncState(), TenvikSDK::legacySyncAwaitingStart);
    message(Frames::textPacket("start"));
    EXPECT_EQ(sdk->getLegacySyncState(), TenvikSDK::legacySyncTransfer);
    message(Frames::groupStart(6, 18, 4, 5000, {0x10, 0x27, 0, 0}, 3));
    EXPECT_EQ(reports, (std::vector<Report>{{"state", 0, 0}, {"progress", 3, -1.0f},
                                            {"steps", 10000, 5000.0f}}));
}

// Any header that does not classify as a start (a status header of status 0 does) ends the
// attempt, reported as state 3.
TEST_F(LegacySyncPathTest, OtherStartReplyEndsTheAttempt) {
    for (const Bytes& reply : {Frames::textPacket("end"), Frames::statusPacket(5),
                               Frames::groupStart(6, 18, 4, 0, {})}) {
        reports.clear();
        sdk->checkLegacySyncCommand("sync start");
        message(reply);
        EXPECT_EQ(sdk->getLegacySyncState(), TenvikSDK::legacySyncIdle);
        EXPECT_EQ(reports, (std::vector<Report>{{"state", 3, 0}}));
    }
    reports.clear();
    sdk->checkLegacySyncCommand("sync start");
    message(Frames::statusPacket(0));
    EXPECT_EQ(sdk->getLegacySyncState(), TenvikSDK::legacySyncTransfer);
    EXPECT_EQ(reports, (std::vector<Report>{{"state", 0, 0}}));
}

// A reply too short for the 14-byte header is refused; the path keeps waiting.
TEST_F(LegacySyncPathTest, ShortStartReplyIsRefused) {
    sdk->checkLegacySyncCommand("sync start");
    TenvikTest::InternalLogRecorder log;
    message({0x01, 's', 't', 'a', 'r', 't'});
    EXPECT_TRUE(log.contains(
        2, "TenvikSDK::handleLegacyStartReply: reply shorter than a sync header, size = 6"));
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(sdk->getLegacySyncState(), TenvikSDK::legacySyncAwaitingStart);
    message(Frames::textPacket("start"));
    EXPECT_EQ(reports, (std::vector<Report>{{"state", 0, 0}}));
}

// The first number of the count reply, in thousands, read from the message's own bytes only.
TEST_F(LegacySyncPathTest, CountReplyReportsThousands) {
    struct Case {
        std::string bytes;
        uint16_t size;
        int64_t count;
    };
    const std::vector<Case> cases = {
        {"count: 12345 bytes", 18, 12},
        {"4000" "999", 4, 4},  // the bytes after the message are not read
        {std::string("7\0" "123", 5), 5, 0},
        {"none", 4, 0},
        {"99999999999", 11, 2147483},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        reports.clear();
        sdk->checkLegacySyncCommand("sync count");
        sdk->receiveMessage(c.bytes.data(), c.size, uint16_t{0}, uint64_t{0});
        EXPECT_EQ(reports, (std::vector<Report>{{"progress", c.count, -1.0f}}));
        EXPECT_EQ(sdk->getLegacySyncState(), TenvikSDK::legacySyncIdle);
    }
}

}  // namespace
}  // namespace Tenvik
