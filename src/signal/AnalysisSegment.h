#pragma once

#include <cstdint>
#include <vector>

namespace Tenvik {

// One stretch of a three-axis signal and of a non-negative power signal, each spread evenly
// between the start and end times (milliseconds). The three axes hold the same number of
// values; the power signal may hold any number.
struct AnalysisSegment {
    std::vector<double> axisX;
    std::vector<double> axisY;
    std::vector<double> axisZ;
    std::vector<double> power;
    int64_t startTime = 0;
    int64_t endTime = 0;
};

}  // namespace Tenvik
