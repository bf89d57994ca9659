// The onset analysis allocates per analysis, not per value: the number of blocks does not grow
// with the length of the segments.
#include <gtest/gtest.h>

#include <cstddef>
#include <vector>

#include "AllocationCounter.h"
#include "BatchRecording.h"
#include "signal/BatchSignalAnalyzer.h"

namespace Tenvik {
namespace {

// Allocations of the tenth segment's call (the first analysis) and of the eleventh (one in
// the steady state).
std::vector<size_t> analysisAllocations(const TenvikTest::BatchRecording& recording) {
    const std::vector<AnalysisSegment> segments = TenvikTest::batchSegments(recording);
    BatchSignalAnalyzer analyzer;
    for (size_t k = 0; k < 9; ++k) {
        analyzer.addSegment(segments[k]);
    }
    std::vector<size_t> counts;
    for (size_t k = 9; k < 11; ++k) {
        const TenvikTest::AllocationScope scope;
        EXPECT_GT(analyzer.addSegment(segments[k]), 0);
        counts.push_back(scope.count());
    }
    return counts;
}

TEST(BatchAllocations, AnAnalysisAllocatesAsOftenWhateverItsLength) {
    TenvikTest::BatchRecording threeSeconds;
    threeSeconds.segments = 11;
    TenvikTest::BatchRecording thirtySeconds = threeSeconds;  // ten times the values and grid
    thirtySeconds.segmentMs = 30000;
    thirtySeconds.axisValuesPerSegment = 900;
    thirtySeconds.powerValuesPerSegment = 900;
    thirtySeconds.bursts = {1000, 4000, 7000, 9500};

    const std::vector<size_t> shortCounts = analysisAllocations(threeSeconds);
    const std::vector<size_t> longCounts = analysisAllocations(thirtySeconds);
    EXPECT_EQ(shortCounts, longCounts);
    EXPECT_EQ(shortCounts[0], shortCounts[1]);
}

}  // namespace
}  // namespace Tenvik
