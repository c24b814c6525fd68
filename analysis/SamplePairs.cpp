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
    // Every set is known from the difference d = u - v and the parity of u (v = u - d):
    //   C0: d = 0, d = 1 with u odd (2k+1, 2k), d = -1 with u even (2k, 2k+1);
    //   C2: d = +-4, d = 3 with u even (2k+4, 2k+1), d = 5 with u odd, d = -3 with u odd, d = -5 with u even;
    //   X / Y: d = +-1, +-3, the smaller value odd (Y) when u is odd and d < 0 or u even and d > 0.
    // Sums of 0/1 terms over short runs of 16-bit counters let the compiler use vector code.
    constexpr size_t kRun = 4096;
    for (size_t start = 0; start < n; start += kRun) {
        const size_t end = std::min(n, start + kRun);
        uint16_t sameHigh = 0, farHigh = 0, equal = 0, farEqual = 0, odd = 0, oddOdd = 0;
        for (size_t i = start; i < end; ++i) {
            const int16_t d = int16_t(int16_t(first[i]) - int16_t(second[i]));
            const uint16_t uOdd = first[i] & 1, uEven = uOdd ^ 1;
            const uint16_t far = (d == 4) | (d == -4);
            const uint16_t oddSmall = (d == 1) | (d == 3) | (d == -1) | (d == -3);
            equal += d == 0;
            farEqual += far;
            sameHigh += (d == 0) | ((d == 1) & uOdd) | ((d == -1) & uEven);
            farHigh += far | ((d == 3) & uEven) | ((d == 5) & uOdd) | ((d == -3) & uOdd) | ((d == -5) & uEven);
            odd += oddSmall;
            oddOdd += oddSmall & (uOdd ^ uint16_t(d > 0));
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
