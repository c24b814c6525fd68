// Where two pictures differ: the absolute difference of each colour channel, amplified so that a
// change of one in the lowest bit becomes visible, or a map of the pixels where any bit differs.
#pragma once

#include <cstdint>

#include "image/Bitmap32.h"

namespace nox::analysis {

inline constexpr int kMinAmplify = 1;
inline constexpr int kMaxAmplify = 128;

// `result` := |a - b| x `amplify` per colour channel, at most 255, alpha 255, over the smaller
// width and height (empty when either picture is). `amplify` is clamped to 1 ... 128.
// `result` must be neither input.
void AmplifiedDifference(const TBitmap32& a, const TBitmap32& b, int amplify, TBitmap32& result);

// `result` := white where any bit of red, green or blue differs, black elsewhere (alpha, which the
// window's operations set to 0 on their results, does not count), over the smaller size.
void DifferenceMap(const TBitmap32& a, const TBitmap32& b, TBitmap32& result);

}  // namespace nox::analysis
