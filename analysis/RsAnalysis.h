// RS analysis (Fridrich, Goljan and Du): the picture is cut into groups of four neighbouring
// values along each row; the mask 0,1,1,0 applies the flipping F1 (0<->1, 2<->3, ...) or the
// shifted flipping F-1 (-1<->0, 1<->2, ...) to the two middle values. A group is regular when the
// flipping raises its noise (the sum of its neighbours' absolute differences), singular when it
// lowers it. In a natural picture F1 and F-1 find about as many regular groups; random low bits
// pull the F1 counts together and push the F-1 counts apart. Counting the same on the picture with
// every low bit flipped gives a second point on those curves, and a quadratic gives the share of
// values that carry hidden bits.
#pragma once

#include <cstdint>
#include <span>

namespace nox::analysis {

// The counts of one channel: groups, and the regular/singular groups under the mask M (F1 in the
// middle) and -M (F-1 in the middle), on the values as they are and with every low bit flipped.
struct TRsCounts {
    uint64_t Groups = 0;
    uint64_t RegularM = 0, SingularM = 0, RegularMinusM = 0, SingularMinusM = 0;
    uint64_t FlippedRegularM = 0, FlippedSingularM = 0, FlippedRegularMinusM = 0, FlippedSingularMinusM = 0;

    TRsCounts& operator+=(const TRsCounts& other);
};

// Adds the groups of one row of values: values[0..3], values[4..7], ...; a last incomplete group
// is left out.
void CountRsRow(std::span<const uint8_t> values, TRsCounts& counts);

// The estimated share of values carrying hidden bits (half of them flipped), from the root of the
// paper's quadratic with the smaller absolute value, clamped to 0..1; 1 when the quadratic has no
// real root (see RsAnalysis.cpp); 0 when there are no groups.
double RsEstimate(const TRsCounts& counts);

}  // namespace nox::analysis
