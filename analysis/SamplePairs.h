// Sample pair analysis (Dumitrescu, Wu and Wang): the pairs of horizontally and vertically adjacent
// values. Among pairs whose values differ by an odd amount, those whose smaller value is even (X)
// and those whose smaller value is odd (Y) are about equally many in a natural picture; flipping
// low bits moves pairs between these sets at rates fixed by the share of flipped values, while the
// sets of pairs that agree above the low bit stay closed. Solving for the share that makes X and Y
// equal again gives the estimate. The same happens separately for each difference m of the high
// values (u >> 1, v >> 1), which gives one equation per m.
#pragma once

#include <cstdint>
#include <span>

namespace nox::analysis {

// The equations for the differences m = 0 .. kSpaLevels - 1 above the low bit are summed: the
// assumption |X| = |Y| holds best for small differences, in the smooth parts of a picture.
inline constexpr int kSpaLevels = 2;

// Counts of pairs (u, v); high values are u >> 1 and v >> 1.
struct TSpaCounts {
    uint64_t Pairs = 0;
    uint64_t SameHigh = 0;   // C0: equal high values
    uint64_t FarHigh = 0;    // C(j+1): high values kSpaLevels apart
    uint64_t Equal = 0;      // D0: u == v
    uint64_t FarEqual = 0;   // D(2j+2): |u - v| == 2 kSpaLevels
    uint64_t OddEven = 0;    // X: |u - v| odd, below 2 kSpaLevels, the smaller value even
    uint64_t OddOdd = 0;     // Y: |u - v| odd, below 2 kSpaLevels, the smaller value odd

    TSpaCounts& operator+=(const TSpaCounts& other);
    TSpaCounts& operator-=(const TSpaCounts& other);
};

// Adds the pairs (first[i], second[i]) for every i: neighbours along a row are (row[i], row[i+1]),
// neighbours down a column (above[i], row[i]). With `touching`, the pairs that have a value at an
// end of the range (0, 1, 254 or 255: high value 0 or 127) are also added there. Clipped, saturated
// parts of a picture are full of them, and there every pair with an odd difference that reaches 0
// or 255 has an even smaller value, which breaks the assumption |X| = |Y| (the estimate rises well
// above 0 without any hiding). Whether a pair touches depends on the high values only, which hiding in the
// low bit leaves alone: the remaining pairs still obey the paper's equations.
void CountSpaPairs(std::span<const uint8_t> first, std::span<const uint8_t> second, TSpaCounts& counts,
                   TSpaCounts* touching = nullptr);

// The estimated share of values carrying hidden bits, clamped to 0..1: the smaller root of the sum
// of the paper's equations for m = 0 .. j (j = kSpaLevels - 1),
//   (2|C0| - |C(j+1)|) p^2 / 4 - (2|D0| - |D(2j+2)| + 2|X| - 2|Y|) p / 2 + |X| - |Y| = 0.
// Random low bits in every value make this a double root at 1, where noise may leave no real
// root: the vertex is taken then, the common real part of the two complex roots. 0 when there
// are no pairs.
double SpaEstimate(const TSpaCounts& counts);

// The standard error of SpaEstimate near 0, from the spread of |X| - |Y| that chance alone gives
// (about the square root of |X| + |Y|); infinite when the counts cannot tell a share at all (the
// quadratic does not fall at 0).
double SpaStandardError(const TSpaCounts& counts);

}  // namespace nox::analysis
