// The two pixel loops every analysis picture is made by: one picture mapped pixel by pixel, and
// two pictures combined pixel by pixel over their common top-left rectangle (the frame of the
// main window's operations). Each rule is simple enough for the compiler to vectorise, and the
// result keeps its memory when its size does not change, so stepping through views allocates
// nothing.
#pragma once

#include <algorithm>

#include "image/Bitmap32.h"

namespace nox::analysis {

// `result` := `rule(pixel)` for every pixel of `source`, at its size (empty for an empty source).
// `result` must not be `source`.
template <typename Rule>
void MapPixels(const TBitmap32& source, TBitmap32& result, Rule rule) {
    const int32_t w = source.IsEmpty() ? 0 : source.Width();
    const int32_t h = source.IsEmpty() ? 0 : source.Height();
    result.SetSize(w, h);
    for (int32_t y = 0; y < h; ++y) {
        const TColor32* in = source.RowAddress(y);
        TColor32* out = result.RowAddress(y);
        for (int32_t x = 0; x < w; ++x) out[x] = rule(in[x]);
    }
}

// `rowRule(rowA, rowB, resultRow, width)` for every row of the smaller width and the smaller
// height (the result empty when either picture is). `result` must be neither input.
template <typename RowRule>
void MapRowPairs(const TBitmap32& a, const TBitmap32& b, TBitmap32& result, RowRule rowRule) {
    const bool empty = a.IsEmpty() || b.IsEmpty();
    const int32_t w = empty ? 0 : std::min(a.Width(), b.Width());
    const int32_t h = empty ? 0 : std::min(a.Height(), b.Height());
    result.SetSize(w, h);
    for (int32_t y = 0; y < h; ++y) rowRule(a.RowAddress(y), b.RowAddress(y), result.RowAddress(y), w);
}

// `result` := `rule(a, b)` pixel by pixel over the smaller width and height.
template <typename Rule>
void MapPixelPairs(const TBitmap32& a, const TBitmap32& b, TBitmap32& result, Rule rule) {
    MapRowPairs(a, b, result, [rule](const TColor32* inA, const TColor32* inB, TColor32* out, int32_t w) {
        for (int32_t x = 0; x < w; ++x) out[x] = rule(inA[x], inB[x]);
    });
}

}  // namespace nox::analysis
