// Platform colours to pixels, with the standard scheme's values for the system colours.
#include "image/Color32.h"

#include <array>

namespace nox {

namespace {

constexpr TColor RGB(uint8_t r, uint8_t g, uint8_t b) {
    return static_cast<TColor>(uint32_t{r} | (uint32_t{g} << 8) | (uint32_t{b} << 16));
}

// Indexes 0 (scroll bar) to 30 (menu bar) of the classic desktop scheme.
constexpr std::array<TColor, 31> kSystemColors = {
    RGB(212, 208, 200), RGB(58, 110, 165),  RGB(10, 36, 106),   RGB(128, 128, 128), RGB(212, 208, 200),
    RGB(255, 255, 255), RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(255, 255, 255),
    RGB(212, 208, 200), RGB(212, 208, 200), RGB(128, 128, 128), RGB(10, 36, 106),   RGB(255, 255, 255),
    RGB(212, 208, 200), RGB(128, 128, 128), RGB(128, 128, 128), RGB(0, 0, 0),       RGB(212, 208, 200),
    RGB(255, 255, 255), RGB(64, 64, 64),    RGB(212, 208, 200), RGB(0, 0, 0),       RGB(255, 255, 225),
    RGB(181, 181, 181), RGB(0, 0, 128),     RGB(166, 202, 240), RGB(192, 192, 192), RGB(49, 106, 197),
    RGB(236, 233, 216),
};

}  // namespace

TColor SystemColorRGB(uint32_t index) { return index < kSystemColors.size() ? kSystemColors[index] : 0; }

TColor32 Color32(TColor color) {
    // A negative colour is a system colour; its low byte is the index.
    const uint32_t rgb = static_cast<uint32_t>(color < 0 ? SystemColorRGB(static_cast<uint32_t>(color) & 0xFF) : color);
    return 0xFF000000u | ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
}

}  // namespace nox
