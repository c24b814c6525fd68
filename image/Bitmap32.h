// TBitmap32, the pixel buffer every pane holds: Width x Height TColor32 values, row after row from
// the top, with unchecked pixel access, conversions from and to the platform's pictures (Assign,
// AssignTo), the scaled nearest-neighbour draw (DrawTo, StretchTransfer) and the stored "Data" form.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "image/Color32.h"
#include "image/PixelMemory.h"
#include "image/ThreadPersistent.h"
#include "platform/Types.h"

namespace nox {

class TBitmap;
class TCanvas;
class TGraphic;
class TStream;

enum TDrawMode : uint8_t { dmOpaque = 0, dmBlend = 1, dmCustom = 2 };
enum TStretchFilter : uint8_t { sfNearest = 0, sfLinear = 1, sfSpline = 2 };

// Combines a foreground pixel F into a background pixel B with the master alpha M (dmCustom).
using TPixelCombineEvent = std::function<void(TColor32 F, TColor32& B, TColor32 M)>;

// Error texts of the pixel memory and the stretch copy.
namespace msg {
inline constexpr const char* kDIBAllocate = "Can't allocate the DIB handle";
inline constexpr const char* kUnpairedEndUpdate = "Unpaired TThreadPersistent.EndUpdate";
inline constexpr const char* kDstNilOrEmpty = "Destination bitmap is nil or empty";
inline constexpr const char* kSrcNilOrEmpty = "Source bitmap is nil or empty";
inline constexpr const char* kSrcRectInvalid = "Source rectangle is invalid";
}  // namespace msg

class TBitmap32 : public TCustomMap {
public:
    TBitmap32() = default;
    // Releases the pixels under the lock and notifies nobody (not even OnResize).
    ~TBitmap32() override;
    const char* ClassName() const override { return "TBitmap32"; }

    // ---- size ----------------------------------------------------------------------------------
    // Sizes below 1 become 0. Same size: false, nothing happens. Otherwise Changing, the old
    // pixels are dropped, new zeroed pixels when both sides are above 0, the new size, Changed,
    // Resized, true. When the memory cannot be had: Exception "Can't allocate the DIB handle",
    // the buffer is 0 x 0, and Changed and Resized have still fired.
    bool SetSize(int32_t width, int32_t height) override;
    // No pixel memory.
    bool IsEmpty() const override { return bits_ == nullptr; }

    // ---- pixels (no range check, no notification) ----------------------------------------------
    TColor32 GetPixel(int32_t x, int32_t y) const {
        return bits_[static_cast<size_t>(y) * stride_ + static_cast<size_t>(x)];
    }
    void SetPixel(int32_t x, int32_t y, TColor32 value) {
        bits_[static_cast<size_t>(y) * stride_ + static_cast<size_t>(x)] = value;
    }
    TColor32* RowAddress(int32_t y) { return bits_ + static_cast<size_t>(y) * stride_; }
    const TColor32* RowAddress(int32_t y) const { return bits_ + static_cast<size_t>(y) * stride_; }
    TColor32* Bits() { return bits_; }
    const TColor32* Bits() const { return bits_; }
    // Width x Height (0 when empty).
    size_t PixelCount() const { return bits_ ? stride_ * static_cast<size_t>(height_) : 0; }

    // ---- fills ---------------------------------------------------------------------------------
    // Every pixel := color, between Changing and Changed; nothing at all when empty.
    void Clear(TColor32 color = 0);
    // Inclusive corners, exchanged when reversed and clipped to the buffer; fires only when
    // something is filled.
    void FillRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, TColor32 color);
    // Alpha of every pixel := 0xFF, between Changing and Changed.
    void MakeOpaque();

    // ---- conversions ---------------------------------------------------------------------------
    // Takes size and pixels from null (empties), a TBitmap32, a TBitmap, another TGraphic, a
    // TPicture or a TClipboard; anything else is asked to AssignTo this buffer. Every pixel is
    // opaque afterwards, except that a device bitmap whose alpha is defined (a PNG) gives its own.
    // One Changing first, one Changed last (also on failure), Resized between when the size changes.
    void Assign(TPersistent* source) override;
    // Takes the size and every pixel of another buffer, all four bytes (a plain copy, for buffers
    // that look at a picture without owning it). Fires only what SetSize fires.
    void CopyPixels(const TBitmap32& source);
    // Gives a 32-bit device bitmap of this size and these pixels (all four bytes) to a TPicture,
    // a TBitmap or a TClipboard; other targets get the conversion error.
    void AssignTo(TPersistent& dest) override;
    // Makes `bitmap` a 32-bit device bitmap of this buffer's size holding its pixels unchanged.
    void PrepareDeviceBitmap(TBitmap& bitmap) const;

    // Copies the whole buffer onto the surface with its top-left corner at (x, y), clipped to the
    // surface; nothing when empty. Fires nothing.
    void CopyToDevice(TCanvas& canvas, int32_t x, int32_t y) const;

    // Draws the whole buffer scaled into `dstRect` of `dst` (nearest neighbour with the default
    // settings). Nothing when either buffer is empty; otherwise Changing and Changed on `dst`.
    void DrawTo(TBitmap32& dst, const TRect& dstRect) const;

    // ---- stored form: int32 width, int32 height (little-endian), then the pixel bytes ---------
    bool HasData() const { return !IsEmpty(); }
    // Changing, SetSize, the pixels, Changed (also on failure). Sizes are checked against the
    // bytes the stream still holds before anything is allocated ("Stream read error").
    void ReadData(TStream& stream);
    void WriteData(TStream& stream) const;

    // ---- drawing settings ------------------------------------------------------------------------
    TDrawMode DrawMode() const { return drawMode_; }
    void SetDrawMode(TDrawMode value);
    uint32_t MasterAlpha() const { return masterAlpha_; }
    void SetMasterAlpha(uint32_t value);
    TStretchFilter StretchFilter() const { return stretchFilter_; }
    void SetStretchFilter(TStretchFilter value);
    TColor32 OuterColor() const { return outerColor_; }
    void SetOuterColor(TColor32 value) { outerColor_ = value; }
    const TPixelCombineEvent& OnPixelCombine() const { return onPixelCombine_; }
    void SetOnPixelCombine(TPixelCombineEvent handler) { onPixelCombine_ = std::move(handler); }

private:
    void AssignFromSource(TPersistent* source);
    // Lets `graphic` paint itself into `rect` of the pixels, then makes every pixel opaque.
    void PaintGraphicOpaque(TGraphic& graphic, const TRect& rect);

    // The pixel memory and its row length in pixels; the row length is kept as size_t beside
    // Width so that pixel stores (uint32_t) cannot alias it and the compiler keeps it in a
    // register across a loop of SetPixel calls.
    TColor32* bits_ = nullptr;
    size_t stride_ = 0;
    TPixelMemory memory_;

    TDrawMode drawMode_ = dmOpaque;
    uint32_t masterAlpha_ = 255;
    TColor32 outerColor_ = 0;
    TStretchFilter stretchFilter_ = sfNearest;
    TPixelCombineEvent onPixelCombine_;
};

// The stretch copy: the source rectangle of `src` into the destination rectangle of `dst`,
// clipped to `dst`. Same size: a plain copy. Otherwise nearest neighbour with 16.16 accumulators
// (in 64 bits, so sources beyond 32767 pixels sample correctly). ETransformError for an empty
// `dst` ("Destination bitmap is nil or empty"), an empty `src` ("Source bitmap is nil or empty")
// or a non-empty source rectangle outside `src` ("Source rectangle is invalid"). With dmBlend the
// source is blended over the destination by its alpha times MasterAlpha; with dmCustom `combine`
// (when set) combines each pair. The filter is accepted for every value; all draw nearest.
void StretchTransfer(TBitmap32& dst, const TRect& dstRect, const TBitmap32& src, const TRect& srcRect,
                     TStretchFilter filter = sfNearest, TDrawMode mode = dmOpaque, uint32_t masterAlpha = 255,
                     const TPixelCombineEvent& combine = nullptr);

}  // namespace nox
