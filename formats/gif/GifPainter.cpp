// Painting a GIF picture: the palettes of the image and its frames, the rendering of a frame into
// an 8-bit device bitmap with its transparency mask (dithered onto the 216-colour palette on a
// palette display), and the painting of the first frame into a rectangle of a drawing surface,
// scaled from the logical screen, through the mask, or tiled. A picture of several frames shows
// its first frame: the paint is synchronous and no painter thread runs.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "formats/gif/ColorLookup.h"
#include "formats/gif/Ditherers.h"
#include "formats/gif/GifImage.h"
#include "platform/Canvas.h"
#include "platform/Errors.h"

namespace nox {

namespace {

// a x b / c rounded half away from zero, in 64 bits.
int32_t MulDiv(int64_t a, int64_t b, int64_t c) {
    const int64_t p = a * b;
    const int64_t q = (p >= 0) == (c >= 0) ? (std::abs(p) + std::abs(c) / 2) / std::abs(c)
                                           : -((std::abs(p) + std::abs(c) / 2) / std::abs(c));
    return static_cast<int32_t>(std::clamp<int64_t>(q, INT32_MIN, INT32_MAX));
}

// Clears a flag when the scope ends, also through an exception.
struct TFlagGuard {
    bool& flag;
    explicit TFlagGuard(bool& f) : flag(f) { flag = true; }
    ~TFlagGuard() { flag = false; }
};

}  // namespace

// ---- palettes -----------------------------------------------------------------------------------

bool TGIFImage::DitherApplies() const {
    return (PaintOptions & DitherToWeb) && (!(PaintOptions & DitherOnPaletteDisplay) || PaletteDisplay);
}

const std::vector<TRGBQuad>& TGIFImage::Palette() {
    if (hasPalette_) return palette_;
    if (DitherApplies()) {
        palette_ = MakeCubePalette();
    } else if (Header.ColorMap.Count() > 0) {
        palette_ = Header.ColorMap.Palette();
    } else {
        // The first frame's palette falls back on this one when it has no table of its own.
        if (paletteLookup_ || Images.Count() == 0) throw GIFException(gifmsg::kNoColorTable);
        TFlagGuard guard(paletteLookup_);
        palette_ = Images[0]->Palette();
    }
    hasPalette_ = true;
    return palette_;
}

const std::vector<TRGBQuad>& TGIFSubImage::Palette() {
    if (hasPalette_) return palette_;
    if (image_->DitherApplies())
        palette_ = MakeCubePalette();
    else if (ColorMap.Count() > 0)
        palette_ = ColorMap.Palette();
    else
        palette_ = image_->Palette();
    hasPalette_ = true;
    return palette_;
}

// ---- rendering ----------------------------------------------------------------------------------

TBitmap* TGIFSubImage::Bitmap() {
    if (!bitmap_) Render();
    return bitmap_.get();
}

void TGIFSubImage::Render() {
    try {
        image_->Progress(TProgressStage::psStarting, 0, gifmsg::kRendering);
        std::vector<TRGBQuad> table = Palette();
        table.resize(256, TRGBQuad{});  // black up to 256: an index beyond the palette shows black

        auto bitmap = std::make_unique<TBitmap>();
        bitmap->SetBitsPerPixel(8);
        bitmap->SetSize(Width(), Height());
        bitmap->SetColorTable(std::move(table));

        const int transparentIndex = TransparentIndex();
        const bool makeMask = transparent_ && needMask_ && transparentIndex >= 0 && !Empty();
        std::vector<uint8_t> mask;
        if (makeMask) mask.assign(MaskRowBytes() * static_cast<size_t>(Height()), 0);
        bool anyTransparent = false;

        if (!Empty()) {
            const size_t width = static_cast<size_t>(Width());
            std::unique_ptr<TColorLookup> lookup;
            std::unique_ptr<TDitherEngine> ditherer;
            std::vector<uint8_t> bgr;
            TGIFColorMap* colors = nullptr;
            if (image_->DitherApplies()) {
                colors = ColorMap.Count() > 0 ? static_cast<TGIFColorMap*>(&ColorMap) : &image_->Header.ColorMap;
                if (colors->Count() == 0) throw GIFException(gifmsg::kNoColorTable);
                lookup = std::make_unique<TNetscapeColorLookup>();
                ditherer = std::make_unique<TFloydSteinbergDitherer>(*lookup, Width());
                bgr.resize(width * 3);
            }
            for (int y = 0; y < Height(); ++y) {
                const uint8_t* row = data_.data() + static_cast<size_t>(y) * width;
                if (ditherer) {
                    for (size_t x = 0; x < width; ++x) {
                        const TGIFColor c = colors->Color(row[x]);
                        bgr[x * 3] = c.Blue;
                        bgr[x * 3 + 1] = c.Green;
                        bgr[x * 3 + 2] = c.Red;
                    }
                    ditherer->DitherRow(bgr.data(), bitmap->ScanLine(y));
                } else {
                    std::memcpy(bitmap->ScanLine(y), row, width);
                }
                if (makeMask) {
                    uint8_t* bits = mask.data() + static_cast<size_t>(y) * MaskRowBytes();
                    for (size_t x = 0; x < width; ++x)
                        if (row[x] == transparentIndex) {
                            bits[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
                            anyTransparent = true;
                        }
                }
            }
        }
        if (makeMask) {
            // A mask without a transparent pixel is not kept: the frame paints opaque.
            if (anyTransparent) mask_ = std::move(mask);
            needMask_ = false;
        }
        bitmap_ = std::move(bitmap);
    } catch (const EAbort&) {
        // A progress handler's silent abort leaves the frame without a bitmap.
        bitmap_.reset();
        return;
    } catch (...) {
        image_->Progress(TProgressStage::psEnding, 0, gifmsg::kRendering);
        throw;
    }
    image_->Progress(TProgressStage::psEnding, 100, gifmsg::kRendering);
}

// ---- painting -----------------------------------------------------------------------------------

void TGIFSubImage::Draw(TCanvas& canvas, const TRect& rect, bool transparent, bool tile) {
    if (Width() == 0 || Height() == 0) return;
    const int logicalWidth = image_->Header.Width(), logicalHeight = image_->Header.Height();
    TRect target = rect;
    if (!tile) {
        // The frame's place in the logical screen, scaled into the rectangle.
        if (logicalWidth == 0 || logicalHeight == 0) return;
        target.Left = rect.Left + MulDiv(Left(), rect.Width(), logicalWidth);
        target.Top = rect.Top + MulDiv(Top(), rect.Height(), logicalHeight);
        target.Right = rect.Left + MulDiv(Left() + Width(), rect.Width(), logicalWidth);
        target.Bottom = rect.Top + MulDiv(Top() + Height(), rect.Height(), logicalHeight);
    }
    TBitmap* bitmap = Bitmap();
    if (!bitmap) return;
    const bool masked = transparent && transparent_ && HasMask();

    if (!tile) {
        if (masked)
            canvas.StretchBitmapMasked(target, *bitmap, mask_.data(), MaskRowBytes());
        else
            canvas.StretchBitmap(target, *bitmap);
        return;
    }

    // Tiles of the frame's own size, from the rectangle's corner plus the frame's position,
    // clipped to the rectangle.
    const TRect clip = Intersect(Intersect(rect, canvas.ClipRect()),
                                 TRect{rect.Left + Left(), rect.Top + Top(), rect.Right, rect.Bottom});
    if (clip.IsEmpty()) return;
    const int64_t originX = int64_t{rect.Left} + Left(), originY = int64_t{rect.Top} + Top();
    std::vector<uint32_t> row(static_cast<size_t>(Width()));
    for (int32_t y = clip.Top; y < clip.Bottom; ++y) {
        const int32_t sy = static_cast<int32_t>((y - originY) % Height());
        bitmap->RowTo32(sy, row.data());
        const uint8_t* bits = masked ? mask_.data() + static_cast<size_t>(sy) * MaskRowBytes() : nullptr;
        uint32_t* dst = canvas.Row(y);
        int32_t sx = static_cast<int32_t>((clip.Left - originX) % Width());
        for (int32_t x = clip.Left; x < clip.Right; ++x) {
            if (!bits || ((bits[sx >> 3] >> (7 - (sx & 7))) & 1) == 0) dst[x] = row[static_cast<size_t>(sx)];
            if (++sx == Width()) sx = 0;
        }
    }
}

void TGIFImage::Draw(TCanvas& canvas, const TRect& rect) {
    if (drawing_ || Images.Count() == 0) return;
    TFlagGuard guard(drawing_);
    // One frame or several: the first frame is painted, as the first step of an animation would.
    Images[0]->Draw(canvas, rect, (PaintOptions & PaintTransparent) != 0, (PaintOptions & TileImage) != 0);
}

}  // namespace nox
