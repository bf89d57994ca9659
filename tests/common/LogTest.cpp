#include "common/Log.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestThread.h"

namespace Tenvik {
namespace {

struct Received {
    void* context = nullptr;
    std::vector<std::pair<int, std::string>> lines;
    std::vector<const char*> pointers;
};

void record(void* context, int level, const char* text) {
    auto* received = static_cast<Received*>(context);
    received->context = context;
    received->lines.emplace_back(level, text);
    received->pointers.push_back(text);
}

class LogFunction : public ::testing::Test {
protected:
    void TearDown() override { clearLogCallback(); }
};

TEST_F(LogFunction, DeliversEachLineWithContextAndLevel) {
    Received received;
    setLogCallback(record, &received);
    logMessage(LogWarning, "first");
    logLine(LogInfo, "DataConverter.processTemperaturePackage: size != ", 4, ", size = ", -3);
    ASSERT_EQ(received.lines.size(), 2u);
    EXPECT_EQ(received.context, &received);
    EXPECT_EQ(received.lines[0], std::make_pair(2, std::string("first")));
    EXPECT_EQ(received.lines[1],
              std::make_pair(1, std::string("DataConverter.processTemperaturePackage: size != 4, "
                                            "size = -3")));
}

TEST_F(LogFunction, NumbersArePlainDecimal) {
    Received received;
    setLogCallback(record, &received);
    logLine(LogDebug, "v=", uint16_t{65535}, " ", int64_t{-9000000000}, " ", uint8_t{7});
    ASSERT_EQ(received.lines.size(), 1u);
    EXPECT_EQ(received.lines[0].second, "v=65535 -9000000000 7");
}

TEST_F(LogFunction, NothingReachesTheHostWithoutACallback) {
    Received received;
    setLogCallback(record, &received);
    clearLogCallback();
    EXPECT_FALSE(logEnabled());
    logLine(LogError, "dropped");
    logMessage(LogError, "dropped too");
    EXPECT_TRUE(received.lines.empty());
}

TEST_F(LogFunction, TextLivesInAPerThreadBuffer) {
    Received received;
    setLogCallback(record, &received);
    logMessage(LogDebug, "one");
    std::string otherThreadText;
    TenvikTest::TestThread other([&] {
        Received local;
        // The other thread's line must not disturb this thread's buffer.
        logMessage(LogDebug, "from another thread");
        otherThreadText = received.lines.back().second;
    });
    other.join();
    EXPECT_STREQ(received.pointers[0], "one");
    EXPECT_NE(received.pointers[0], received.pointers[1]);
    EXPECT_EQ(otherThreadText, "from another thread");
}

// A log callback that makes the library log again (a host that calls back into it): the
// outer text stays intact for the rest of the outer callback.
struct Nesting {
    std::vector<std::string> outerAfterInner;
    int depth = 0;
};

void logAgain(void* context, int, const char* text) {
    auto* nesting = static_cast<Nesting*>(context);
    if (nesting->depth++ == 0) {
        const std::string before = text;
        logLine(LogDebug, "an inner line, longer than the outer one so that it needs more room ",
                12345);
        nesting->outerAfterInner = {before, text};
    }
    --nesting->depth;
}

TEST_F(LogFunction, LineLoggedFromTheCallbackLeavesTheOuterTextIntact) {
    Nesting nesting;
    setLogCallback(logAgain, &nesting);
    logLine(LogDebug, "outer ", 1);
    ASSERT_EQ(nesting.outerAfterInner.size(), 2u);
    EXPECT_EQ(nesting.outerAfterInner[0], "outer 1");
    EXPECT_EQ(nesting.outerAfterInner[1], "outer 1");
}

}  // namespace
}  // namespace Tenvik
