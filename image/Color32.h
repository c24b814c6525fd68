// TColor32, the pixel value of the pixel buffer (0xAARRGGBB, in memory blue, green, red, alpha),
// and the conversion of a platform colour (0x00BBGGRR or a system colour) to it.
#pragma once

#include <cstdint>

namespace nox {

using TColor32 = uint32_t;

// A platform colour: 0x00BBGGRR, or a system colour (high byte 0xFF or 0x80, low byte the
// system colour's index, as clBtnFace = 0xFF00000F).
using TColor = int32_t;

inline constexpr TColor32 clBlack32 = 0xFF000000;
inline constexpr TColor32 clWhite32 = 0xFFFFFFFF;

// The platform colour as a pixel: a system colour is first resolved to its current red-green-blue
// value, then the bytes move to 0xFFRRGGBB. Alpha is always 0xFF.
TColor32 Color32(TColor color);

// The 0x00BBGGRR value of a system colour index in the standard desktop scheme (black for an
// unknown index).
TColor SystemColorRGB(uint32_t index);

constexpr uint8_t AlphaComponent(TColor32 c) { return static_cast<uint8_t>(c >> 24); }
constexpr uint8_t RedComponent(TColor32 c) { return static_cast<uint8_t>(c >> 16); }
constexpr uint8_t GreenComponent(TColor32 c) { return static_cast<uint8_t>(c >> 8); }
constexpr uint8_t BlueComponent(TColor32 c) { return static_cast<uint8_t>(c); }

constexpr TColor32 Color32(uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha = 0xFF) {
    return (TColor32{alpha} << 24) | (TColor32{red} << 16) | (TColor32{green} << 8) | blue;
}

}  // namespace nox
