// The lead-off detector keeps its window sum up to date in constant time. Its answers must be
// those of the plain test, which sums all 600 values in double on every sample: compared sample
// by sample over long random streams, and over streams that sit on the 0.04 limit, where the
// rounding of that 600-term sum decides.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "signal/EcgLeadOffDetector.h"

namespace Tenvik {
namespace {

// The test as written out: the window summed in double in index order, the mean rounded to
// float, then the same debounce.
class LiteralLeadOff {
public:
    bool raw(float sample) {
        window[position] = sample;
        position = (position + 1) % window.size();
        double sum = 0.0;
        for (const float value : window) {
            sum += value;
        }
        const float mean = static_cast<float>(sum / 600.0);
        return std::fabs(mean) > 0.04;
    }
    bool update(float sample) {
        const bool off = raw(sample);
        if (off == leadOff) {
            disagreements = 0.0f;
        } else if (disagreements > 500.0f) {
            leadOff = off;
            disagreements = 0.0f;
        } else {
            disagreements += 1.0f;
        }
        return leadOff;
    }

private:
    std::array<float, 600> window{};
    size_t position = 0;
    float disagreements = 0.0f;
    bool leadOff = true;
};

// Runs both over the stream, raw and debounced; the index of the first disagreement, or -1.
long firstDifference(const std::vector<float>& stream) {
    EcgLeadOffDetector raw;
    EcgLeadOffDetector debounced;
    LiteralLeadOff literalRaw;
    LiteralLeadOff literalDebounced;
    for (size_t i = 0; i < stream.size(); ++i) {
        if (raw.updateUndebounced(stream[i]) != literalRaw.raw(stream[i]) ||
            debounced.update(stream[i]) != literalDebounced.update(stream[i])) {
            return static_cast<long>(i);
        }
    }
    return -1;
}

// The two floats either side of 0.04, and the double half-way between them: a window mean
// rounds to the upper one (and is off) from just above that midpoint.
const float belowLimit = 0.04f < 0.04 ? 0.04f : std::nextafter(0.04f, 0.0f);
const float aboveLimit = std::nextafter(belowLimit, 1.0f);

TEST(EcgLeadOffDifferential, TheLimitFallsBetweenTwoNeighbouringFloats) {
    EXPECT_LT(static_cast<double>(belowLimit), 0.04);
    EXPECT_GT(static_cast<double>(aboveLimit), 0.04);
}

TEST(EcgLeadOffDifferential, LongRandomStreamsOfTheOldestSampleScale) {
    // The oldest layout's samples: 24-bit values times 4.80810801188151e-8, negated, with a
    // slowly wandering offset so that the mean crosses the limit again and again.
    std::mt19937 random(1);
    std::uniform_int_distribution<int32_t> raw(-(1 << 23), (1 << 23) - 1);
    std::vector<float> stream;
    stream.reserve(1'000'000);
    for (int i = 0; i < 1'000'000; ++i) {
        const float offset = 0.05f * std::sin(static_cast<float>(i) / 20000.0f);
        const float noise = -(static_cast<float>(raw(random) / 64) * 4.80810801188151e-8f);
        stream.push_back(offset + noise);
    }
    EXPECT_EQ(firstDifference(stream), -1);
}

TEST(EcgLeadOffDifferential, HugeValuesPassingThroughLeaveNoResidue) {
    // A running sum in plain double would keep an error from every huge value that entered and
    // left the window, and misjudge the small ones after it.
    std::mt19937 random(2);
    std::uniform_real_distribution<float> small(-0.1f, 0.1f);
    std::uniform_int_distribution<int> kind(0, 99);
    std::vector<float> stream;
    for (int i = 0; i < 300'000; ++i) {
        const int k = kind(random);
        stream.push_back(k == 0   ? 3.0e38f
                         : k == 1 ? -1.0e30f
                         : k == 2 ? std::numeric_limits<float>::denorm_min()
                                  : small(random) + 0.04f);
    }
    EXPECT_EQ(firstDifference(stream), -1);
}

TEST(EcgLeadOffDifferential, StreamsSittingOnTheLimit) {
    // Windows of the two floats either side of 0.04 in nearly equal numbers put the mean on
    // the midpoint between them, where the rounding of the 600-term sum decides; tiny values
    // nudge it either way by less than that rounding.
    std::mt19937 random(3);
    std::uniform_int_distribution<int> pick(0, 999);
    for (const float sign : {1.0f, -1.0f}) {
        std::vector<float> stream;
        for (int i = 0; i < 300'000; ++i) {
            const int k = pick(random);
            float value = k < 495 ? belowLimit : k < 990 ? aboveLimit : std::ldexp(1.0f, -40 - k % 30);
            if (k >= 995) {
                value = -value;
            }
            stream.push_back(sign * value);
        }
        EXPECT_EQ(firstDifference(stream), -1) << "sign " << sign;
    }
}

TEST(EcgLeadOffDifferential, TheLimitAfterLargeValuesHavePassedThrough) {
    // Large values mixed with tiny ones make any running double sum round on nearly every
    // step; then the stream sits on the limit, where a sum that strayed by those roundings
    // decides differently from the plain 600-term sum.
    std::mt19937 random(5);
    std::uniform_real_distribution<float> large(-3000.0f, 3000.0f);
    std::uniform_real_distribution<float> tiny(-1e-9f, 1e-9f);
    std::uniform_int_distribution<int> pick(0, 999);
    std::vector<float> stream;
    for (int phase = 0; phase < 30; ++phase) {
        for (int i = 0; i < 1800; ++i) {
            stream.push_back(i % 2 == 0 ? large(random) : tiny(random));
        }
        for (int i = 0; i < 6000; ++i) {
            const int k = pick(random);
            stream.push_back(k < 500 ? belowLimit : aboveLimit);
        }
    }
    EXPECT_EQ(firstDifference(stream), -1);
}

TEST(EcgLeadOffDifferential, WholeWindowsExactlyOnTheMidpoint) {
    // 300 of each neighbour: the exact mean is the midpoint itself. Every rotation of the
    // window order changes how the literal sum rounds.
    std::vector<float> stream;
    for (int round = 0; round < 40; ++round) {
        for (int i = 0; i < 600; ++i) {
            stream.push_back(((i + round) * 7 % 600) < 300 ? belowLimit : aboveLimit);
        }
    }
    EXPECT_EQ(firstDifference(stream), -1);
}

TEST(EcgLeadOffDifferential, WherePlainSummationRoundsAcrossTheLimit) {
    // In window order: 24 ones, then values of 2^-50 that each vanish when added to 24, then
    // 156 * 2^-28, which brings the plain sum to 600 times the midpoint exactly (24 + 156 *
    // 2^-28 = 6442451100 * 2^-28, the midpoint being 10737418.5 * 2^-28). That mean ties and
    // rounds to the even neighbour, 0.04f, which is not above the limit; the exact sum lies
    // above the midpoint and would say lead off. The plain sum's answer is the one that counts.
    // With negative small values the exact sum lies below instead, and both agree.
    for (const float nudge : {0x1p-50f, -0x1p-50f, 0x1p-52f}) {
        for (const int nudges : {1, 100, 500, 575}) {
            std::vector<float> window(600, 0.0f);
            std::fill(window.begin(), window.begin() + 24, 1.0f);
            std::fill(window.begin() + 24, window.begin() + 24 + nudges, nudge);
            window[24 + nudges] = std::ldexp(156.0f, -28);
            std::vector<float> stream;
            for (int round = 0; round < 3; ++round) {
                stream.insert(stream.end(), window.begin(), window.end());
            }
            EXPECT_EQ(firstDifference(stream), -1) << nudge << " x " << nudges;
        }
    }
}

TEST(EcgLeadOffDifferential, NotANumberAndInfinitiesDecideAsInThePlainSum) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::vector<float> stream(700, 0.0f);
    for (const float special : {inf, -inf, nan}) {
        stream.push_back(special);
        stream.insert(stream.end(), 300, 0.01f);
        stream.push_back(-special);
        stream.insert(stream.end(), 700, 0.5f);
    }
    EXPECT_EQ(firstDifference(stream), -1);
}

}  // namespace
}  // namespace Tenvik
