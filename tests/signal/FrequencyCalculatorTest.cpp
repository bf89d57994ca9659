#include "signal/FrequencyCalculator.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/Log.h"

namespace Tenvik {
namespace {

class FrequencyCalculatorTest : public ::testing::Test {
protected:
    void SetUp() override { setLogCallback(&FrequencyCalculatorTest::record, this); }
    void TearDown() override { clearLogCallback(); }

    static void record(void* context, int level, const char* text) {
        static_cast<FrequencyCalculatorTest*>(context)->lines.push_back(std::to_string(level) +
                                                                        " " + text);
    }
    std::vector<std::string> lines;
    FrequencyCalculator calculator{1000.0f, 2};
};

TEST_F(FrequencyCalculatorTest, RatesOverAFullWindow) {
    calculator.update(5, 1000);  // starts the clock only
    calculator.update(5, 2000);
    EXPECT_EQ(calculator.getFrequency(), 1000.0f);
    calculator.update(5, 3000);
    EXPECT_EQ(calculator.getFrequency(), 5.0f);  // 10 items over 2 s
    calculator.update(7, 4000);
    EXPECT_EQ(calculator.getFrequency(), 5.0f);
    calculator.update(1, 5000);
    EXPECT_EQ(calculator.getFrequency(), 4.0f);  // 8 items over 2 s
    EXPECT_TRUE(lines.empty());
}

TEST_F(FrequencyCalculatorTest, DividesByRealSeconds) {
    calculator.update(0, 1000);
    calculator.update(10, 3500);
    EXPECT_EQ(calculator.getFrequency(), 4.0f);  // 10 items over 2.5 s
    calculator.update(3, 5000);
    calculator.update(0, 6999);
    EXPECT_EQ(calculator.getFrequency(), 3.0f / (3499.0f / 1000.0f));
}

TEST_F(FrequencyCalculatorTest, AZeroTimestampLeavesItFresh) {
    calculator.update(5, 0);
    calculator.update(5, 1000);  // starts the clock only
    calculator.update(4, 3000);
    EXPECT_EQ(calculator.getFrequency(), 2.0f);
}

TEST_F(FrequencyCalculatorTest, AnEarlierTimestampIsLoggedAndItsCountKept) {
    calculator.update(5, 1000);
    calculator.update(3, 500);
    EXPECT_EQ(lines, std::vector<std::string>{"1 FrequencyCalculator lastTimestamp > timestamp"});
    EXPECT_EQ(calculator.getFrequency(), 1000.0f);
    calculator.update(7, 3000);  // the window still runs from 1000
    EXPECT_EQ(calculator.getFrequency(), 5.0f);
}

TEST_F(FrequencyCalculatorTest, CalculateStartsANewWindowButStoresNothing) {
    calculator.update(1, 1000);
    calculator.update(4, 2000);
    EXPECT_EQ(calculator.calculate(2500), 1000.0f);  // window not full
    EXPECT_EQ(calculator.calculate(3000), 2.0f);
    EXPECT_EQ(calculator.getFrequency(), 1000.0f);
    calculator.update(6, 4000);
    calculator.update(0, 5000);
    EXPECT_EQ(calculator.getFrequency(), 3.0f);  // from 3000: 6 items over 2 s
    EXPECT_TRUE(lines.empty());
    EXPECT_EQ(calculator.calculate(100), 3.0f);
    EXPECT_EQ(lines, std::vector<std::string>{"1 FrequencyCalculator lastTimestamp > timestamp"});
}

}  // namespace
}  // namespace Tenvik
