// The reduction's fixed palettes and colour look-ups.
#include "formats/gif/ColorLookup.h"

#include <cstdlib>
#include <cstring>

#include "platform/VectorCode.h"

namespace nox {

namespace {

// The first ten and last ten static colours of a palette display.
constexpr TRGBQuad kStaticLow[10] = {
    RGBQuad(0, 0, 0),       RGBQuad(128, 0, 0),     RGBQuad(0, 128, 0),   RGBQuad(128, 128, 0),
    RGBQuad(0, 0, 128),     RGBQuad(128, 0, 128),   RGBQuad(0, 128, 128), RGBQuad(192, 192, 192),
    RGBQuad(192, 220, 192), RGBQuad(166, 202, 240),
};
constexpr TRGBQuad kStaticHigh[10] = {
    RGBQuad(255, 251, 240), RGBQuad(160, 160, 164), RGBQuad(128, 128, 128), RGBQuad(255, 0, 0),
    RGBQuad(0, 255, 0),     RGBQuad(255, 255, 0),   RGBQuad(0, 0, 255),     RGBQuad(255, 0, 255),
    RGBQuad(0, 255, 255),   RGBQuad(255, 255, 255),
};

uint8_t Grey(int i) { return static_cast<uint8_t>(i); }

}  // namespace

TPaletteEntries MakeCubePalette() {
    TPaletteEntries palette;
    palette.reserve(216);
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                palette.push_back(RGBQuad(static_cast<uint8_t>(51 * r), static_cast<uint8_t>(51 * g),
                                          static_cast<uint8_t>(51 * b)));
    return palette;
}

TPaletteEntries MakeSystemPalette() {
    TPaletteEntries palette(std::begin(kStaticLow), std::end(kStaticLow));
    palette.insert(palette.end(), std::begin(kStaticHigh), std::end(kStaticHigh));
    return palette;
}

TPaletteEntries MakeHalftonePalette() {
    TPaletteEntries palette(std::begin(kStaticLow), std::end(kStaticLow));
    const TPaletteEntries cube = MakeCubePalette();
    palette.insert(palette.end(), cube.begin(), cube.end());
    // 20 greys strictly between black and white, evenly spaced (12, 24, ..., 240).
    for (int i = 1; i <= 20; ++i) palette.push_back(RGBQuad(Grey(12 * i), Grey(12 * i), Grey(12 * i)));
    palette.insert(palette.end(), std::begin(kStaticHigh), std::end(kStaticHigh));
    return palette;
}

TPaletteEntries MakeFourGrayPalette() {
    return {RGBQuad(0, 0, 0), RGBQuad(128, 128, 128), RGBQuad(192, 192, 192), RGBQuad(255, 255, 255)};
}

TPaletteEntries MakeGrayPalette() {
    TPaletteEntries palette;
    palette.reserve(256);
    for (int i = 0; i < 256; ++i) palette.push_back(RGBQuad(Grey(i), Grey(i), Grey(i)));
    return palette;
}

TPaletteEntries MakeMonochromePalette() { return {RGBQuad(0, 0, 0), RGBQuad(255, 255, 255)}; }

// ---- TColorLookup ------------------------------------------------------------------------------

void TColorLookup::MapRow(const uint8_t* pixels, int pixelBytes, uint8_t* indices, int32_t width) {
    TRGBQuad chosen;
    for (int32_t x = 0; x < width; ++x, pixels += pixelBytes)
        indices[x] = static_cast<uint8_t>(NearestEntry(pixels[2], pixels[1], pixels[0], chosen));
}

namespace {

// A row loop with the pixel size fixed at compile time, so the common 3- and 4-byte rows run
// without a multiplication per pixel.
template <typename Map>
void ForEachPixel(const uint8_t* pixels, int pixelBytes, uint8_t* indices, int32_t width, Map map) {
    if (pixelBytes == 4) {
        for (int32_t x = 0; x < width; ++x, pixels += 4) indices[x] = map(pixels);
    } else {
        for (int32_t x = 0; x < width; ++x, pixels += 3) indices[x] = map(pixels);
    }
}

}  // namespace

// ---- TNetscapeColorLookup ------------------------------------------------------------------------

TNetscapeColorLookup::TNetscapeColorLookup() : TColorLookup(216) {
    for (int v = 0; v < 256; ++v) {
        const int level = (v + 3) / 51;
        red_[v] = static_cast<uint8_t>(36 * level);
        green_[v] = static_cast<uint8_t>(6 * level);
        blue_[v] = static_cast<uint8_t>(level);
    }
}

int TNetscapeColorLookup::NearestEntry(int red, int green, int blue, TRGBQuad& chosen) {
    const int r = (red + 3) / 51, g = (green + 3) / 51, b = (blue + 3) / 51;
    chosen = RGBQuad(static_cast<uint8_t>(51 * r), static_cast<uint8_t>(51 * g), static_cast<uint8_t>(51 * b));
    return 36 * r + 6 * g + b;
}

#if NOX_SSE2
namespace {

// Cube indices of 16 four-byte pixels at a time. A channel's level (v + 3) div 51 equals
// ((v + 3) x 1286) >> 16 for every byte value, one multiplication of 16-bit lanes; the index
// 36 red + 6 green + blue is then a multiply-add of neighbouring lanes. Returns the pixels done.
int32_t MapCubeRow32(const uint8_t* pixels, uint8_t* indices, int32_t width) {
    const __m128i lowBytes = _mm_set1_epi16(0x00FF), three = _mm_set1_epi16(3), scale = _mm_set1_epi16(1286);
    // Lanes of a pixel: blue and red in the low bytes, green and the fourth byte in the high ones.
    const __m128i blueRed = _mm_set1_epi32(36 << 16 | 1), greenNone = _mm_set1_epi32(6);
    const auto four = [&](const uint8_t* at) {
        __m128i v;
        std::memcpy(&v, at, sizeof v);
        const __m128i low = _mm_mulhi_epu16(_mm_add_epi16(_mm_and_si128(v, lowBytes), three), scale);
        const __m128i high = _mm_mulhi_epu16(_mm_add_epi16(_mm_srli_epi16(v, 8), three), scale);
        return _mm_add_epi32(_mm_madd_epi16(low, blueRed), _mm_madd_epi16(high, greenNone));
    };
    int32_t x = 0;
    for (; x + 16 <= width; x += 16, pixels += 64) {
        const __m128i first = _mm_packs_epi32(four(pixels), four(pixels + 16));
        const __m128i second = _mm_packs_epi32(four(pixels + 32), four(pixels + 48));
        const __m128i bytes = _mm_packus_epi16(first, second);
        std::memcpy(indices + x, &bytes, sizeof bytes);
    }
    return x;
}

}  // namespace
#endif

void TNetscapeColorLookup::MapRow(const uint8_t* pixels, int pixelBytes, uint8_t* indices, int32_t width) {
    int32_t done = 0;
#if NOX_SSE2
    if (pixelBytes == 4) done = MapCubeRow32(pixels, indices, width);
#endif
    ForEachPixel(pixels + static_cast<size_t>(done) * static_cast<size_t>(pixelBytes), pixelBytes, indices + done,
                 width - done,
                 [this](const uint8_t* p) { return static_cast<uint8_t>(blue_[p[0]] + green_[p[1]] + red_[p[2]]); });
}

// ---- TGrayScaleLookup ----------------------------------------------------------------------------

int TGrayScaleLookup::NearestEntry(int red, int green, int blue, TRGBQuad& chosen) {
    const int y = (77 * red + 150 * green + 29 * blue) / 256;
    chosen = RGBQuad(Grey(y), Grey(y), Grey(y));
    return y;
}

void TGrayScaleLookup::MapRow(const uint8_t* pixels, int pixelBytes, uint8_t* indices, int32_t width) {
    ForEachPixel(pixels, pixelBytes, indices, width,
                 [](const uint8_t* p) { return static_cast<uint8_t>((77 * p[2] + 150 * p[1] + 29 * p[0]) >> 8); });
}

// ---- TMonochromeLookup ---------------------------------------------------------------------------

int TMonochromeLookup::NearestEntry(int red, int green, int blue, TRGBQuad& chosen) {
    if (77 * red + 150 * green + 29 * blue > 32512) {
        chosen = RGBQuad(255, 255, 255);
        return 1;
    }
    chosen = RGBQuad(0, 0, 0);
    return 0;
}

void TMonochromeLookup::MapRow(const uint8_t* pixels, int pixelBytes, uint8_t* indices, int32_t width) {
    ForEachPixel(pixels, pixelBytes, indices, width,
                 [](const uint8_t* p) { return static_cast<uint8_t>(77 * p[2] + 150 * p[1] + 29 * p[0] > 32512 ? 1 : 0); });
}

// ---- TFastColorLookup ----------------------------------------------------------------------------

TFastColorLookup::TFastColorLookup(std::span<const TRGBQuad> palette)
    : TColorLookup(static_cast<int>(palette.size() < 256 ? palette.size() : 256)),
      palette_(palette.begin(), palette.begin() + Colors()),
      cache_(32768, -1) {
    for (size_t i = 0; i < palette_.size(); ++i) {
        int16_t& cell = cache_[static_cast<size_t>(Cell(palette_[i].Red, palette_[i].Green, palette_[i].Blue))];
        if (cell == -1) cell = static_cast<int16_t>(i);
    }
}

int TFastColorLookup::Search(int red, int green, int blue) const {
    int best = 0;
    int bestDistance = 0x7FFFFFFF;
    for (size_t i = 0; i < palette_.size(); ++i) {
        const TRGBQuad& e = palette_[i];
        const int d = std::abs(e.Red - red) + std::abs(e.Green - green) + std::abs(e.Blue - blue);
        if (d < bestDistance) {
            bestDistance = d;
            best = static_cast<int>(i);
        }
    }
    return best;
}

int TFastColorLookup::NearestEntry(int red, int green, int blue, TRGBQuad& chosen) {
    if (palette_.empty()) {  // nothing to choose from: black, index 0
        chosen = TRGBQuad{};
        return 0;
    }
    int16_t& cell = cache_[static_cast<size_t>(Cell(red, green, blue))];
    if (cell == -1) cell = static_cast<int16_t>(Search(red, green, blue));
    chosen = palette_[static_cast<size_t>(cell)];
    return cell;
}

}  // namespace nox
