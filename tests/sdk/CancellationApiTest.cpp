// A host callback that ends its thread (pthread_exit, as a cancelled thread does) unwinds
// through the library: the thread ends, the process goes on, and the instance is left usable,
// or freed when the callback had destroyed it.
#include <gtest/gtest.h>
#include <pthread.h>

#include <string>
#include <vector>

#include "DeviceFrames.h"
#include "tenvik_sdk.h"

namespace {

using TenvikTest::DeviceFrames::Bytes;
using TenvikTest::DeviceFrames::v4Message;

struct Host {
    TenvikSDK* sdk = nullptr;
    bool destroyFirst = false;
    bool exitThread = true;
    bool returned = false;
    std::vector<std::string> payloads;
};

void onPayload(void* context, const char* name, const uint8_t*, size_t) {
    auto* host = static_cast<Host*>(context);
    host->payloads.emplace_back(name);
    if (host->destroyFirst) {
        TenvikSDK_destroy(host->sdk);
    }
    if (host->exitThread) {
        pthread_exit(nullptr);
    }
}

// A message of an unknown kind for the system process: one "System" payload.
const Bytes systemMessage = v4Message(Bytes(4, 0x11), 0);

void feedSystemMessage(TenvikSDK* sdk) {
    TenvikSDK_process_ble_chunk(systemMessage.data(), static_cast<int>(systemMessage.size()), sdk);
}

void* feedOnThread(void* argument) {
    auto* host = static_cast<Host*>(argument);
    feedSystemMessage(host->sdk);
    host->returned = true;
    return nullptr;
}

Host* hostOn(const char* revision) {
    auto* host = new Host;
    host->sdk = TenvikSDK_create(revision, static_cast<int>(std::string(revision).size()));
    TenvikSDK_set_context(host, host->sdk);
    TenvikSDK_set_payload_callback(&onPayload, host->sdk);
    return host;
}

void runOnThread(Host& host) {
    pthread_t thread;
    ASSERT_EQ(pthread_create(&thread, nullptr, feedOnThread, &host), 0);
    ASSERT_EQ(pthread_join(thread, nullptr), 0);
}

class ThreadExitInsideCallback : public ::testing::Test {
protected:
    void SetUp() override {
#if defined(_WIN32)
        GTEST_SKIP() << "Windows has no forced unwinding: a thread ended inside a callback "
                        "does not unwind through the library";
#endif
    }
};

TEST_F(ThreadExitInsideCallback, EndsTheThreadAndLeavesTheInstanceUsable) {
    Host* host = hostOn("4.0.0");
    runOnThread(*host);
    EXPECT_FALSE(host->returned);
    EXPECT_EQ(host->payloads, (std::vector<std::string>{"System"}));
    // The call that the thread left is over: the next one is served as usual.
    host->exitThread = false;
    feedSystemMessage(host->sdk);
    EXPECT_EQ(host->payloads, (std::vector<std::string>{"System", "System"}));
    TenvikSDK_destroy(host->sdk);
    delete host;
}

TEST_F(ThreadExitInsideCallback, FreesAnInstanceTheCallbackDestroyed) {
    // Under the address sanitizer a leak of the instance fails this program.
    Host* host = hostOn("4.0.0");
    host->destroyFirst = true;
    runOnThread(*host);
    EXPECT_FALSE(host->returned);
    EXPECT_EQ(host->payloads, (std::vector<std::string>{"System"}));
    delete host;
}

}  // namespace
