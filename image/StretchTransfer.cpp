// The stretch copy behind DrawTo: a same-size block copy, or nearest-neighbour sampling with 16.16
// fixed-point accumulators, clipped to the destination.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "image/Bitmap32.h"
#include "image/RowSampler.h"
#include "platform/Errors.h"

namespace nox {

namespace {

// (numerator / denominator) rounded to the nearest integer, a tie to the even neighbour (the
// default rounding of the floating-point unit); both non-negative, denominator above 0.
int64_t RoundedQuotient(__int128 numerator, int64_t denominator) {
    const auto q = static_cast<int64_t>(numerator / denominator);
    const auto r2 = static_cast<int64_t>(numerator % denominator) * 2;
    if (r2 > denominator || (r2 == denominator && (q & 1) != 0)) return q + 1;
    return q;
}

// F over B with F's alpha scaled by the master alpha, every byte rounded.
TColor32 Blend(TColor32 f, TColor32 b, uint32_t masterAlpha) {
    const uint32_t a = ((f >> 24) * std::min<uint32_t>(masterAlpha, 255) + 127) / 255;
    TColor32 out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const uint32_t fc = (f >> shift) & 0xFF, bc = (b >> shift) & 0xFF;
        out |= ((fc * a + bc * (255 - a) + 127) / 255) << shift;
    }
    return out;
}

// Stores `count` source pixels into `dst` by the draw mode; `sample(i)` gives the i-th.
template <typename Sample>
void PutRow(TColor32* dst, int64_t count, Sample sample, TDrawMode mode, uint32_t masterAlpha,
            const TPixelCombineEvent& combine) {
    switch (mode) {
        case dmOpaque:
            for (int64_t i = 0; i < count; ++i) dst[i] = sample(i);
            break;
        case dmBlend:
            for (int64_t i = 0; i < count; ++i) dst[i] = Blend(sample(i), dst[i], masterAlpha);
            break;
        case dmCustom:
            // Without a combining callback a custom draw has nothing to say about any pixel.
            if (combine)
                for (int64_t i = 0; i < count; ++i) combine(sample(i), dst[i], masterAlpha);
            break;
    }
}

// Destination areas from this size on are written past the cache when every row is sampled anew.
constexpr uint64_t kStreamBytes = uint64_t{1} << 20;

}  // namespace

void StretchTransfer(TBitmap32& dst, const TRect& dstRect, const TBitmap32& src, const TRect& srcRect,
                     TStretchFilter /*filter: every filter samples the nearest pixel*/, TDrawMode mode,
                     uint32_t masterAlpha, const TPixelCombineEvent& combine) {
    if (dst.IsEmpty()) throw ETransformError(msg::kDstNilOrEmpty);
    if (src.IsEmpty()) throw ETransformError(msg::kSrcNilOrEmpty);
    if (srcRect.IsEmpty()) return;
    if (srcRect.Left < 0 || srcRect.Top < 0 || srcRect.Right > src.Width() || srcRect.Bottom > src.Height())
        throw ETransformError(msg::kSrcRectInvalid);
    if (dstRect.IsEmpty()) return;
    const TRect clip = Intersect(dstRect, Rect(0, 0, dst.Width(), dst.Height()));
    if (clip.IsEmpty()) return;

    // Drawing a buffer into itself samples the pixels as they were before the draw.
    std::vector<TColor32> own;
    const TColor32* srcBits = src.Bits();
    if (&dst == &src) {
        own.assign(src.Bits(), src.Bits() + src.PixelCount());
        srcBits = own.data();
    }
    const auto srcRow = [&](int64_t y) { return srcBits + static_cast<size_t>(y) * static_cast<size_t>(src.Width()); };

    // Sizes as differences of 32-bit edges can exceed 32 bits; all arithmetic below is 64-bit.
    const int64_t sw = int64_t{srcRect.Right} - srcRect.Left, sh = int64_t{srcRect.Bottom} - srcRect.Top;
    const int64_t dw = int64_t{dstRect.Right} - dstRect.Left, dh = int64_t{dstRect.Bottom} - dstRect.Top;
    const int64_t count = int64_t{clip.Right} - clip.Left;

    if (sw == dw && sh == dh) {
        for (int32_t y = clip.Top; y < clip.Bottom; ++y) {
            const TColor32* from =
                srcRow(srcRect.Top + (int64_t{y} - dstRect.Top)) + srcRect.Left + (int64_t{clip.Left} - dstRect.Left);
            if (mode == dmOpaque) {
                std::memcpy(dst.RowAddress(y) + clip.Left, from, static_cast<size_t>(count) * sizeof(TColor32));
            } else {
                PutRow(
                    dst.RowAddress(y) + clip.Left, count, [from](int64_t i) { return from[i]; }, mode, masterAlpha,
                    combine);
            }
        }
        return;
    }

    const int64_t stepX = (sw << 16) / dw, stepY = (sh << 16) / dh;
    // A view clipped on the left or top starts by the ratio (sw - 1) / (dw - 1) with 65535.
    const int64_t startX =
        dw == 1 ? 0 : RoundedQuotient(__int128(int64_t{clip.Left} - dstRect.Left) * (sw - 1) * 65535, dw - 1);
    const int64_t startY =
        dh == 1 ? 0 : RoundedQuotient(__int128(int64_t{clip.Top} - dstRect.Top) * (sh - 1) * 65535, dh - 1);

    // The source column of every destination column, the same for every row.
    std::vector<uint32_t> columns(static_cast<size_t>(count));
    int64_t accX = startX;
    for (uint32_t& column : columns) {
        column = static_cast<uint32_t>(accX >> 16);
        accX += stepX;
    }

    const int64_t rows = int64_t{clip.Bottom} - clip.Top;
    if (mode != dmOpaque) {
        int64_t accY = startY;
        for (int32_t y = clip.Top; y < clip.Bottom; ++y, accY += stepY) {
            const TColor32* from = srcRow(srcRect.Top + (accY >> 16)) + srcRect.Left;
            PutRow(
                dst.RowAddress(y) + clip.Left, count,
                [from, &columns](int64_t i) { return from[columns[static_cast<size_t>(i)]]; }, mode, masterAlpha,
                combine);
        }
        return;
    }

    // A reduced picture writes every destination row from a different source row, and nothing
    // reads the destination while it is drawn: its rows are written past the cache when they are
    // many, which spares reading each destination line into the cache before it is overwritten
    // (a third of the memory traffic). An enlarged picture copies rows from the row above, which
    // must stay in the cache.
    const uint64_t destinationBytes = static_cast<uint64_t>(count) * static_cast<uint64_t>(rows) * sizeof(TColor32);
    TRowSampling sampling;
    sampling.Columns = columns.data();
    sampling.Count = count;
    sampling.Stream = stepY >= 65536 && destinationBytes >= kStreamBytes;
    int64_t accY = startY;
    int64_t previousRow = -1;
    for (int32_t y = clip.Top; y < clip.Bottom; ++y, accY += stepY) {
        const int64_t row = accY >> 16;
        TColor32* to = dst.RowAddress(y) + clip.Left;
        if (row == previousRow) {
            // Enlarged: this row samples the same source row as the one above.
            std::memcpy(to, dst.RowAddress(y - 1) + clip.Left, static_cast<size_t>(count) * sizeof(TColor32));
            continue;
        }
        previousRow = row;
        const TColor32* from = srcRow(srcRect.Top + row) + srcRect.Left;
        const TColor32* next = srcRow(srcRect.Top + std::min((accY + stepY) >> 16, sh - 1)) + srcRect.Left;
        SampleRow(to, from, next, sampling);
    }
    if (sampling.Stream) FinishStreamedRows();
}

}  // namespace nox
