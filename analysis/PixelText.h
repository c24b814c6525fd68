// One pixel as text: the line noxsteg-cli's `pixel` prints and the Inspector shows under the mouse.
#pragma once

#include <cstdint>
#include <string>

#include "image/Color32.h"

namespace nox::analysis {

// "x=X y=Y r=R g=G b=B a=A bits=RRRRRRRR,GGGGGGGG,BBBBBBBB": decimal values, then the eight bits
// of red, green and blue, most significant first.
std::string PixelLine(int32_t x, int32_t y, TColor32 pixel);

// The value as hexadecimal, then each colour channel's value and bits, aligned for a fixed-width
// font: "#FF643201  r=100 01100100  g= 50 00110010  b=  1 00000001".
std::string PixelChannels(TColor32 pixel);

// The value as hexadecimal, "#AARRGGBB".
std::string PixelHex(TColor32 pixel);

// The eight bits of a channel value, most significant first ("01100100").
std::string Bits8(uint8_t value);

}  // namespace nox::analysis
