// RS analysis: the regular and singular group counts and the estimate from them.
#include "analysis/RsAnalysis.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace nox::analysis {

TRsCounts& TRsCounts::operator+=(const TRsCounts& o) {
    Groups += o.Groups;
    RegularM += o.RegularM;
    SingularM += o.SingularM;
    RegularMinusM += o.RegularMinusM;
    SingularMinusM += o.SingularMinusM;
    FlippedRegularM += o.FlippedRegularM;
    FlippedSingularM += o.FlippedSingularM;
    FlippedRegularMinusM += o.FlippedRegularMinusM;
    FlippedSingularMinusM += o.FlippedSingularMinusM;
    return *this;
}

namespace {

// The noise of a group: the sum of the absolute differences of its neighbours.
int Noise(int a, int b, int c, int d) { return std::abs(b - a) + std::abs(c - b) + std::abs(d - c); }

int FlipPlus(int v) { return v ^ 1; }                  // F1: 0<->1, 2<->3, ...
int FlipMinus(int v) { return ((v + 1) ^ 1) - 1; }    // F-1: -1<->0, 1<->2, ...

// Adds 1 to `regular` when `flipped` is noisier than `original`, 1 to `singular` when quieter.
void Classify(int original, int flipped, uint64_t& regular, uint64_t& singular) {
    regular += flipped > original;
    singular += flipped < original;
}

}  // namespace

void CountRsRow(std::span<const uint8_t> values, TRsCounts& counts) {
    for (size_t i = 0; i + 4 <= values.size(); i += 4) {
        const int a = values[i], b = values[i + 1], c = values[i + 2], d = values[i + 3];
        const int noise = Noise(a, b, c, d);
        Classify(noise, Noise(a, FlipPlus(b), FlipPlus(c), d), counts.RegularM, counts.SingularM);
        Classify(noise, Noise(a, FlipMinus(b), FlipMinus(c), d), counts.RegularMinusM, counts.SingularMinusM);
        // The same group with every low bit flipped: F1 on its middle gives the middle back.
        const int fa = a ^ 1, fb = b ^ 1, fc = c ^ 1, fd = d ^ 1;
        const int flippedNoise = Noise(fa, fb, fc, fd);
        Classify(flippedNoise, Noise(fa, b, c, fd), counts.FlippedRegularM, counts.FlippedSingularM);
        Classify(flippedNoise, Noise(fa, FlipMinus(fb), FlipMinus(fc), fd), counts.FlippedRegularMinusM,
                 counts.FlippedSingularMinusM);
    }
    counts.Groups += values.size() / 4;
}

double RsEstimate(const TRsCounts& n) {
    if (n.Groups == 0) return 0;
    const double g = double(n.Groups);
    // The differences R - S as shares of the groups: d0 at the picture (p/2 of the values flipped),
    // d1 at the flipped picture (1 - p/2), and the same under -M.
    const double d0 = (double(n.RegularM) - double(n.SingularM)) / g;
    const double d1 = (double(n.FlippedRegularM) - double(n.FlippedSingularM)) / g;
    const double dm0 = (double(n.RegularMinusM) - double(n.SingularMinusM)) / g;
    const double dm1 = (double(n.FlippedRegularMinusM) - double(n.FlippedSingularMinusM)) / g;
    // 2(d1 + d0) x^2 + (d-0 - d-1 - d1 - 3 d0) x + d0 - d-0 = 0, and p = x / (x - 1/2).
    const double a = 2 * (d1 + d0);
    const double b = dm0 - dm1 - d1 - 3 * d0;
    const double c = d0 - dm0;
    // The root of smaller absolute value, as the paper says; without a real root (the curves barely
    // meet) the vertex, their common real part. p = x / (x - 1/2) maps x <= 0 onto 0 <= p < 1.
    double x;
    if (std::fabs(a) < 1e-12) {
        if (std::fabs(b) < 1e-12) return 0;
        x = -c / b;
    } else {
        const double root = std::sqrt(std::max(b * b - 4 * a * c, 0.0));
        const double x1 = (-b + root) / (2 * a), x2 = (-b - root) / (2 * a);
        x = std::fabs(x1) < std::fabs(x2) ? x1 : x2;
    }
    // Near p = 1 the root runs off to large |x| on either side, where p tends to 1.
    if (std::fabs(x - 0.5) < 1e-12) return 1;
    return std::clamp(x / (x - 0.5), 0.0, 1.0) + 0.0;  // + 0.0: never -0, which would print as "-0.0000"
}

}  // namespace nox::analysis
