#pragma once

#include <array>
#include <cstddef>

#include "signal/Biquad.h"

namespace Tenvik {

// A cascade of `Sections` identical second-order sections of a Biquad design, with its state
// inline. It runs a block of samples through one section at a time, which keeps a section's
// coefficients and state in registers for the whole block; each sample meets exactly the
// operations of Biquad::process, in the same order, so the results are the same to the bit.
template <std::size_t Sections>
class FixedBiquad {
public:
    explicit FixedBiquad(const Biquad& design)
        : b0(design.b0), b1(design.b1), b2(design.b2), a1(design.a1), a2(design.a2) {}

    void process(double* values, std::size_t count) {
        for (std::size_t section = 0; section < Sections; ++section) {
            double s1 = z1[section];
            double s2 = z2[section];
            for (std::size_t i = 0; i < count; ++i) {
                const double x = values[i];
                const double y = b0 * x + s1;
                s1 = b1 * x + s2 - a1 * y;
                s2 = b2 * x - a2 * y;
                values[i] = y;
            }
            z1[section] = s1;
            z2[section] = s2;
        }
    }

private:
    double b0;
    double b1;
    double b2;
    double a1;
    double a2;
    std::array<double, Sections> z1{};
    std::array<double, Sections> z2{};
};

}  // namespace Tenvik
