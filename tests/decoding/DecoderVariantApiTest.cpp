// The firmware revision picks the ECG and respiration layouts: packet size, outputs per
// packet and the decoder named in the size-mismatch line.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "HostCallbackRecorder.h"
#include "LogRecorder.h"
#include "PacketSender.h"
#include "tenvik_sdk.h"

namespace {

using TenvikTest::Bytes;
using TenvikTest::CharacteristicExport;
using TenvikTest::HostCallbackRecorder;
using TenvikTest::LogLine;
using TenvikTest::LogRecorder;
using TenvikTest::sendPacket;

struct VariantCase {
    std::string revision;
    std::string decoder;  // the decoder named in the log line
    int size;
    size_t firstOutputs;  // of the very first packet
    size_t laterOutputs;
};

class Variant : public ::testing::TestWithParam<VariantCase> {
protected:
    void TearDown() override { LogRecorder::uninstall(); }

    void check(CharacteristicExport entry, const std::string& callback) {
        const VariantCase& c = GetParam();
        HostCallbackRecorder host;
        ASSERT_NE(host.create(c.revision), nullptr);
        LogRecorder log;
        log.install();
        const Bytes packet(static_cast<size_t>(c.size), 0x01);
        sendPacket(entry, packet, host.handle());
        EXPECT_EQ(host.named(callback).size(), c.firstOutputs);
        host.clear();
        sendPacket(entry, packet, host.handle());
        EXPECT_EQ(host.named(callback).size(), c.laterOutputs);
        EXPECT_TRUE(log.lines().empty());

        host.clear();
        sendPacket(entry, Bytes(static_cast<size_t>(c.size + 1), 0), host.handle());
        const std::string line = "DataConverter." + c.decoder + ": size != " +
                                 std::to_string(c.size) + ", size = " + std::to_string(c.size + 1);
        EXPECT_EQ(log.lines(), (std::vector<LogLine>{{1, line}}));
        EXPECT_TRUE(host.events().empty());
    }
};

class EcgVariant : public Variant {};
class RespirationVariant : public Variant {};

TEST_P(EcgVariant, SizeAndOutputCount) { check(processECGPackage, "ecg"); }
TEST_P(RespirationVariant, SizeAndOutputCounts) {
    check(processRespirationPackage, "respiration");
}

VariantCase ecg(const std::string& revision, int version, int size, size_t outputs) {
    return {revision, "ecgProcessVersion" + std::to_string(version), size, outputs, outputs};
}

INSTANTIATE_TEST_SUITE_P(
    Firmware, EcgVariant,
    ::testing::Values(ecg("2.1.9", 1, 18, 6), ecg("2.2.13", 1, 18, 6), ecg("2.2.14", 2, 20, 20),
                      ecg("2.2.17", 2, 20, 20), ecg("2.3.22", 2, 20, 20), ecg("2.3.23", 5, 20, 12),
                      ecg("2.3.24", 5, 20, 12), ecg("2.3.30", 5, 20, 12), ecg("2.9.0", 5, 20, 12),
                      ecg("3.0.0", 2, 20, 20), ecg("3.2.29", 2, 20, 20), ecg("3.2.30", 3, 20, 16),
                      ecg("3.3.34", 4, 20, 10), ecg("3.3.41", 6, 20, 10), ecg("3.5.59", 6, 20, 10),
                      ecg("3.6.0", 6, 20, 10),
                      // Missing parts count as zero.
                      ecg("2.2", 1, 18, 6), ecg("3.3", 3, 20, 16), ecg("4", 6, 20, 10)));

VariantCase respiration(const std::string& revision, int version, int size, size_t first,
                        size_t later) {
    return {revision, "respirationProcessVersion" + std::to_string(version), size, first, later};
}

INSTANTIATE_TEST_SUITE_P(
    Firmware, RespirationVariant,
    ::testing::Values(
        // Version 1: each sample once, four times from 2.2.5.
        respiration("2.2.4", 1, 18, 6, 6), respiration("2.2.5", 1, 18, 24, 24),
        respiration("2.2.13", 1, 18, 24, 24),
        // Version 2: one output for the very first sample, six for every other.
        respiration("2.2.14", 2, 20, 55, 60), respiration("2.2.16", 2, 20, 55, 60),
        // Version 3: nine samples, eight points each after the first.
        respiration("2.2.17", 3, 20, 65, 72), respiration("2.3.23", 3, 20, 65, 72),
        respiration("3.0.0", 3, 20, 65, 72), respiration("3.2.30", 3, 20, 65, 72),
        respiration("3.3.34", 3, 20, 65, 72), respiration("3.5.58", 3, 20, 65, 72),
        // Version 4: six 24-bit samples.
        respiration("2.3.24", 4, 20, 41, 48), respiration("2.9.0", 4, 20, 41, 48),
        respiration("3.5.59", 4, 20, 41, 48), respiration("4.0.0", 4, 20, 41, 48)));

}  // namespace
