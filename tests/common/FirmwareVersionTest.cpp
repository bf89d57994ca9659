#include "common/FirmwareVersion.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace Tenvik {
namespace {

struct RuleCase {
    std::string text;
    bool accepted;
    std::vector<int32_t> parts;
};

class RevisionRule : public ::testing::TestWithParam<RuleCase> {};

TEST_P(RevisionRule, AcceptsOrRefuses) {
    const RuleCase& c = GetParam();
    std::vector<int32_t> parts;
    EXPECT_EQ(FirmwareVersion::parseParts(c.text, parts), c.accepted) << '"' << c.text << '"';
    if (c.accepted) {
        EXPECT_EQ(parts, c.parts);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RevisionRule,
    ::testing::Values(
        RuleCase{"2.2.15", true, {2, 2, 15}}, RuleCase{"0", true, {0}},
        RuleCase{"0.0.0", true, {0, 0, 0}}, RuleCase{"7", true, {7}},
        RuleCase{"3.10.0", true, {3, 10, 0}}, RuleCase{"2147483647", true, {2147483647}},
        RuleCase{"1.2147483647", true, {1, 2147483647}},
        RuleCase{"2.2.15.1.9", true, {2, 2, 15, 1, 9}},
        RuleCase{"", false, {}}, RuleCase{"01.2", false, {}}, RuleCase{"1.02", false, {}},
        RuleCase{"1..2", false, {}}, RuleCase{".1", false, {}}, RuleCase{"1.", false, {}},
        RuleCase{"1.2.", false, {}}, RuleCase{"1.2.3\n", false, {}},
        RuleCase{" 1.2", false, {}}, RuleCase{"1.2 ", false, {}}, RuleCase{"+1.2", false, {}},
        RuleCase{"-1", false, {}}, RuleCase{"1.a", false, {}}, RuleCase{".", false, {}},
        RuleCase{"00", false, {}}, RuleCase{"2147483648", false, {}},
        RuleCase{"1.2147483648", false, {}}, RuleCase{"4294967297", false, {}},
        RuleCase{"99999999999", false, {}}, RuleCase{"10000000000", false, {}},
        RuleCase{std::string("3.5\0" "60", 6), false, {}}));

TEST(FirmwareVersionParse, KeepsPartsBeforeTheRefusedOneAndNeverTouchesValid) {
    FirmwareVersion version;
    version.valid = true;
    version.parts = {9, 9};
    EXPECT_FALSE(version.parse("3.5.x"));
    EXPECT_EQ(version.parts, (std::vector<int32_t>{3, 5}));
    EXPECT_TRUE(version.valid);

    FirmwareVersion unknown;
    EXPECT_TRUE(unknown.parse("3.6.62"));
    EXPECT_EQ(unknown.parts, (std::vector<int32_t>{3, 6, 62}));
    EXPECT_FALSE(unknown.valid);
}

TEST(FirmwareVersionParse, TrailingDotIsRefusedBeforeAnyPartIsKept) {
    FirmwareVersion version;
    EXPECT_FALSE(version.parse("1.2."));
    EXPECT_TRUE(version.parts.empty());
}

TEST(FirmwareVersionText, JoinsPartsWithDots) {
    EXPECT_EQ(FirmwareVersion::fromText("3.5.60").toString(), "3.5.60");
    EXPECT_EQ(FirmwareVersion::fromText("7").toString(), "7");
    EXPECT_EQ(FirmwareVersion::fromText("0.0.0").toString(), "0.0.0");
}

struct OrderCase {
    std::string version;
    std::string reference;
    int expected;
};

class VersionOrdering : public ::testing::TestWithParam<OrderCase> {};

TEST_P(VersionOrdering, ComparesPartByPart) {
    const OrderCase& c = GetParam();
    const FirmwareVersion a = FirmwareVersion::fromText(c.version);
    const FirmwareVersion r = FirmwareVersion::fromText(c.reference);
    EXPECT_EQ(a.compare(r), c.expected) << c.version << " vs " << c.reference;
    EXPECT_EQ(a.isAtLeast(r), c.expected >= 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VersionOrdering,
    ::testing::Values(OrderCase{"3.7", "3.7.0", 0}, OrderCase{"3.7.0", "3.7", 0},
                      OrderCase{"3.10.0", "3.9.99", 1}, OrderCase{"4", "3.99.99", 1},
                      OrderCase{"2.2.15.1", "2.2.15", 1}, OrderCase{"2.2.14", "2.2.15", -1},
                      OrderCase{"2.2.15", "2.2.15", 0}, OrderCase{"0", "0.0.1", -1},
                      OrderCase{"2147483647", "2147483646.9", 1},
                      // An unknown version is older than every valid reference.
                      OrderCase{"not a version", "0", -1},
                      OrderCase{"", "0.0.0", -1}));

TEST(FirmwareVersionMajor, IsTheFirstPartOfAValidVersion) {
    EXPECT_EQ(FirmwareVersion::fromText("3.5.60").major(), 3);
    EXPECT_EQ(FirmwareVersion::fromText("x").major(), -1);
}

}  // namespace
}  // namespace Tenvik
