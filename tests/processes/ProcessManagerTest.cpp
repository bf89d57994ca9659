#include "processes/ProcessManager.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "InternalLogRecorder.h"
#include "RecordingSyncProcess.h"
#include "SessionFrames.h"
#include "processes/ITenvikSDK.h"
#include "session/Session.h"

namespace Tenvik {
namespace {

struct Delivery {
    void* context;
    std::string name;
    std::vector<uint8_t> bytes;
};

std::vector<Delivery> deliveries;

void recordPayload(void* context, const char* name, const uint8_t* data, size_t size) {
    deliveries.push_back({context, name, std::vector<uint8_t>(data, data + size)});
}

void throwingPayload(void*, const char*, const uint8_t*, size_t) {
    throw std::runtime_error("host failure");
}

class ProcessManagerPayloads : public ::testing::Test {
protected:
    void SetUp() override { deliveries.clear(); }
    TenvikTest::RecordingSyncProcess sync;
    ProcessManager manager{nullptr, sync};
};

TEST_F(ProcessManagerPayloads, DeliversNameBytesAndContext) {
    int context = 0;
    manager.setContext(&context);
    manager.setPayloadCallback(recordPayload);
    // An embedded NUL and a trailing terminator are payload bytes like any other.
    manager.didReceivePayload("Ping", std::string("a\0b\0", 4));
    ASSERT_EQ(deliveries.size(), 1u);
    EXPECT_EQ(deliveries[0].context, &context);
    EXPECT_EQ(deliveries[0].name, "Ping");
    EXPECT_EQ(deliveries[0].bytes, (std::vector<uint8_t>{'a', 0, 'b', 0}));
}

// The host may read the byte a payload points at whatever its size, so an empty payload
// points at one, also when the handler had no bytes to point at.
TEST_F(ProcessManagerPayloads, EmptyPayloadPointsAtAReadableByte) {
    static const uint8_t* seen = nullptr;
    static size_t seenSize = 1;
    manager.setPayloadCallback([](void*, const char*, const uint8_t* data, size_t size) {
        seen = data;
        seenSize = size;
    });
    manager.didReceivePayload("Update", std::string_view());
    EXPECT_NE(seen, nullptr);
    EXPECT_EQ(seenSize, 0u);
    seen = nullptr;
    manager.deliverPayload("Shell", nullptr, 0);
    EXPECT_NE(seen, nullptr);
    EXPECT_EQ(seenSize, 0u);
}

TEST_F(ProcessManagerPayloads, WithoutCallbackLogsAndDrops) {
    TenvikTest::InternalLogRecorder log;
    manager.didReceivePayload("system", "x");
    EXPECT_TRUE(log.contains(LogDebug, "ProcessManager::didReceivePayload - callback is null"));
    EXPECT_TRUE(deliveries.empty());
}

TEST_F(ProcessManagerPayloads, CatchesWhatTheCallbackThrows) {
    TenvikTest::InternalLogRecorder log;
    manager.setPayloadCallback(throwingPayload);
    EXPECT_NO_THROW(manager.didReceivePayload("Log", "line"));
    EXPECT_NO_THROW(manager.didReceivePayload("Log", "line"));
    EXPECT_EQ(log.lines(),
              (std::vector<TenvikTest::InternalLogRecorder::Line>{
                  {LogWarning, "ProcessManager::didReceivePayload - exception in payload callback"},
                  {LogWarning, "ProcessManager::didReceivePayload - exception in payload callback"},
              }));
}

// ---- Pending-command queue -------------------------------------------------------------------

struct QueueCase {
    const char* label;
    std::vector<std::string> commands;
    std::vector<std::string> answerNames;  // names of the answers that follow, in order
};

class PendingCommandQueue : public ::testing::TestWithParam<QueueCase> {};

TEST_P(PendingCommandQueue, NamesAnswersFirstInFirstOut) {
    TenvikTest::RecordingSyncProcess sync;
    ProcessManager manager(nullptr, sync);
    for (const std::string& command : GetParam().commands) {
        manager.pushPendingProcess(command);
    }
    for (const std::string& name : GetParam().answerNames) {
        EXPECT_EQ(manager.popPendingProcessName(), name);
    }
    EXPECT_EQ(manager.pendingProcessCount(), 0u);
    EXPECT_EQ(manager.popPendingProcessName(), "system");
}

INSTANTIATE_TEST_SUITE_P(
    CommandWords, PendingCommandQueue,
    ::testing::Values(
        QueueCase{"PingWithArguments", {"ping 3 times"}, {"Ping"}},
        QueueCase{"EveryWord",
                  {"system", "update", "ping", "set", "memory", "dump", "log", "sync"},
                  {"system", "Update", "Ping", "Set", "Memtest", "Dump", "Log", "Sync"}},
        QueueCase{"Collect", {"collect"}, {"Collect"}},
        QueueCase{"LeadingWhiteSpaceAndCapitals", {" \t\n\v\f\rDump", "DUMP now"},
                  {"Dump", "Dump"}},
        QueueCase{"TabBelongsToTheWord", {"ping\t3"}, {}},
        QueueCase{"LineFeedBelongsToTheWord", {"log\n"}, {}},
        QueueCase{"UnknownWord", {"reboot now"}, {}},
        QueueCase{"OnlyWhiteSpace", {"   ", ""}, {}},
        QueueCase{"PrefixIsNotAWord", {"pin", "pings"}, {}},
        QueueCase{"NinthPushesOutTheOldest",
                  {"log", "log", "log", "log", "log", "log", "log", "log", "ping"},
                  {"Log", "Log", "Log", "Log", "Log", "Log", "Log", "Ping"}}),
    [](const auto& caseInfo) { return std::string(caseInfo.param.label); });

TEST(PendingCommandQueueBound, HoldsAtMostEight) {
    TenvikTest::RecordingSyncProcess sync;
    ProcessManager manager(nullptr, sync);
    for (int i = 0; i < 20; ++i) {
        manager.pushPendingProcess(i < 12 ? "set" : "update");
    }
    EXPECT_EQ(manager.pendingProcessCount(), 8u);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(manager.popPendingProcessName(), "Update");
    }
}


// ---- Configuration and what reaches the synchronisation process --------------------------------

TEST(ProcessManagerConfiguration, ConfiguresSyncCollectAndTheUserEventClock) {
    TenvikTest::RecordingSyncProcess sync;
    ProcessManager manager(nullptr, sync);
    const FirmwareVersion firmware = FirmwareVersion::fromText("3.7.86");
    manager.configure(14, 18, 5, firmware, 1, 3, 1);
    ASSERT_EQ(sync.configurations.size(), 1u);
    const auto& given = sync.configurations[0];
    EXPECT_EQ(given.headerSize, 14u);
    EXPECT_EQ(given.packetSize, 18u);
    EXPECT_EQ(given.dataVersion, 5u);
    EXPECT_EQ(given.firmware.parts, firmware.parts);
    EXPECT_TRUE(given.firmware.valid);
    EXPECT_EQ(given.syncMode, 3u);
    EXPECT_EQ(given.sessionFormatKind, 1u);
    EXPECT_EQ(manager.getCollect().getSignalCount(), 16);
    EXPECT_EQ(manager.getSystem().clock().getMode(), 1);
}

TEST(ProcessManagerConfiguration, CollectSignalCountFromTheSessionFormat) {
    TenvikTest::RecordingSyncProcess sync;
    ProcessManager manager(nullptr, sync);
    EXPECT_EQ(manager.getCollect().getSignalCount(), 0);
    const std::pair<int, int> kinds[] = {{0, 15}, {1, 16}, {2, 18}, {7, 18}, {-1, 18}};
    for (const auto& [kind, count] : kinds) {
        manager.configure(14, 18, 0, FirmwareVersion{}, 0, 2, kind);
        EXPECT_EQ(manager.getCollect().getSignalCount(), count) << kind;
    }
}

void onState(void*, int) {}
void onProgress(void*, uint32_t, float) {}
void onEcg(void*, uint64_t, float) {}
void onRespiration(void*, uint64_t, float) {}
void onTemperature(void*, uint64_t, float) {}
void onHeartRate(void*, uint64_t, uint32_t) {}
void onActivity(void*, uint64_t, uint32_t) {}
void onRespirationRate(void*, uint64_t, uint32_t) {}
void onSteps(void*, uint64_t, uint64_t) {}

TEST(ProcessManagerConfiguration, ForwardsContextAndSynchronisationCallbacksToSync) {
    TenvikTest::RecordingSyncProcess sync;
    ProcessManager manager(nullptr, sync);
    int context = 0;
    manager.setContext(&context);
    manager.setSyncStateCallback(onState);
    manager.setSyncProgressCallback(onProgress);
    manager.setPastEcgCallback(onEcg);
    manager.setPastRespirationCallback(onRespiration);
    manager.setPastTemperatureCallback(onTemperature);
    manager.setPastHeartRateCallback(onHeartRate);
    manager.setPastActivityCallback(onActivity);
    manager.setPastRespirationRateCallback(onRespirationRate);
    manager.setPastStepsCallback(onSteps);
    EXPECT_EQ(sync.context, &context);
    EXPECT_EQ(sync.syncState, &onState);
    EXPECT_EQ(sync.syncProgress, &onProgress);
    EXPECT_EQ(sync.pastEcg, &onEcg);
    EXPECT_EQ(sync.pastRespiration, &onRespiration);
    EXPECT_EQ(sync.pastTemperature, &onTemperature);
    EXPECT_EQ(sync.pastHeartRate, &onHeartRate);
    EXPECT_EQ(sync.pastActivity, &onActivity);
    EXPECT_EQ(sync.pastRespirationRate, &onRespirationRate);
    EXPECT_EQ(sync.pastSteps, &onSteps);

    manager.setPastStepsCallback(nullptr);
    EXPECT_EQ(sync.pastSteps, nullptr);
}

TEST(ProcessManagerRouting, SyncRunsAndEndsLikeAnyHandler) {
    TenvikTest::RecordingSyncProcess sync;
    ProcessManager manager(nullptr, sync);
    EXPECT_EQ(sync.pid, -1);
    EXPECT_EQ(sync.delegate, &manager);
    manager.createProcess(ProcessSync, 70);
    const uint8_t bytes[] = {1, 2, 3};
    manager.process(bytes, 3, 70, 0x0000000300000007ull);
    manager.killProcess(ProcessSync, 70);
    manager.process(bytes, 3, 70, 0);
    ASSERT_EQ(sync.messages.size(), 1u);
    EXPECT_EQ(sync.messages[0].bytes, (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(sync.messages[0].options, 0x0000000300000007ull);
    EXPECT_EQ(sync.killed, 1);
    EXPECT_EQ(manager.pidOf(ProcessSync), -1);
}

// ---- Sessions of the collect process go to the owner ----------------------------------------------

class SessionOwner final : public ITenvikSDK {
public:
    void receiveMessage(const char*, uint16_t, uint16_t, uint64_t) override {}
    void didReceiveSession(const Session& session) override {
        starts.push_back(session.getTimestampStart());
        ecg.emplace_back(session.signal(SessionSignal::ecg).data(),
                         session.signal(SessionSignal::ecg).data() +
                             session.signal(SessionSignal::ecg).length());
        respirationRate.push_back(session.signal(SessionSignal::respirationRate).length());
    }
    std::vector<uint64_t> starts;
    std::vector<std::vector<uint8_t>> ecg;
    std::vector<uint16_t> respirationRate;
};

TEST(ProcessManagerSessions, CollectHandsEachSessionToTheOwner) {
    TenvikTest::RecordingSyncProcess sync;
    SessionOwner owner;
    ProcessManager manager(&owner, sync);
    manager.configure(14, 18, 0, FirmwareVersion{}, 0, 2, 0);  // 15 signals
    manager.createProcess(ProcessCollect, 12);
    TenvikTest::SessionFrame frame(1700000000000, 1700000001000, 1);
    frame.block({0x10, 0x20, 0x30}).emptyBlocks(11).block({0x01, 0x02});  // signal 12
    const std::vector<uint8_t>& payload = frame.data();
    manager.process(payload.data(), static_cast<uint16_t>(payload.size()), 12, 0);
    manager.process(nullptr, 0, 12, 0);
    ASSERT_EQ(owner.starts.size(), 2u);
    EXPECT_EQ(owner.starts[0], 1700000000000u);
    EXPECT_EQ(owner.ecg[0], (std::vector<uint8_t>{0x10, 0x20, 0x30}));
    EXPECT_EQ(owner.respirationRate[0], 2u);
    // An empty message still gives a session, with nothing in it.
    EXPECT_EQ(owner.starts[1], 0u);
    EXPECT_TRUE(owner.ecg[1].empty());
}

// ---- fetchPid ----------------------------------------------------------------------------------------

TEST(ProcessManagerFetchPid, NamesTheRunningInstanceByTheCommandsFirstWord) {
    TenvikTest::RecordingSyncProcess sync;
    ProcessManager manager(nullptr, sync);
    manager.createProcess(ProcessLog, 40000);
    TenvikTest::InternalLogRecorder log;
    EXPECT_EQ(manager.fetchPid("log level 3"), 40000);
    EXPECT_EQ(manager.fetchPid("system"), 0);
    EXPECT_EQ(manager.fetchPid("ping"), 0);     // stopped
    EXPECT_EQ(manager.fetchPid("Log level"), 0);  // the word is taken as it is
    EXPECT_EQ(manager.fetchPid(" log"), 0);
    using Line = TenvikTest::InternalLogRecorder::Line;
    EXPECT_EQ(log.lines(), (std::vector<Line>{
                               {LogDebug, "ProcessManager fetchPid found pid: 40000"},
                               {LogDebug, "ProcessManager fetchPid found pid: 0"},
                               {LogDebug, "ProcessManager fetchPid not found or pid=-1"},
                               {LogDebug, "ProcessManager fetchPid not found or pid=-1"},
                               {LogDebug, "ProcessManager fetchPid not found or pid=-1"},
                           }));
}

// ---- Thread cancellation passes the payload guard -------------------------------------------------

struct CancelledDelivery {
    ProcessManager* manager = nullptr;
    bool returned = false;
};

void exitingPayload(void*, const char*, const uint8_t*, size_t) { pthread_exit(nullptr); }

void* deliverAndExit(void* argument) {
    auto* run = static_cast<CancelledDelivery*>(argument);
    run->manager->didReceivePayload("Ping", "x");
    run->returned = true;
    return nullptr;
}

// pthread_exit unwinds the thread with a special exception; swallowing it aborts the process.
TEST(ProcessManagerCancellation, ThreadExitInsideThePayloadCallbackEndsTheThread) {
    TenvikTest::RecordingSyncProcess sync;
    ProcessManager manager(nullptr, sync);
    manager.setPayloadCallback(exitingPayload);
    CancelledDelivery run{&manager};
    pthread_t thread;
    ASSERT_EQ(pthread_create(&thread, nullptr, deliverAndExit, &run), 0);
    ASSERT_EQ(pthread_join(thread, nullptr), 0);
    EXPECT_FALSE(run.returned);
}

}  // namespace
}  // namespace Tenvik
