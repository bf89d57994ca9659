#include "signal/BatchSignalAnalyzer.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <utility>

#include "signal/FilterSignal.h"

namespace Tenvik {
namespace {

// The amplitude and energy levels are given in units of these.
constexpr double amplitudeScale = 200.0;
constexpr double energyScale = 10.0;
// A burst stands out only against a calm second around it.
constexpr double longAmplitudeLimit = 40000.0;
constexpr double longEnergyLimit = 2000.0;
// Movement keeps the high-passed signals changing sign.
constexpr double minimumPowerCrossingRate = 0.15;
constexpr double minimumAxisCrossingRate = 0.2;
constexpr double minimumMagnitudeCrossingRate = 0.2;
constexpr size_t minimumAxisValues = 7;
constexpr int64_t millisecondsPerSecond = 1000;

// What the interpolation of one signal needs: its sample times and the values it had before
// it was replaced by the resampled ones.
struct AnalysisBuffers {
    std::vector<int32_t> times;
    std::vector<double> values;
};

// Segment times count like a 32-bit millisecond clock: only the low 32 bits of each matter.
int32_t durationMs(const AnalysisSegment& s) {
    return static_cast<int32_t>(static_cast<uint32_t>(s.endTime) -
                                static_cast<uint32_t>(s.startTime));
}

// Whole milliseconds; a value that int32 cannot hold becomes its minimum rather than an
// undefined conversion.
int32_t timeOffset(double ms) {
    if (!(ms > -2147483649.0 && ms < 2147483648.0)) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(ms);
}

// The time of value `index` of `count` spread evenly over the duration.
int32_t sampleTime(int32_t duration, size_t index, size_t count) {
    return timeOffset(static_cast<double>(duration) * static_cast<double>(index) /
                      static_cast<double>(count));
}

void fillSampleTimes(int32_t duration, size_t count, std::vector<int32_t>& times) {
    times.resize(count);
    for (size_t i = 0; i < count; ++i) {
        times[i] = sampleTime(duration, i, count);
    }
}

// Grid point j lies 1 ms after j / rate seconds; computed in integers, so that the step is
// exactly 1000 / rate milliseconds however it divides.
std::vector<int32_t> gridTimes(int64_t size, int32_t rate) {
    std::vector<int32_t> grid(static_cast<size_t>(std::max<int64_t>(size, 0)));
    for (size_t j = 0; j < grid.size(); ++j) {
        grid[j] = static_cast<int32_t>(static_cast<int64_t>(j) * millisecondsPerSecond / rate + 1);
    }
    return grid;
}

// Replaces the signal, sampled at buffers.times, by its linear interpolation at the grid
// times. The interval used is the one that starts at the last sample time not after the grid
// time; past the last sample it is the last interval. An interval of zero width (two values
// at the same millisecond) holds its first value, instead of dividing by zero.
void interpolate(std::vector<double>& signal, AnalysisBuffers& buffers,
                 const std::vector<int32_t>& grid) {
    buffers.values.swap(signal);
    const std::vector<double>& v = buffers.values;
    const std::vector<int32_t>& w = buffers.times;
    signal.resize(grid.size());
    const size_t lastInterval = v.size() - 2;
    size_t i = 0;
    for (size_t j = 0; j < grid.size(); ++j) {
        while (i < lastInterval && w[i + 1] <= grid[j]) {
            ++i;
        }
        const double width = static_cast<double>(w[i + 1]) - static_cast<double>(w[i]);
        const double slope = width > 0.0 ? (v[i + 1] - v[i]) / width : 0.0;
        signal[j] = (static_cast<double>(grid[j]) - static_cast<double>(w[i])) * slope + v[i];
    }
}

bool hasInterpolableSignals(const AnalysisSegment& s) {
    const size_t n = s.axisX.size();
    return n >= 2 && s.axisY.size() == n && s.axisZ.size() == n && s.power.size() >= 2;
}

std::vector<uint8_t> above(const std::vector<double>& x, double level) {
    std::vector<uint8_t> flags(x.size());
    for (size_t i = 0; i < x.size(); ++i) {
        flags[i] = x[i] > level ? 1 : 0;
    }
    return flags;
}

// One signal of every segment, in order, in a single allocation.
void joinSignal(std::vector<double>& joined, const std::vector<AnalysisSegment>& segments,
                std::vector<double> AnalysisSegment::*signal) {
    size_t total = 0;
    for (const AnalysisSegment& s : segments) {
        total += (s.*signal).size();
    }
    joined.reserve(total);
    for (const AnalysisSegment& s : segments) {
        joined.insert(joined.end(), (s.*signal).begin(), (s.*signal).end());
    }
}

}  // namespace

BatchSignalAnalyzer::BatchSignalAnalyzer() = default;

int32_t BatchSignalAnalyzer::addSegment(const AnalysisSegment& segment) {
    if (segment.axisX.empty() || segment.power.empty() || segment.startTime == 0 ||
        segment.endTime == 0) {
        return 0;
    }
    segments.push_back(segment);
    if (segments.size() < segmentsPerAnalysis) {
        return 0;
    }
    AnalysisSegment combined = combinedSegments();
    segments.erase(segments.begin(), segments.end() - (segmentsPerAnalysis - 1));
    const std::vector<double> onsets = detectOnsets(std::move(combined));
    return static_cast<int32_t>(std::accumulate(onsets.begin(), onsets.end(), 0.0));
}

AnalysisSegment BatchSignalAnalyzer::combinedSegments() const {
    AnalysisSegment combined;
    for (const auto signal : {&AnalysisSegment::axisX, &AnalysisSegment::axisY,
                              &AnalysisSegment::axisZ, &AnalysisSegment::power}) {
        joinSignal(combined.*signal, segments, signal);
    }
    combined.startTime = segments.front().startTime;
    combined.endTime = segments.back().endTime;
    return combined;
}

std::vector<double> BatchSignalAnalyzer::detectOnsets(AnalysisSegment s) const {
    if (s.axisX.size() < minimumAxisValues || !isAnalysable(s)) {
        return {0.0};
    }
    resample(s, sampleRate);
    const std::vector<double> magnitude = sumOfSquares(s.axisX, s.axisY, s.axisZ);
    const std::vector<double> energy = teagerEnergy(magnitude, sampleRate);
    std::vector<double>& amplitude = s.power;
    for (double& value : amplitude) {
        value = std::sqrt(value);
    }
    const std::vector<uint8_t> isActive =
        active(amplitude, energy, crossingRate(amplitude, secondHighPass, crossingHalfWindow),
               crossingRate(s.axisX, firstHighPass, crossingHalfWindow),
               crossingRate(magnitude, firstHighPass, crossingHalfWindow));
    std::vector<double> onsets(isActive.size() < 2 ? 0 : isActive.size() - 1);
    for (size_t i = 0; i < onsets.size(); ++i) {
        onsets[i] = isActive[i + 1] > isActive[i] ? 1.0 : 0.0;
    }
    return onsets;
}

// Every window reads at least as many grid points as the long one, and the Teager energy
// needs five.
bool BatchSignalAnalyzer::isAnalysable(const AnalysisSegment& s) const {
    return hasInterpolableSignals(s) && s.startTime < s.endTime &&
           gridSize(s, sampleRate) >= longWindow;
}

std::vector<uint8_t> BatchSignalAnalyzer::active(const std::vector<double>& power,
                                                 const std::vector<double>& energy,
                                                 const std::vector<double>& powerCrossings,
                                                 const std::vector<double>& axisCrossings,
                                                 const std::vector<double>& magnitudeCrossings)
    const {
    const std::vector<double> powerShort = movingMax(power, shortWindow);
    const std::vector<double> energyShort = movingMax(energy, shortWindow);
    const std::vector<double> powerLong = movingMax(power, longWindow);
    const std::vector<double> energyLong = movingMax(energy, longWindow);
    const std::vector<double> powerRuns = runLengths(
        above(movingMax(power, mediumWindow), onsetFactor * amplitudeScale * amplitudeLevel));
    const std::vector<double> energyRuns = runLengths(
        above(movingMax(energy, mediumWindow), onsetFactor * energyScale * energyLevel));

    const size_t n = std::min({powerShort.size(), powerLong.size(), energyShort.size(),
                               energyLong.size(), powerRuns.size(), energyRuns.size(),
                               powerCrossings.size(), axisCrossings.size(),
                               magnitudeCrossings.size()});
    std::vector<uint8_t> flags(n);
    for (size_t i = 0; i < n; ++i) {
        flags[i] = powerShort[i] > amplitudeScale * amplitudeLevel &&
                   powerLong[i] < longAmplitudeLimit &&
                   energyShort[i] > energyScale * energyLevel &&
                   energyLong[i] < longEnergyLimit && powerRuns[i] < maxRunLength &&
                   energyRuns[i] < maxRunLength && powerCrossings[i] >= minimumPowerCrossingRate &&
                   axisCrossings[i] >= minimumAxisCrossingRate &&
                   magnitudeCrossings[i] >= minimumMagnitudeCrossingRate;
    }
    return flags;
}

int64_t BatchSignalAnalyzer::gridSize(const AnalysisSegment& s, int32_t rate) {
    if (s.power.empty() || rate <= 0) {
        return 0;
    }
    const int64_t lastPowerTime = sampleTime(durationMs(s), s.power.size() - 1, s.power.size());
    return lastPowerTime * rate / millisecondsPerSecond;
}

void BatchSignalAnalyzer::resample(AnalysisSegment& s, int32_t rate) {
    if (!hasInterpolableSignals(s)) {
        return;
    }
    const int32_t duration = durationMs(s);
    const std::vector<int32_t> grid = gridTimes(gridSize(s, rate), rate);
    AnalysisBuffers buffers;
    fillSampleTimes(duration, s.axisX.size(), buffers.times);
    interpolate(s.axisX, buffers, grid);
    interpolate(s.axisY, buffers, grid);
    interpolate(s.axisZ, buffers, grid);
    fillSampleTimes(duration, s.power.size(), buffers.times);
    interpolate(s.power, buffers, grid);
}

std::vector<double> BatchSignalAnalyzer::sumOfSquares(const std::vector<double>& x,
                                                      const std::vector<double>& y,
                                                      const std::vector<double>& z) {
    std::vector<double> sum(std::min({x.size(), y.size(), z.size()}));
    for (size_t i = 0; i < sum.size(); ++i) {
        sum[i] = x[i] * x[i] + y[i] * y[i] + z[i] * z[i];
    }
    return sum;
}

std::vector<double> BatchSignalAnalyzer::teagerEnergy(const std::vector<double>& x,
                                                      int32_t rate) {
    const size_t n = x.size();
    std::vector<double> energy(n, 0.0);
    if (n < 5) {
        return energy;
    }
    const double step = 1.0 / static_cast<double>(rate);
    const auto derivative = [&x, step](size_t i) { return (x[i + 2] - x[i]) / step; };
    for (size_t i = 0; i + 4 < n; ++i) {
        const double before = derivative(i);
        const double centre = derivative(i + 1);
        const double after = derivative(i + 2);
        energy[i + 2] = centre * centre - before * after;
    }
    energy[0] = energy[1] = energy[2];
    energy[n - 1] = energy[n - 2] = energy[n - 3];
    return energy;
}

std::vector<double> BatchSignalAnalyzer::movingMax(const std::vector<double>& x,
                                                   int32_t window) {
    const int64_t half = window / 2;
    if (half <= 0 || x.empty()) {
        return x;
    }
    const int64_t n = static_cast<int64_t>(x.size());
    // Positions -half ... n + half - 2 of the mirrored signal; a signal shorter than the
    // window repeats its end values instead of reading past them.
    std::vector<double> extended(static_cast<size_t>(n + 2 * half - 1));
    for (int64_t k = 0; k < static_cast<int64_t>(extended.size()); ++k) {
        const int64_t position = k - half;
        int64_t index = position;
        if (position < 0) {
            index = std::min(-position, n - 1);
        } else if (position >= n) {
            index = std::max<int64_t>(2 * n - 1 - position, 0);
        }
        extended[static_cast<size_t>(k)] = x[static_cast<size_t>(index)];
    }
    // Output i is the maximum of extended[i, i + 2·half). The candidates, oldest first, are the
    // positions not yet followed by a larger or equal value, so the oldest one still inside the
    // window holds its maximum: every position enters and leaves once.
    std::vector<double> maxima(x.size());
    std::vector<size_t> candidates(extended.size());
    size_t oldest = 0;
    size_t end = 0;
    const auto width = static_cast<size_t>(2 * half);
    for (size_t k = 0; k < extended.size(); ++k) {
        while (end > oldest && extended[candidates[end - 1]] <= extended[k]) {
            --end;
        }
        candidates[end++] = k;
        if (k + 1 < width) {
            continue;
        }
        const size_t first = k + 1 - width;
        while (candidates[oldest] < first) {
            ++oldest;
        }
        maxima[first] = extended[candidates[oldest]];
    }
    return maxima;
}

std::vector<double> BatchSignalAnalyzer::runLengths(const std::vector<uint8_t>& flags) {
    std::vector<double> runs(flags.size(), 0.0);
    size_t start = 0;
    while (start < flags.size()) {
        if (flags[start] == 0) {
            ++start;
            continue;
        }
        size_t end = start;
        while (end < flags.size() && flags[end] != 0) {
            ++end;
        }
        std::fill(runs.begin() + static_cast<std::ptrdiff_t>(start),
                  runs.begin() + static_cast<std::ptrdiff_t>(end), static_cast<double>(end - start));
        start = end;
    }
    return runs;
}

std::vector<double> BatchSignalAnalyzer::movingMean(const std::vector<double>& c,
                                                    int32_t length) {
    if (length < 1) {
        return {};
    }
    const auto window = static_cast<size_t>(length);
    const size_t padding = window / 2;
    const size_t padded = c.size() + 2 * padding;
    std::vector<double> means(padded >= window ? padded - window + 1 : 0);
    for (size_t j = 0; j < means.size(); ++j) {
        // The padding adds nothing to the sum: only the values of c inside the window count.
        const size_t first = std::max(j, padding);
        const size_t end = std::min(j + window, padding + c.size());
        double sum = 0.0;
        for (size_t k = first; k < end; ++k) {
            sum += c[k - padding];
        }
        means[j] = sum / static_cast<double>(length);
    }
    return means;
}

std::vector<double> BatchSignalAnalyzer::crossingRate(const std::vector<double>& x,
                                                      const FilterCoefficients& filter,
                                                      int32_t half) {
    std::vector<double> changes = filterSignal(filter.b, filter.a, x);
    bool wasPositive = false;  // the filter starts from rest
    for (double& value : changes) {
        const bool positive = value > 0.0;
        value = positive != wasPositive ? 1.0 : 0.0;
        wasPositive = positive;
    }
    return movingMean(changes, 2 * half + 1);
}

}  // namespace Tenvik
