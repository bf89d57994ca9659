// Instance creation, destruction, the process-wide log pair and the context, through the C
// interface only.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "LogRecorder.h"
#include "tenvik_sdk.h"

namespace {

using TenvikTest::LogRecorder;

struct CreateCase {
    std::string text;
    int length;
    bool created;
};

class Create : public ::testing::TestWithParam<CreateCase> {};

TEST_P(Create, ReadsExactlyLengthBytes) {
    const CreateCase& c = GetParam();
    TenvikSDK* sdk = TenvikSDK_create(c.text.data(), c.length);
    EXPECT_EQ(sdk != nullptr, c.created) << '"' << c.text << "\" length " << c.length;
    TenvikSDK_destroy(sdk);
}

INSTANTIATE_TEST_SUITE_P(
    Revisions, Create,
    ::testing::Values(CreateCase{"2.2.15", 6, true}, CreateCase{"3.5.60x", 6, true},
                      CreateCase{"3.5.60x", 7, false}, CreateCase{"0.0.0", 5, true},
                      CreateCase{"7", 1, true}, CreateCase{"2.2.15", 0, false},
                      CreateCase{"2.2.15", -1, false}, CreateCase{"1.2.", 4, false},
                      CreateCase{"1..2", 4, false}, CreateCase{"01.2", 4, false},
                      CreateCase{" 1.2", 4, false}, CreateCase{"2147483648", 10, false},
                      CreateCase{"2147483647", 10, true}, CreateCase{"4294967297", 10, false},
                      // A NUL inside the counted bytes is an ordinary refused byte.
                      CreateCase{std::string("3.5\0" "1", 5), 5, false},
                      CreateCase{std::string("3.5\0" "1", 5), 3, true}));

TEST(CreateNull, NullTextGivesNull) { EXPECT_EQ(TenvikSDK_create(nullptr, 6), nullptr); }

class LogPair : public ::testing::Test {
protected:
    void TearDown() override { LogRecorder::uninstall(); }
    LogRecorder recorder;
};

TEST_F(LogPair, CreationClearsTheLogCallbackWhetherOrNotItSucceeds) {
    recorder.install();
    TenvikSDK* sdk = TenvikSDK_create("2.2.15", 6);
    ASSERT_NE(sdk, nullptr);
    // The refused creation below would log if the callback were still set.
    recorder.install();
    EXPECT_EQ(TenvikSDK_create("1..2", 4), nullptr);
    EXPECT_EQ(TenvikSDK_create(nullptr, 0), nullptr);
    EXPECT_TRUE(recorder.lines().empty());
    TenvikSDK_destroy(sdk);
}

TEST_F(LogPair, DestroyClearsTheLogCallbackEvenForNull) {
    TenvikSDK* sdk = TenvikSDK_create("2.2.15", 6);
    recorder.install();
    TenvikSDK_destroy(nullptr);
    // A refused creation logs nothing now: the pair is already clear. Set it again and
    // destroy a real instance.
    recorder.install();
    TenvikSDK_destroy(sdk);
    recorder.install();
    TenvikSDK_destroy(nullptr);
    EXPECT_TRUE(recorder.lines().empty());
}

TEST(NullInstance, EveryExportAcceptsANullHandle) {
    const uint8_t bytes[4] = {1, 2, 3, 4};
    TenvikSDK_set_context(nullptr, nullptr);
    TenvikSDK_init_callbacks(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr);
    TenvikSDK_init_synchronization_callbacks(nullptr, nullptr, nullptr, nullptr, nullptr,
                                             nullptr, nullptr, nullptr, nullptr, nullptr,
                                             nullptr, nullptr, nullptr, nullptr, nullptr,
                                             nullptr, nullptr, nullptr, nullptr, nullptr,
                                             nullptr);
    TenvikSDK_set_payload_callback(nullptr, nullptr);
    TenvikSDK_set_eda_callback(nullptr, nullptr);
    TenvikSDK_set_gps_callback(nullptr, nullptr);
    TenvikSDK_set_past_eda_callback(nullptr, nullptr);
    TenvikSDK_set_past_gps_callback(nullptr, nullptr);
    TenvikSDK_set_ble_send_callback(nullptr, nullptr);
    TenvikSDK_set_ble_ready_callback(nullptr, nullptr);
    TenvikSDK_process_ble_chunk(bytes, 4, nullptr);
    TenvikSDK_send(bytes, 4, 0, nullptr);
    TenvikSDK_process_battery_package(bytes, 1, nullptr);
    processActivityPackage(bytes, 4, nullptr);
    processECGPackage(bytes, 4, nullptr);
    processHealthThermometerPackage(bytes, 4, nullptr);
    processHeartRatePackage(bytes, 4, nullptr);
    processMotionPackage(bytes, 4, nullptr);
    processNasalCannulaPackage(bytes, 4, nullptr);
    processOrientationPackage(bytes, 4, nullptr);
    processRespirationPackage(bytes, 4, nullptr);
    processSoundVolumePackage(bytes, 4, nullptr);
    processStepsPackage(bytes, 4, nullptr);
    processTemperaturePackage(bytes, 4, nullptr);
    SUCCEED();
}

}  // namespace
