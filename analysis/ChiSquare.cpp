// The chi-square attack's statistic and p-value, with the incomplete gamma function it needs
// (a series below x = a + 1, a continued fraction above, as usual for the two regions where
// each converges quickly).
#include "analysis/ChiSquare.h"

#include <cmath>

namespace nox::analysis {

namespace {

constexpr int kMaxTerms = 500;
constexpr double kEpsilon = 1e-15;

// P(a, x) by its power series; converges fast for x < a + 1.
double LowerSeries(double a, double x) {
    double term = 1.0 / a;
    double sum = term;
    for (int n = 1; n < kMaxTerms; ++n) {
        term *= x / (a + n);
        sum += term;
        if (std::fabs(term) < std::fabs(sum) * kEpsilon) break;
    }
    return sum * std::exp(-x + a * std::log(x) - std::lgamma(a));
}

// Q(a, x) by its continued fraction (modified Lentz); converges fast for x >= a + 1.
double UpperFraction(double a, double x) {
    constexpr double tiny = 1e-300;
    double b = x + 1.0 - a;
    double c = 1.0 / tiny;
    double d = 1.0 / b;
    double h = d;
    for (int i = 1; i < kMaxTerms; ++i) {
        const double an = -i * (i - a);
        b += 2.0;
        d = an * d + b;
        if (std::fabs(d) < tiny) d = tiny;
        c = b + an / c;
        if (std::fabs(c) < tiny) c = tiny;
        d = 1.0 / d;
        const double delta = d * c;
        h *= delta;
        if (std::fabs(delta - 1.0) < kEpsilon) break;
    }
    return std::exp(-x + a * std::log(x) - std::lgamma(a)) * h;
}

}  // namespace

double UpperIncompleteGammaQ(double a, double x) {
    if (x <= 0) return 1.0;
    if (x < a + 1.0) return 1.0 - LowerSeries(a, x);
    return UpperFraction(a, x);
}

TChiSquare ChiSquareTest(const THistogram& histogram) {
    TChiSquare result;
    for (int k = 0; k < 128; ++k) {
        const double expected = (double(histogram[2 * k]) + double(histogram[2 * k + 1])) / 2.0;
        if (expected < kChiMinExpected) continue;
        const double deviation = double(histogram[2 * k]) - expected;
        result.Statistic += deviation * deviation / expected;
        ++result.Categories;
    }
    if (result.Categories >= 2)
        result.PValue = UpperIncompleteGammaQ((result.Categories - 1) / 2.0, result.Statistic / 2.0);
    return result;
}

}  // namespace nox::analysis
