// TCanvas: a drawing surface over 32-bit blue-green-red-alpha memory, onto which graphics paint
// themselves and device bitmaps are stretched (nearest neighbour) or copied through a 1-bit mask.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/Types.h"

namespace nox {

class TBitmap;
class TGraphic;

class TCanvas {
public:
    // `bits` holds height rows of `width` pixels each, the top row first, with no padding.
    TCanvas(uint32_t* bits, int32_t width, int32_t height) : bits_(bits), width_(width), height_(height) {}

    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    // Row y for writing; a row written this way no longer counts as made opaque (below).
    uint32_t* Row(int32_t y) {
        if (!opaqueRows_.empty()) opaqueRows_[static_cast<size_t>(y)] = false;
        return RowAddress(y);
    }
    TRect ClipRect() const { return {0, 0, width_, height_}; }

    // From now on, a whole row converted straight into the surface (a same-size, unclipped
    // StretchBitmap) is made opaque (alpha 255) while it is still in the cache, and remembered as
    // such until anything else writes into it. Lets a pixel buffer that must end up opaque skip a
    // second pass over the rows a graphic has covered.
    void MakeCoveredRowsOpaque() { opaqueRows_.assign(static_cast<size_t>(height_ > 0 ? height_ : 0), false); }
    // Whether row y was made opaque that way (false unless MakeCoveredRowsOpaque was called).
    bool RowIsOpaque(int32_t y) const { return !opaqueRows_.empty() && opaqueRows_[static_cast<size_t>(y)]; }

    // Lets `graphic` paint itself into `rect`.
    void StretchDraw(const TRect& rect, TGraphic& graphic);

    // Copies `source` scaled into `rect` (nearest neighbour: destination pixel x of the
    // rectangle takes source column x * sourceWidth / rect width), clipped to the surface. At the
    // same size this is a plain converted copy.
    void StretchBitmap(const TRect& rect, const TBitmap& source);

    // As StretchBitmap, but where the mask bit of a source pixel is 1 the surface keeps its pixel.
    // The mask has one bit per source pixel, the most significant bit first, `maskRowBytes` bytes
    // per row, the top row first.
    void StretchBitmapMasked(const TRect& rect, const TBitmap& source, const uint8_t* mask, size_t maskRowBytes);

private:
    uint32_t* RowAddress(int32_t y) { return bits_ + static_cast<size_t>(y) * static_cast<size_t>(width_); }

    uint32_t* bits_;
    int32_t width_;
    int32_t height_;
    std::vector<bool> opaqueRows_;  // empty unless MakeCoveredRowsOpaque was called
};

}  // namespace nox
