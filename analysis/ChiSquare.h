// The chi-square attack on LSB hiding (Westfeld and Pfitzmann): embedding random bits evens out the
// counts of each pair of values 2k, 2k+1; the p-value says how well the observed counts fit such
// evened-out pairs. Near 1: the values look like random low bits; near 0: no sign of them.
#pragma once

#include <array>
#include <cstdint>

namespace nox::analysis {

using THistogram = std::array<uint64_t, 256>;

// Pairs whose expected count (the mean of the pair) is below this are left out: the chi-square
// distribution describes the statistic only where every category expects a few observations.
inline constexpr double kChiMinExpected = 5.0;

struct TChiSquare {
    double Statistic = 0;  // sum over the counted pairs of (count(2k) - expected)^2 / expected
    int Categories = 0;    // the pairs counted; the degrees of freedom are one fewer
    double PValue = 0;     // 0 when fewer than two pairs could be counted
};

TChiSquare ChiSquareTest(const THistogram& histogram);

// Q(a, x) = Γ(a, x) / Γ(a), the regularized upper incomplete gamma function (a > 0, x >= 0):
// the probability that a chi-square variable with 2a degrees of freedom exceeds 2x.
double UpperIncompleteGammaQ(double a, double x);

}  // namespace nox::analysis
