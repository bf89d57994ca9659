#include "signal/RespirationFilterChain.h"

#include <algorithm>

namespace Tenvik {

RespirationFilterChain::RespirationFilterChain() {
    std::size_t next = 0;
    addSections(Biquad(Biquad::Notch, 0.1, 4, 5.0), 4, next);
    addSections(Biquad(Biquad::Notch, 0.25, 2, 4.0), 2, next);
    addSections(Biquad(Biquad::HighPass, 0.12 / 1000.0, 2, 0.707), 2, next);
    addSections(Biquad(Biquad::LowPass, 0.0024, 2, 0.354), 2, next);
}

void RespirationFilterChain::addSections(const Biquad& design, std::size_t count,
                                         std::size_t& next) {
    for (std::size_t i = 0; i < count; ++i, ++next) {
        b0[next] = design.b0;
        b1[next] = design.b1;
        b2[next] = design.b2;
        a1[next] = design.a1;
        a2[next] = design.a2;
    }
}

float RespirationFilterChain::process(float x) {
    float y = 0.0f;
    processBlock(&x, &y, 1);
    return y;
}

void RespirationFilterChain::processBlock(const float* in, float* out, std::size_t count) {
    count = std::min(count, MaxBlock);
    // carried[k]: what section k produced at the step before, the input of section k + 1.
    std::array<double, Sections> carried{};
    // The state in locals for the block, where the compiler can keep it in registers.
    std::array<double, Sections> s1 = z1;
    std::array<double, Sections> s2 = z2;
    auto section = [&](std::size_t k, double x) {
        const double y = b0[k] * x + s1[k];
        s1[k] = b1[k] * x + s2[k] - a1[k] * y;
        s2[k] = b2[k] * x - a2[k] * y;
        carried[k] = y;
    };
    for (std::size_t step = 0; step < count + Sections - 1; ++step) {
        // Section k works on sample step - k. Last section first, so that each reads its
        // predecessor's output of the step before.
        const std::size_t first = step >= count ? step - count + 1 : 0;
        const std::size_t last = std::min(step, Sections - 1);
        if (first == 0 && last == Sections - 1) {
            for (std::size_t k = Sections - 1; k > 0; --k) {
                section(k, carried[k - 1]);
            }
            section(0, static_cast<double>(in[step]));
        } else {
            for (std::size_t k = last + 1; k-- > first;) {
                section(k, k == 0 ? static_cast<double>(in[step]) : carried[k - 1]);
            }
        }
        if (step + 1 >= Sections) {
            out[step + 1 - Sections] = static_cast<float>(carried[Sections - 1]);
        }
    }
    z1 = s1;
    z2 = s2;
}

}  // namespace Tenvik
