// RS analysis: the regular and singular group counts and the estimate from them.
#include "analysis/RsAnalysis.h"

#include <algorithm>
#include <array>
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
inline int16_t Noise(int16_t a, int16_t b, int16_t c, int16_t d) {
    return int16_t(std::abs(b - a) + std::abs(c - b) + std::abs(d - c));
}

// Adds the counts of a run, in the order of TRsCounts's fields after Groups.
void AddRun(TRsCounts& counts, const std::array<uint64_t, 8>& run) {
    counts.RegularM += run[0];
    counts.SingularM += run[1];
    counts.RegularMinusM += run[2];
    counts.SingularMinusM += run[3];
    counts.FlippedRegularM += run[4];
    counts.FlippedSingularM += run[5];
    counts.FlippedRegularMinusM += run[6];
    counts.FlippedSingularMinusM += run[7];
}

// Counts `groups` groups from `values` in 16-bit arithmetic, which holds every value the flippings
// give (F-1 takes 0 to -1 and 255 to 256). Sums of 0/1 terms over a run fit in 16-bit counters:
// the compiler turns the loop into vector code, 8 groups to a 128-bit register.
void CountWide(const uint8_t* values, size_t groups, TRsCounts& counts) {
    uint16_t rM = 0, sM = 0, rMinus = 0, sMinus = 0, frM = 0, fsM = 0, frMinus = 0, fsMinus = 0;
    for (size_t g = 0; g < groups; ++g) {
        const int16_t a = values[4 * g], b = values[4 * g + 1], c = values[4 * g + 2], d = values[4 * g + 3];
        // F1 flips 0<->1, 2<->3, ...; F-1 flips -1<->0, 1<->2, ...: even values go down, odd up.
        const int16_t b1 = b ^ 1, c1 = c ^ 1;
        const int16_t bMinus = int16_t(b - 1 + 2 * (b & 1)), cMinus = int16_t(c - 1 + 2 * (c & 1));
        const int16_t noise = Noise(a, b, c, d);
        const int16_t noiseM = Noise(a, b1, c1, d);
        const int16_t noiseMinus = Noise(a, bMinus, cMinus, d);
        // The same group with every low bit flipped; F1 on its middle gives the middle back,
        // F-1 on a flipped value moves an even value up by 2 and an odd one down by 2.
        const int16_t a1 = a ^ 1, d1 = d ^ 1;
        const int16_t bFlipMinus = int16_t(b + 2 - 4 * (b & 1)), cFlipMinus = int16_t(c + 2 - 4 * (c & 1));
        const int16_t flipped = Noise(a1, b1, c1, d1);
        const int16_t flippedM = Noise(a1, b, c, d1);
        const int16_t flippedMinus = Noise(a1, bFlipMinus, cFlipMinus, d1);
        rM += noiseM > noise;
        sM += noiseM < noise;
        rMinus += noiseMinus > noise;
        sMinus += noiseMinus < noise;
        frM += flippedM > flipped;
        fsM += flippedM < flipped;
        frMinus += flippedMinus > flipped;
        fsMinus += flippedMinus < flipped;
    }
    AddRun(counts, {rM, sM, rMinus, sMinus, frM, fsM, frMinus, fsMinus});
}

// |x - y| of two bytes (as x + y - 2 min: GCC makes max a costlier blend).
inline uint8_t Distance(uint8_t x, uint8_t y) { return uint8_t(x + y - std::min(x, y) - std::min(x, y)); }

// The noise of a group modulo 256: the flippings change a noise by at most 6, so the difference of
// two of them modulo 256, read as a signed byte, is their true difference.
inline uint8_t Noise8(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
    return uint8_t(Distance(a, b) + Distance(b, c) + Distance(c, d));
}

// The same counts in 8-bit arithmetic, 16 groups to a vector and twice as fast, for at most 255
// groups whose middle values all lie in 2..253, where every flipping stays within a byte; false
// (and nothing counted) when one does not.
bool CountNarrow(const uint8_t* values, size_t groups, TRsCounts& counts) {
    uint8_t rM = 0, sM = 0, rMinus = 0, sMinus = 0, frM = 0, fsM = 0, frMinus = 0, fsMinus = 0;
    uint8_t lowest = 255, highest = 0;
    for (size_t g = 0; g < groups; ++g) {
        const uint8_t a = values[4 * g], b = values[4 * g + 1], c = values[4 * g + 2], d = values[4 * g + 3];
        lowest = std::min(lowest, std::min(b, c));
        highest = std::max(highest, std::max(b, c));
        const uint8_t a1 = a ^ 1, b1 = b ^ 1, c1 = c ^ 1, d1 = d ^ 1;
        const uint8_t bMinus = uint8_t(b - 1 + 2 * (b & 1)), cMinus = uint8_t(c - 1 + 2 * (c & 1));
        const uint8_t bFlipMinus = uint8_t(b + 2 - 4 * (b & 1)), cFlipMinus = uint8_t(c + 2 - 4 * (c & 1));
        const uint8_t noise = Noise8(a, b, c, d), flipped = Noise8(a1, b1, c1, d1);
        const int8_t m = int8_t(uint8_t(Noise8(a, b1, c1, d) - noise));
        const int8_t minus = int8_t(uint8_t(Noise8(a, bMinus, cMinus, d) - noise));
        const int8_t flippedM = int8_t(uint8_t(Noise8(a1, b, c, d1) - flipped));
        const int8_t flippedMinus = int8_t(uint8_t(Noise8(a1, bFlipMinus, cFlipMinus, d1) - flipped));
        rM += m > 0;
        sM += m < 0;
        rMinus += minus > 0;
        sMinus += minus < 0;
        frM += flippedM > 0;
        fsM += flippedM < 0;
        frMinus += flippedMinus > 0;
        fsMinus += flippedMinus < 0;
    }
    if (lowest < 2 || highest > 253) return false;
    AddRun(counts, {rM, sM, rMinus, sMinus, frM, fsM, frMinus, fsMinus});
    return true;
}

}  // namespace

void CountRsRow(std::span<const uint8_t> values, TRsCounts& counts) {
    const size_t groups = values.size() / 4;
    // Runs of 240 groups (a whole number of 16-group vectors) in 8-bit arithmetic; a run with a
    // middle value at an end of the range, rare outside clipped areas, again in 16-bit arithmetic.
    constexpr size_t kRun = 240;
    for (size_t start = 0; start < groups; start += kRun) {
        const size_t run = std::min(kRun, groups - start);
        if (!CountNarrow(values.data() + 4 * start, run, counts)) CountWide(values.data() + 4 * start, run, counts);
    }
    counts.Groups += groups;
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
    // The root of smaller absolute value, as the paper says; p = x / (x - 1/2) maps x <= 0 onto
    // 0 <= p < 1. No real root means the two curves do not meet where the counts put them: they
    // meet at p = 1, where the picture and its flipped copy look alike (every low bit random), and
    // near it the noise of the counts can lift the quadratic off its double root.
    double x;
    if (std::fabs(a) < 1e-12) {
        if (std::fabs(b) < 1e-12) return 0;
        x = -c / b;
    } else {
        const double discriminant = b * b - 4 * a * c;
        if (discriminant < 0) return 1;
        const double x1 = (-b + std::sqrt(discriminant)) / (2 * a), x2 = (-b - std::sqrt(discriminant)) / (2 * a);
        x = std::fabs(x1) < std::fabs(x2) ? x1 : x2;
    }
    if (std::fabs(x - 0.5) < 1e-12) return 1;
    return std::clamp(x / (x - 0.5), 0.0, 1.0) + 0.0;  // + 0.0: never -0, which would print as "-0.0000"
}

}  // namespace nox::analysis
