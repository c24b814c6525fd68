// TPNGImage, the PNG picture: a 32-bit device bitmap that reads and writes itself as PNG through
// libspng. Reading keeps every stored value (no gamma, colour profile or background applied) and
// the file's alpha, which a pane keeps; writing stores 8-bit truecolour without alpha, losslessly.
#pragma once

#include <span>
#include <string>

#include "platform/Bitmap.h"

namespace nox {

class TStream;

namespace pngmsg {
// A file libspng refuses: "Invalid PNG file (<libspng's reason>)."
inline constexpr const char* kInvalidPNG = "Invalid PNG file (%s).";
inline constexpr const char* kPNGImage = "PNG Image";
}  // namespace pngmsg

// Decodes a whole PNG file into `bitmap`: 32 bits per pixel, blue, green, red and alpha (255 where
// the file has no transparency), alpha defined. Every colour type and bit depth, interlaced or not;
// 16-bit samples give their high byte; of an animated PNG only the first image. The 1 GiB pixel cap
// applies before any allocation (EOutOfMemory); anything libspng refuses gives EInvalidGraphic
// "Invalid PNG file (<reason>).".
void ReadPng(std::span<const uint8_t> file, TBitmap& bitmap);

// Writes `bitmap` (any depth) as an 8-bit truecolour PNG without alpha at libspng's default
// deflate level and filter choice (all five filters, chosen per row as libpng chooses); nothing
// at all for an empty bitmap. Stream errors pass on.
void WritePng(const TBitmap& bitmap, TStream& stream);

class TPNGImage : public TBitmap {
public:
    const char* ClassName() const override { return "TPNGImage"; }

    // Reads a PNG from the stream's position to its end; a stream of 0 bytes gives an empty
    // picture. On failure the picture is empty.
    void LoadFromStream(TStream& stream) override;
    // Writes the picture as PNG (0 bytes when it is empty).
    void SaveToStream(TStream& stream) override;
};

// Registers "png" with the picture container and the clipboard's "PNG" format (image/png);
// calling it again does nothing.
void RegisterPNGFormat();
// The clipboard format number of "PNG".
unsigned CF_PNG();

}  // namespace nox
