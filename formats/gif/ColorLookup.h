// The fixed palettes of the colour reduction and the colour look-ups that map a colour to a palette
// index: the 216-colour cube, 256 greys, black and white, and a cached nearest-colour search over
// any palette of up to 256 entries.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/Types.h"

namespace nox {

// A palette: entries in index order, at most 256 of them where a picture's table takes it.
using TPaletteEntries = std::vector<TRGBQuad>;

// The 216-colour palette: entry 36 r + 6 g + b is (51 r, 51 g, 51 b) for r, g, b from 0 to 5.
TPaletteEntries MakeCubePalette();
// The 20 static colours of a palette display (entries 0-9 and 246-255 of a system palette).
TPaletteEntries MakeSystemPalette();
// A fixed 256-entry halftone palette: the static colours at 0-9 and 246-255, the colour cube at
// 10-225 and 20 greys at 226-245.
TPaletteEntries MakeHalftonePalette();
// 4 greys: 0, 128, 192, 255.
TPaletteEntries MakeFourGrayPalette();
// 256 greys, entry i = (i, i, i).
TPaletteEntries MakeGrayPalette();
// Black, white.
TPaletteEntries MakeMonochromePalette();

// Maps a colour to a palette index.
class TColorLookup {
public:
    explicit TColorLookup(int colors) : colors_(colors) {}
    virtual ~TColorLookup() = default;
    TColorLookup(const TColorLookup&) = delete;
    TColorLookup& operator=(const TColorLookup&) = delete;

    int Colors() const { return colors_; }

    // The index for red, green and blue (0 to 255 each); `chosen` gets that entry's colour.
    virtual int NearestEntry(int red, int green, int blue, TRGBQuad& chosen) = 0;

    // Maps `width` pixels to indices, each on its own. Pixels are blue, green, red and, when
    // `pixelBytes` is 4, a fourth byte that plays no part. The look-ups whose answer is a formula
    // override it with a table-driven loop, so the plain reduction makes no virtual call per pixel.
    virtual void MapRow(const uint8_t* pixels, int pixelBytes, uint8_t* indices, int32_t width);

private:
    int colors_;
};

// The 216-colour cube. A channel's level is (value + 3) div 51, so the levels are not rounded to
// the nearest: 0-47 give 0, 48-98 give 1, ..., 252-255 give 5.
class TNetscapeColorLookup final : public TColorLookup {
public:
    TNetscapeColorLookup();
    int NearestEntry(int red, int green, int blue, TRGBQuad& chosen) override;
    void MapRow(const uint8_t* pixels, int pixelBytes, uint8_t* indices, int32_t width) override;

private:
    // The index share of each channel value: 36 x level, 6 x level and level.
    std::array<uint8_t, 256> red_{}, green_{}, blue_{};
};

// 256 greys: y = (77 red + 150 green + 29 blue) div 256.
class TGrayScaleLookup final : public TColorLookup {
public:
    TGrayScaleLookup() : TColorLookup(256) {}
    int NearestEntry(int red, int green, int blue, TRGBQuad& chosen) override;
    void MapRow(const uint8_t* pixels, int pixelBytes, uint8_t* indices, int32_t width) override;
};

// Black (0) and white (1): white when 77 red + 150 green + 29 blue is above 32512.
class TMonochromeLookup final : public TColorLookup {
public:
    TMonochromeLookup() : TColorLookup(2) {}
    int NearestEntry(int red, int green, int blue, TRGBQuad& chosen) override;
    void MapRow(const uint8_t* pixels, int pixelBytes, uint8_t* indices, int32_t width) override;
};

// The nearest entry of any palette (smallest sum of absolute channel differences, the lowest
// index among equals), cached per cell of the top 5 bits of each channel. Each entry first claims
// its own cell (the lowest index wins), and whichever colour first fills an empty cell decides it
// for every colour of that cell.
class TFastColorLookup final : public TColorLookup {
public:
    // Copies at most 256 entries of `palette`.
    explicit TFastColorLookup(std::span<const TRGBQuad> palette);
    int NearestEntry(int red, int green, int blue, TRGBQuad& chosen) override;

private:
    static int Cell(int red, int green, int blue) { return (blue >> 3) * 1024 + (green >> 3) * 32 + (red >> 3); }
    int Search(int red, int green, int blue) const;

    TPaletteEntries palette_;
    std::vector<int16_t> cache_;  // 32768 cells, -1 = not yet known
};

}  // namespace nox
