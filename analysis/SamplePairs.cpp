// Sample pair analysis: the pair counts and the estimate from them.
#include "analysis/SamplePairs.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace nox::analysis {

TSpaCounts& TSpaCounts::operator+=(const TSpaCounts& o) {
    Pairs += o.Pairs;
    SameHigh += o.SameHigh;
    FarHigh += o.FarHigh;
    Equal += o.Equal;
    FarEqual += o.FarEqual;
    OddEven += o.OddEven;
    OddOdd += o.OddOdd;
    return *this;
}

void CountSpaPairs(std::span<const uint8_t> first, std::span<const uint8_t> second, TSpaCounts& counts) {
    const size_t n = std::min(first.size(), second.size());
    // Plain sums of 0/1 terms, so that the loop has no branches.
    uint32_t sameHigh = 0, farHigh = 0, equal = 0, farEqual = 0, odd = 0, oddOdd = 0;
    for (size_t i = 0; i < n; ++i) {
        const int u = first[i], v = second[i];
        const int high = std::abs((u >> 1) - (v >> 1));
        const int difference = std::abs(u - v);
        const uint32_t isOdd = uint32_t(difference & 1) & uint32_t(difference < 2 * kSpaLevels);
        sameHigh += high == 0;
        farHigh += high == kSpaLevels;
        equal += difference == 0;
        farEqual += difference == 2 * kSpaLevels;
        odd += isOdd;
        oddOdd += isOdd & uint32_t(std::min(u, v));
    }
    counts.Pairs += n;
    counts.SameHigh += sameHigh;
    counts.FarHigh += farHigh;
    counts.Equal += equal;
    counts.FarEqual += farEqual;
    counts.OddEven += odd - oddOdd;
    counts.OddOdd += oddOdd;
}

double SpaEstimate(const TSpaCounts& n) {
    if (n.Pairs == 0) return 0;
    const double a = (2 * double(n.SameHigh) - double(n.FarHigh)) / 4;
    const double xy = double(n.OddEven) - double(n.OddOdd);
    const double b = -(2 * double(n.Equal) - double(n.FarEqual) + 2 * xy) / 2;
    const double c = xy;
    double p;
    if (std::fabs(a) < 1e-9) {
        p = b == 0 ? 0 : -c / b;
    } else {
        const double discriminant = b * b - 4 * a * c;
        const double root = std::sqrt(std::max(discriminant, 0.0));
        p = std::min((-b - root) / (2 * a), (-b + root) / (2 * a));
    }
    return std::clamp(p, 0.0, 1.0) + 0.0;  // + 0.0: never -0, which would print as "-0.0000"
}

}  // namespace nox::analysis
