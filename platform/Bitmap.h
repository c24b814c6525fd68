// TBitmap, the device bitmap: a picture at 1, 4, 8, 16, 24 or 32 bits per pixel with a colour
// table and bit-field masks, in the BMP format's pixel layouts, and the conversions of every layout
// to 32-bit and 24-bit blue-green-red pixels.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "platform/Graphic.h"
#include "platform/PixelAllocator.h"

namespace nox {

class TBitmap : public TGraphic {
public:
    TBitmap() = default;
    TBitmap(const TBitmap& other);
    TBitmap& operator=(const TBitmap& other);
    TBitmap(TBitmap&& other) noexcept = default;
    TBitmap& operator=(TBitmap&& other) noexcept = default;
    const char* ClassName() const override { return "TBitmap"; }

    // ---- size and layout --------------------------------------------------------------------
    int32_t Width() override { return width_; }
    int32_t Height() override { return height_; }
    int32_t GetWidth() const { return width_; }
    int32_t GetHeight() const { return height_; }
    void SetWidth(int32_t width) override { SetSize(width, height_); }
    void SetHeight(int32_t height) override { SetSize(width_, height); }
    // New pixel memory of zero bytes (the previous pixels are dropped). Negative sizes become 0.
    // EOutOfMemory when the pixel memory could not exist on this machine.
    void SetSize(int32_t width, int32_t height);
    // As SetSize, but the new pixel bytes are unspecified: for a reader that writes every byte
    // before anything reads one (clearing a large picture first costs as much as reading it).
    void SetSizeUncleared(int32_t width, int32_t height);

    int BitsPerPixel() const { return bitsPerPixel_; }
    // 1, 4, 8, 16, 24 or 32; drops the pixels (the size is kept, all bytes become 0) and, for
    // formats deeper than 8 bits, the bit fields.
    void SetBitsPerPixel(int bits);

    // Bytes per row: rows are padded to a multiple of 4 bytes.
    size_t RowBytes() const { return RowBytesFor(width_, bitsPerPixel_); }
    static size_t RowBytesFor(int32_t width, int bitsPerPixel);

    // Row y (0 is the top row) of the pixel memory.
    uint8_t* ScanLine(int32_t y) { return pixels_.data() + static_cast<size_t>(y) * RowBytes(); }
    const uint8_t* ScanLine(int32_t y) const { return pixels_.data() + static_cast<size_t>(y) * RowBytes(); }
    std::span<uint8_t> Pixels() { return {pixels_.data(), pixels_.size()}; }
    std::span<const uint8_t> Pixels() const { return {pixels_.data(), pixels_.size()}; }

    // ---- colours ------------------------------------------------------------------------------
    // The colour table (at most 256 entries); for 16-, 24- and 32-bit pictures it is a display
    // palette only and pixel values never go through it.
    const std::vector<TRGBQuad>& ColorTable() const { return colorTable_; }
    void SetColorTable(std::vector<TRGBQuad> table);

    // Bit-field masks (16 and 32 bits per pixel only); without them 16-bit pixels are 5-5-5 and
    // 32-bit pixels are blue, green, red and a fourth byte.
    bool HasBitFields() const { return hasBitFields_; }
    void SetBitFields(uint32_t redMask, uint32_t greenMask, uint32_t blueMask);
    void ClearBitFields() { hasBitFields_ = false; }
    std::array<uint32_t, 3> BitFields() const { return {redMask_, greenMask_, blueMask_}; }

    // Whether the fourth byte of 32-bit pixels is the picture's opacity (a PNG file's alpha), which
    // a pane keeps; otherwise it is no colour and a pane makes every pixel opaque.
    bool AlphaDefined() const { return alphaDefined_; }
    void SetAlphaDefined(bool defined) { alphaDefined_ = defined; }

    // ---- conversions ---------------------------------------------------------------------------
    // Row y as 32-bit pixels (blue, green, red, 0): colour-table look-up for 1, 4 and 8 bits
    // (an index beyond the table gives black), 5-5-5 for plain 16 bits, the masks for bit fields,
    // blue-green-red bytes for 24 bits; a plain 32-bit row is copied with its fourth bytes.
    void RowTo32(int32_t y, uint32_t* out) const;
    // Row y as 24-bit blue-green-red bytes (the fourth byte of 32-bit pixels dropped).
    void RowTo24(int32_t y, uint8_t* out) const;
    // A copy of this picture at 24 (or 32) bits per pixel, converted row by row.
    TBitmap ConvertedTo(int bitsPerPixel) const;

    // ---- TGraphic ------------------------------------------------------------------------------
    // Stretches the picture into `rect` (nearest neighbour).
    void Draw(TCanvas& canvas, const TRect& rect) override;
    // Reading and writing go through the codec that the BMP format installs (SetCodec); without
    // one they fail with EInvalidGraphic.
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override;
    void Assign(TPersistent* source) override;
    // Keeps the given bitmap's pixels, without a copy.
    void TakeOverBitmap(std::unique_ptr<TBitmap> bitmap) override { *this = std::move(*bitmap); }

    using Reader = std::function<void(TBitmap&, TStream&)>;
    using Writer = std::function<void(TBitmap&, TStream&)>;
    static void SetCodec(Reader reader, Writer writer);

private:
    void Resize(int32_t width, int32_t height, TPixelBlock::TFill fill);

    int32_t width_ = 0;
    int32_t height_ = 0;
    int bitsPerPixel_ = 24;
    TPixelBlock pixels_;
    std::vector<TRGBQuad> colorTable_;
    bool hasBitFields_ = false;
    uint32_t redMask_ = 0, greenMask_ = 0, blueMask_ = 0;
    bool alphaDefined_ = false;
};

}  // namespace nox
