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

TSpaCounts& TSpaCounts::operator-=(const TSpaCounts& o) {
    Pairs -= o.Pairs;
    SameHigh -= o.SameHigh;
    FarHigh -= o.FarHigh;
    Equal -= o.Equal;
    FarEqual -= o.FarEqual;
    OddEven -= o.OddEven;
    OddOdd -= o.OddOdd;
    return *this;
}

void CountSpaPairs(std::span<const uint8_t> first, std::span<const uint8_t> second, TSpaCounts& counts) {
    static_assert(kSpaLevels == 2, "the sets below are written out for the differences m = 0 and 1");
    const size_t n = std::min(first.size(), second.size());
    // Every set is known from the smaller value lo and the larger hi of a pair: the difference
    // hi - lo (D0, D4, and 1 or 3 for X and Y, where lo's parity tells X from Y) and the difference
    // of the high values (hi >> 1) - (lo >> 1) (C0, C2). All of it fits in 8 bits, and sums of 0/1
    // terms over runs of at most 255 pairs fit in 8-bit counters: the compiler turns the loop into
    // vector code with 16 pairs to a 128-bit register.
    constexpr size_t kRun = 255;
    for (size_t start = 0; start < n; start += kRun) {
        const size_t end = std::min(n, start + kRun);
        uint8_t sameHigh = 0, farHigh = 0, equal = 0, farEqual = 0, odd = 0, oddOdd = 0;
        for (size_t i = start; i < end; ++i) {
            const uint8_t u = first[i], v = second[i];  // by value: min and max of references do not vectorise
            const uint8_t lo = std::min(u, v), hi = std::max(u, v);
            const uint8_t difference = uint8_t(hi - lo), highDifference = uint8_t((hi >> 1) - (lo >> 1));
            const uint8_t oddSmall = (difference | 2) == 3;  // 1 or 3
            equal += difference == 0;
            farEqual += difference == 4;
            sameHigh += highDifference == 0;
            farHigh += highDifference == 2;
            odd += oddSmall;
            oddOdd += oddSmall & lo;
        }
        counts.SameHigh += sameHigh;
        counts.FarHigh += farHigh;
        counts.Equal += equal;
        counts.FarEqual += farEqual;
        counts.OddEven += uint64_t(odd) - oddOdd;
        counts.OddOdd += oddOdd;
    }
    counts.Pairs += n;
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
