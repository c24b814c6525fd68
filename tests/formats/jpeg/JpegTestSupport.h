// Helpers for the JPEG tests: pictures made in the test, the public corpus, a pane-like 32-bit
// surface to draw into, markers of a JPEG file, and libjpeg called directly as the reference.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <cstdio>
#include <jpeglib.h>

#include "formats/jpeg/JpegImage.h"
#include "platform/Bitmap.h"

namespace nox::testing {

// A picture of `bits` (24 or 32) per pixel filled by `colour(x, y)` = 0xAARRGGBB (alpha only kept
// at 32 bits).
TBitmap MakeBitmap(int32_t width, int32_t height, int bits, const std::function<uint32_t(int32_t, int32_t)>& colour);
// A smooth photo-like pattern (gradients and a few edges) that exercises every channel.
uint32_t Pattern(int32_t x, int32_t y);

// The bytes of a corpus file (jpeg/<name>).
std::vector<uint8_t> CorpusBytes(const std::string& name);

// The bytes of saving `picture` through a TJPEGImage at `quality` (other settings default).
std::vector<uint8_t> SaveAsJpeg(const TBitmap& picture, int quality, const std::function<void(TJPEGImage&)>& tweak = {});

// What a pane shows: the picture drawn at its own size into a 32-bit surface that starts filled
// with `fill`; one 0xAARRGGBB value per pixel, the top row first.
struct Surface {
    int32_t width = 0, height = 0;
    std::vector<uint32_t> pixels;
};
Surface DrawToSurface(TJPEGImage& image, uint32_t fill = 0);

// A picture loaded from `bytes` (through a memory stream).
void LoadBytes(TJPEGImage& image, const std::vector<uint8_t>& bytes);

// One marker segment of a JPEG file.
struct Segment {
    uint8_t marker = 0;
    std::vector<uint8_t> payload;  // after the length field
};
// The marker segments before the first scan's data (SOS included).
std::vector<Segment> HeaderSegments(const std::vector<uint8_t>& file);
// The quantisation tables of a file, each as 64 values in file (zigzag) order.
std::vector<std::vector<uint16_t>> QuantTables(const std::vector<uint8_t>& file);

// libjpeg's own decoding of `bytes` with its memory source and red-first output, after `setup` has
// adjusted the decompressor: one 0x00RRGGBB value per pixel (palette looked up when quantising).
Surface ReferenceDecode(const std::vector<uint8_t>& bytes, const std::function<void(jpeg_decompress_struct&)>& setup = {});

// libjpeg's own encoding of a 24-bit picture with its memory destination and red-first input
// (the rows swapped here), quality `quality` with forced baseline, after `setup`.
std::vector<uint8_t> ReferenceEncode(const TBitmap& picture24, int quality,
                                     const std::function<void(jpeg_compress_struct&)>& setup = {});

}  // namespace nox::testing
