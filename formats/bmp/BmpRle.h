// Run-length decoding of BMP pixel data (8-bit and 4-bit colour indices).
#pragma once

#include <cstdint>
#include <span>

#include "platform/Bitmap.h"

namespace nox::bmp {

// Decodes RLE8 (`bitmap` at 8 bits per pixel) or RLE4 (4 bits per pixel) data into `bitmap`, whose
// pixel memory is already sized and zeroed. The data describe the bottom row first. Runs, absolute
// runs and deltas that leave a row are clipped at its right edge, and decoding ends at the top of
// the picture, at an end-of-bitmap code or where the data end; nothing is written outside the
// picture and pixels never reached stay 0.
void DecodeRle(std::span<const uint8_t> data, TBitmap& bitmap);

}  // namespace nox::bmp
