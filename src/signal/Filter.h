#pragma once

#include <cstdint>
#include <vector>

// Direct-form-I recursive filter of any order. a[0] is never read and taken to be 1.
// Coefficient vectors shorter than order + 1 read as zeros past their end; an order below 0
// is order 0.
class Filter final {
public:
    Filter(const std::vector<double>& a, const std::vector<double>& b, int order);

    virtual double process(double x);

private:
    int32_t order;
    std::vector<double> a;
    std::vector<double> b;
    std::vector<double> input;   // newest last
    std::vector<double> output;  // newest last
};
