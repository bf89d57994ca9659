// Instance creation, destruction, the process-wide log pair and the context, through the C
// interface only.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>

#include "LogRecorder.h"
#include "TestThread.h"
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

// A battery value of the wrong size logs one line; an instance feeds it to show whether the
// log pair is still set.
void logOneLine(TenvikSDK* sdk) {
    const uint8_t value[2] = {1, 2};
    TenvikSDK_process_battery_package(value, 2, sdk);
}

TEST_F(LogPair, CreationClearsTheLogCallbackWhetherOrNotItSucceeds) {
    TenvikSDK* witness = TenvikSDK_create("3.0.0", 5);
    ASSERT_NE(witness, nullptr);
    recorder.install();
    logOneLine(witness);
    ASSERT_EQ(recorder.lines().size(), 1u);  // the witness does log while the pair is set
    recorder.clear();

    TenvikSDK* created = TenvikSDK_create("2.2.15", 6);
    ASSERT_NE(created, nullptr);
    logOneLine(witness);
    EXPECT_TRUE(recorder.lines().empty()) << "a successful create left the pair set";

    recorder.install();
    EXPECT_EQ(TenvikSDK_create("1..2", 4), nullptr);
    logOneLine(witness);
    EXPECT_TRUE(recorder.lines().empty()) << "a refused create left the pair set";

    recorder.install();
    EXPECT_EQ(TenvikSDK_create(nullptr, 0), nullptr);
    logOneLine(witness);
    EXPECT_TRUE(recorder.lines().empty()) << "a create without text left the pair set";

    TenvikSDK_destroy(created);
    TenvikSDK_destroy(witness);
}

TEST_F(LogPair, DestroyClearsTheLogCallbackEvenForNull) {
    TenvikSDK* witness = TenvikSDK_create("3.0.0", 5);
    TenvikSDK* doomed = TenvikSDK_create("2.2.15", 6);
    ASSERT_NE(witness, nullptr);
    ASSERT_NE(doomed, nullptr);

    recorder.install();
    TenvikSDK_destroy(nullptr);
    logOneLine(witness);
    EXPECT_TRUE(recorder.lines().empty()) << "destroying null left the pair set";

    recorder.install();
    TenvikSDK_destroy(doomed);
    logOneLine(witness);
    EXPECT_TRUE(recorder.lines().empty()) << "destroying an instance left the pair set";

    recorder.install();
    logOneLine(witness);
    EXPECT_EQ(recorder.lines().size(), 1u);  // set again, the pair works
    TenvikSDK_destroy(witness);
}

// One thread keeps switching between two pairs while another logs: every line arrives with
// the context that was set together with the callback that receives it.
struct PairTag {
    std::atomic<int> lines{0};
    std::atomic<int> foreign{0};
};
PairTag tagA;
PairTag tagB;
void onLogA(void* context, int, const char*) {
    ++tagA.lines;
    if (context != &tagA) ++tagA.foreign;
}
void onLogB(void* context, int, const char*) {
    ++tagB.lines;
    if (context != &tagB) ++tagB.foreign;
}

TEST_F(LogPair, EveryLineGetsTheContextSetWithItsCallback) {
    TenvikSDK* sdk = TenvikSDK_create("3.0.0", 5);
    ASSERT_NE(sdk, nullptr);
    // Counted in lines received through each pair, so the switching has gone on throughout.
    constexpr int lines = 100000;
    std::atomic<bool> done{false};
    TenvikTest::TestThread setter([&] {
        for (int i = 0; !done.load(); ++i) {
            if (i % 2 == 0) {
                TenvikSDK_set_log_callback(onLogA, &tagA);
            } else {
                TenvikSDK_set_log_callback(onLogB, &tagB);
            }
        }
    });
    while (tagA.lines < lines || tagB.lines < lines) {
        logOneLine(sdk);
    }
    done = true;
    setter.join();
    EXPECT_EQ(tagA.foreign, 0);
    EXPECT_EQ(tagB.foreign, 0);
    TenvikSDK_destroy(sdk);
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
