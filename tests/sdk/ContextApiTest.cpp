// The host context reaches every callback of its instance: null until TenvikSDK_set_context,
// then the context set, for data, payload and BLE callbacks alike.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "LogRecorder.h"
#include "tenvik_sdk.h"

namespace {

std::vector<std::pair<std::string, void*>> received;

void onBattery(void* context, uint8_t) { received.emplace_back("battery", context); }
void onTemperature(void* context, uint64_t, float) {
    received.emplace_back("temperature", context);
}
void onPayload(void* context, const char*, const uint8_t*, size_t) {
    received.emplace_back("payload", context);
}
void onBleSend(void* context, const uint8_t*, int) { received.emplace_back("send", context); }
void onBleReady(void* context) { received.emplace_back("ready", context); }

void registerAll(TenvikSDK* sdk) {
    TenvikSDK_init_callbacks(nullptr, nullptr, onTemperature, nullptr, nullptr, nullptr,
                             onBattery, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr, sdk);
    TenvikSDK_set_payload_callback(onPayload, sdk);
    TenvikSDK_set_ble_send_callback(onBleSend, sdk);
    TenvikSDK_set_ble_ready_callback(onBleReady, sdk);
}

// A battery value, a temperature value and a command: data, BLE send and ready callbacks.
void driveInstance(TenvikSDK* sdk) {
    const uint8_t battery[1] = {0x5A};
    const uint8_t temperature[4] = {0x10, 0x0E, 0x00, 0x00};
    const uint8_t ping[4] = {'p', 'i', 'n', 'g'};
    TenvikSDK_process_battery_package(battery, 1, sdk);
    processTemperaturePackage(temperature, 4, sdk);
    TenvikSDK_send(ping, 4, 0, sdk);
}

std::vector<std::string> namesWithContext(void* context) {
    std::vector<std::string> names;
    for (const auto& [name, got] : received) {
        if (got == context) {
            names.push_back(name);
        }
    }
    return names;
}

TEST(Context, NullUntilSetThenHandedToEveryCallback) {
    // Firmware 2.2.15 runs the protocol-2 link: a send frames one packet and signals ready.
    TenvikSDK* sdk = TenvikSDK_create("2.2.15", 6);
    ASSERT_NE(sdk, nullptr);
    registerAll(sdk);
    received.clear();
    driveInstance(sdk);
    ASSERT_FALSE(received.empty());
    EXPECT_EQ(namesWithContext(nullptr).size(), received.size());
    const std::vector<std::string> before = namesWithContext(nullptr);
    EXPECT_NE(std::find(before.begin(), before.end(), "battery"), before.end());
    EXPECT_NE(std::find(before.begin(), before.end(), "send"), before.end());
    EXPECT_NE(std::find(before.begin(), before.end(), "ready"), before.end());

    int host = 0;
    TenvikSDK_set_context(&host, sdk);
    received.clear();
    driveInstance(sdk);
    EXPECT_EQ(namesWithContext(&host), before);
    TenvikSDK_destroy(sdk);
}

TEST(Context, ProtocolOneRefusalReachesThePayloadCallbackWithTheContext) {
    // Firmware 2.2.14 runs protocol 1, which refuses to send and reports a "system" payload.
    TenvikSDK* sdk = TenvikSDK_create("2.2.14", 6);
    ASSERT_NE(sdk, nullptr);
    registerAll(sdk);
    int host = 0;
    TenvikSDK_set_context(&host, sdk);
    received.clear();
    const uint8_t ping[4] = {'p', 'i', 'n', 'g'};
    TenvikSDK_send(ping, 4, 0, sdk);
    EXPECT_EQ(namesWithContext(&host), (std::vector<std::string>{"payload"}));
    TenvikSDK_destroy(sdk);
}

TEST(Context, TwoInstancesKeepTheirOwnContexts) {
    TenvikSDK* first = TenvikSDK_create("2.2.15", 6);
    TenvikSDK* second = TenvikSDK_create("3.6.62", 6);
    registerAll(first);
    registerAll(second);
    int a = 0;
    int b = 0;
    TenvikSDK_set_context(&a, first);
    TenvikSDK_set_context(&b, second);
    received.clear();
    const uint8_t battery[1] = {0x5A};
    TenvikSDK_process_battery_package(battery, 1, first);
    TenvikSDK_process_battery_package(battery, 1, second);
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].second, &a);
    EXPECT_EQ(received[1].second, &b);
    TenvikSDK_destroy(first);
    TenvikSDK_destroy(second);
}

TEST(LogContext, EveryLineCarriesTheLogContextFromEveryInstance) {
    TenvikSDK* first = TenvikSDK_create("2.2.15", 6);
    TenvikSDK* second = TenvikSDK_create("3.6.62", 6);
    TenvikTest::LogRecorder recorder;
    recorder.install();
    // Wrong sizes are logged by the decoders of both instances.
    const uint8_t twoBytes[2] = {0, 0};
    processTemperaturePackage(twoBytes, 2, first);
    processTemperaturePackage(twoBytes, 2, second);
    EXPECT_EQ(recorder.lines().size(), 2u);
    EXPECT_EQ(recorder.lastContext, &recorder);
    // Destroying either instance switches logging off for the whole process.
    TenvikSDK_destroy(first);
    recorder.clear();
    processTemperaturePackage(twoBytes, 2, second);
    EXPECT_TRUE(recorder.lines().empty());
    TenvikSDK_destroy(second);
}

}  // namespace
