#include "processes/ProcessManager.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "InternalLogRecorder.h"
#include "RecordingSyncProcess.h"

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

}  // namespace
}  // namespace Tenvik
