// Sample pair analysis: the pair counts and the estimate from them.
#include "analysis/SamplePairs.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

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

namespace {

// Adds the `count` pairs (first[i], second[i]), or with kTouchingOnly only those with a value at an
// end of the range, and tells whether any of them has one. Every set is known from the smaller
// value lo of a pair and the difference d = hi - lo: D0, D4, and d = 1 or 3 for X and Y (lo's
// parity tells them apart); the high values differ by (d + (lo & 1)) / 2, 0 (C0) when that sum is 0
// or 1, 2 (C2) when it is 4 or 5. All of it fits in 8 bits, and sums of 0/1 terms over at most
// 255 pairs fit in 8-bit counters: the compiler turns the loop into vector code with 16 pairs to a
// 128-bit register.
template <bool kTouchingOnly>
bool CountRun(const uint8_t* first, const uint8_t* second, size_t count, TSpaCounts& counts) {
    static_assert(kSpaLevels == 2, "the sets below are written out for the differences m = 0 and 1");
    uint8_t pairs = 0, sameHigh = 0, farHigh = 0, equal = 0, farEqual = 0, odd = 0, oddOdd = 0;
    uint8_t lowest = 255, highest = 0;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t u = first[i], v = second[i];  // by value: min and max of references do not vectorise
        const uint8_t lo = std::min(u, v);
        const uint8_t difference = uint8_t(u + v - lo - lo);  // hi - lo (GCC makes max a costlier blend)
        const uint8_t hi = uint8_t(lo + difference);
        const uint8_t highSum = uint8_t((difference + (lo & 1)) | 1);  // 1: C0, 5: C2
        const uint8_t taken = kTouchingOnly ? (lo < 2) | (hi > 253) : 1;
        const uint8_t oddSmall = ((difference | 2) == 3) & taken;  // 1 or 3
        pairs += taken;
        equal += (difference == 0) & taken;
        farEqual += (difference == 4) & taken;
        sameHigh += (highSum == 1) & taken;
        farHigh += (highSum == 5) & taken;
        odd += oddSmall;
        oddOdd += oddSmall & lo;
        lowest = std::min(lowest, lo);
        highest = std::max(highest, hi);
    }
    counts.Pairs += pairs;
    counts.SameHigh += sameHigh;
    counts.FarHigh += farHigh;
    counts.Equal += equal;
    counts.FarEqual += farEqual;
    counts.OddEven += uint64_t(odd) - oddOdd;
    counts.OddOdd += oddOdd;
    return lowest < 2 || highest > 253;
}

}  // namespace

void CountSpaPairs(std::span<const uint8_t> first, std::span<const uint8_t> second, TSpaCounts& counts,
                   TSpaCounts* touching) {
    const size_t n = std::min(first.size(), second.size());
    constexpr size_t kRun = 240;  // at most 255 for the 8-bit counters, a whole number of 16-pair vectors
    // The pairs at the ends of the range are few in most pictures: a run is counted a second time,
    // for them alone, only when it has one.
    for (size_t start = 0; start < n; start += kRun) {
        const size_t count = std::min(kRun, n - start);
        if (CountRun<false>(first.data() + start, second.data() + start, count, counts) && touching)
            CountRun<true>(first.data() + start, second.data() + start, count, *touching);
    }
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

double SpaStandardError(const TSpaCounts& n) {
    // Near p = 0 the quadratic's root is about -c / b, and c = |X| - |Y|, the difference of two
    // counts of about equal size, varies by about sqrt(|X| + |Y|).
    const double xy = double(n.OddEven) - double(n.OddOdd);
    const double slope = (2 * double(n.Equal) - double(n.FarEqual) + 2 * xy) / 2;  // -b
    if (slope <= 0) return std::numeric_limits<double>::infinity();
    return std::sqrt(double(n.OddEven) + double(n.OddOdd)) / slope;
}

}  // namespace nox::analysis
