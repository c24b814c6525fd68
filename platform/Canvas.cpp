// Drawing onto 32-bit memory: graphics, nearest-neighbour stretches and masked copies.
#include "platform/Canvas.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/Bitmap.h"
#include "platform/Graphic.h"

namespace nox {

void TCanvas::StretchDraw(const TRect& rect, TGraphic& graphic) { graphic.Draw(*this, rect); }

namespace {

// Walks the destination pixels of `rect` clipped to the surface, giving each the source pixel it
// samples; `put(dst, src, sx, sy)` stores it.
template <typename Put>
void StretchRows(TCanvas& canvas, const TRect& rect, const TBitmap& source, Put put) {
    const int64_t sw = source.GetWidth(), sh = source.GetHeight();
    const int64_t rw = rect.Width(), rh = rect.Height();
    if (sw <= 0 || sh <= 0 || rw <= 0 || rh <= 0) return;
    const TRect clip = Intersect(rect, canvas.ClipRect());
    if (clip.IsEmpty()) return;

    std::vector<uint32_t> row(static_cast<size_t>(sw));
    std::vector<int32_t> columns(static_cast<size_t>(clip.Width()));
    for (int32_t x = clip.Left; x < clip.Right; ++x)
        columns[static_cast<size_t>(x - clip.Left)] = static_cast<int32_t>((x - rect.Left) * sw / rw);

    int64_t converted = -1;
    for (int32_t y = clip.Top; y < clip.Bottom; ++y) {
        const int64_t sy = (y - rect.Top) * sh / rh;
        if (sy != converted) {
            source.RowTo32(static_cast<int32_t>(sy), row.data());
            converted = sy;
        }
        uint32_t* dst = canvas.Row(y);
        for (int32_t x = clip.Left; x < clip.Right; ++x) {
            const int32_t sx = columns[static_cast<size_t>(x - clip.Left)];
            put(dst[x], row[static_cast<size_t>(sx)], sx, static_cast<int32_t>(sy));
        }
    }
}

}  // namespace

void TCanvas::StretchBitmap(const TRect& rect, const TBitmap& source) {
    if (rect.Width() == source.GetWidth() && rect.Height() == source.GetHeight()) {
        // Same size: one converted row copy per row, clipped.
        const TRect clip = Intersect(rect, ClipRect());
        if (clip.IsEmpty()) return;
        if (clip.Left == rect.Left && clip.Right == rect.Right) {
            // Whole rows: converted straight into the surface.
            const bool opaque = !opaqueRows_.empty() && clip.Left == 0 && clip.Right == width_;
            for (int32_t y = clip.Top; y < clip.Bottom; ++y) {
                uint32_t* row = RowAddress(y) + clip.Left;
                source.RowTo32(y - rect.Top, row);
                if (opaque) {
                    const int32_t width = width_;
                    for (int32_t x = 0; x < width; ++x) row[x] |= 0xFF000000u;
                }
                if (!opaqueRows_.empty()) opaqueRows_[static_cast<size_t>(y)] = opaque;
            }
            return;
        }
        std::vector<uint32_t> row(static_cast<size_t>(source.GetWidth()));
        for (int32_t y = clip.Top; y < clip.Bottom; ++y) {
            source.RowTo32(y - rect.Top, row.data());
            std::memcpy(Row(y) + clip.Left, row.data() + (clip.Left - rect.Left),
                        static_cast<size_t>(clip.Width()) * 4);
        }
        return;
    }
    StretchRows(*this, rect, source, [](uint32_t& dst, uint32_t src, int32_t, int32_t) { dst = src; });
}

void TCanvas::StretchBitmapMasked(const TRect& rect, const TBitmap& source, const uint8_t* mask,
                                  size_t maskRowBytes) {
    StretchRows(*this, rect, source, [&](uint32_t& dst, uint32_t src, int32_t sx, int32_t sy) {
        const uint8_t byte = mask[static_cast<size_t>(sy) * maskRowBytes + static_cast<size_t>(sx >> 3)];
        if (((byte >> (7 - (sx & 7))) & 1) == 0) dst = src;
    });
}

}  // namespace nox
