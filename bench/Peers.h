// The other libraries our codecs are measured against, called directly: libjpeg-turbo, giflib,
// libpng and stb_image. They are linked into the benchmark program only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace nox::bench {

// libjpeg-turbo with the library's defaults, blue-green-red pixels (JCS_EXT_BGR), baseline JFIF.
std::vector<uint8_t> JpegEncode(const uint8_t* bgr, size_t rowBytes, int width, int height, int quality);
// Decodes into `out` (3 bytes per pixel, rows padded to 4 bytes); returns the width x height.
void JpegDecode(const std::vector<uint8_t>& file, std::vector<uint8_t>& out, int& width, int& height);

// giflib: one frame of width x height indices with a global table of `colours` red-green-blue
// triples (padded to a power of two), written with EGifPutLine row by row.
std::vector<uint8_t> GifEncode(const uint8_t* indices, int width, int height, const std::vector<uint8_t>& rgb);
// giflib's DGifSlurp over the bytes; returns the first frame's pixel count.
size_t GifSlurp(const std::vector<uint8_t>& file);

// libpng's write API: 8-bit truecolour from 32-bit blue-green-red-x rows (libpng swaps and drops
// the fourth byte), deflate level 6 and all five filters chosen per row, as libspng's defaults.
std::vector<uint8_t> PngEncode(const uint32_t* pixels, int width, int height);
// libpng's simplified API: decodes into `out` as blue-green-red-alpha; returns the pixel count.
size_t PngDecode(const std::vector<uint8_t>& file, std::vector<uint8_t>& out);

// stb_image: decodes a BMP, GIF or PNG (first frame) from memory into 4 bytes per pixel; returns the
// pixel count (0 on failure).
size_t StbDecode(const std::vector<uint8_t>& file);
size_t StbDecodeFile(const char* path);

}  // namespace nox::bench
