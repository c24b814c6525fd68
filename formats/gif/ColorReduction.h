// Colour reduction for GIF writing: turns a device bitmap of any pixel format into an 8-bit picture
// whose colour table is a palette (the 216-colour cube by default) and whose pixels index it.
// Also the entry point for the painting of GIF frames on palette displays, which dithers rows onto
// the 216-colour palette with Floyd-Steinberg (TNetscapeColorLookup + TFloydSteinbergDitherer).
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "formats/gif/ColorLookup.h"
#include "formats/gif/ColorQuantizer.h"
#include "formats/gif/Ditherers.h"
#include "platform/Bitmap.h"

namespace nox {

// The palette of a reduction method (1 to 9): system colours, halftone, 4 greys, black and white,
// 256 greys, the cube, an octree quantisation of `source` to 2^reductionBits colours (7) or to
// 236 colours between the system colours (8), a copy of `given` (9). Empty for other methods.
TPaletteEntries MakeReductionPalette(uint8_t reductionMethod, const TBitmap& source,
                                     std::span<const TRGBQuad> given, uint32_t reductionBits);

// Reduces `source` (not empty) to a new 8-bit picture: its colour table is the method's palette
// followed by black entries up to 256, its pixels the indices chosen by the look-up of the method
// and the ditherer of `ditherMode`. Method 0 gives a 24-bit copy of the source; an unknown method
// or mode, or a method whose palette has no entries, gives an empty picture. `source` itself is
// not changed.
//
// Errors: GIFException "Invalid image dimensions" for an empty source, EOutOfMemory "Failed to
// allocate memory for GIF DIB" when the 8-bit picture cannot be allocated.
std::unique_ptr<TBitmap> ReduceToPalette(const TBitmap& source, uint8_t reductionMethod, uint8_t ditherMode,
                                         std::span<const TRGBQuad> given, uint32_t reductionBits);

// Makes the 8-bit (or 24-bit) picture a reduction writes: `width` x `height` pixels of 0, and for
// 8 bits a colour table of `palette` followed by black entries up to 256.
// Errors: GIFException "Invalid image dimensions" for a width or height of 0 or less,
// "Unsupported PixelFormat" for any other depth, EOutOfMemory "Failed to allocate memory for
// GIF DIB".
std::unique_ptr<TBitmap> MakeIndexedPicture(int32_t width, int32_t height, int bitsPerPixel,
                                            std::span<const TRGBQuad> palette);

// Hands out the rows of any device bitmap as blue-green-red pixels, row 0 being the top row,
// without changing the bitmap: 24-bit rows and plain 32-bit rows (blue, green, red and a fourth
// byte) are handed out in place, others converted into a 24-bit buffer that the next call reuses.
class TDIBReader {
public:
    explicit TDIBReader(const TBitmap& source);
    // Row y; `pixelBytes` gets 3 or 4.
    const uint8_t* Row(int32_t y, int& pixelBytes);

private:
    const TBitmap& source_;
    std::vector<uint8_t> buffer_;
    std::vector<uint32_t> wide_;
};

// One reduction, row by row: the palette, look-up and ditherer that ReduceToPalette uses for
// methods 1 to 9, so that a caller can put the indices straight where it needs them (the GIF
// writer puts them into the frame) instead of into an intermediate picture.
class TPaletteReducer {
public:
    TPaletteReducer(const TBitmap& source, uint8_t reductionMethod, uint8_t ditherMode,
                    std::span<const TRGBQuad> given, uint32_t reductionBits);

    // False for method 0 (no palette), an unknown method or mode, or a palette without entries:
    // ReduceToPalette then gives a 24-bit copy or an empty picture.
    bool Valid() const { return ditherer_ != nullptr; }
    // The method's palette (the 8-bit picture's colour table before its black padding).
    const TPaletteEntries& Palette() const { return palette_; }
    // The indices of source row y (0 is the top row); rows are taken in order from the top.
    void Row(int32_t y, uint8_t* indices);

private:
    TDIBReader reader_;
    TPaletteEntries palette_;
    std::unique_ptr<TColorLookup> lookup_;
    std::unique_ptr<TDitherEngine> ditherer_;
};

}  // namespace nox
