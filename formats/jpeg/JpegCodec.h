// Decoding JPEG bytes into a device bitmap and encoding a device bitmap into JPEG bytes through
// libjpeg, with a picture's settings applied. Every library error is thrown as EJPEG.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "formats/jpeg/JpegSettings.h"
#include "platform/Bitmap.h"

namespace nox::jpeg {

struct Header {
    int32_t Width = 0;
    int32_t Height = 0;
    bool Grayscale = false;      // the file's colour space is greyscale
    bool MultipleScans = false;  // progressive (or otherwise multi-scan) file
};

// Reads the header of a file (an image is required).
Header ReadHeader(std::span<const uint8_t> bytes);

// The picture size the library gives at `scale`.
void ScaledSize(std::span<const uint8_t> bytes, TJPEGScale scale, int32_t& width, int32_t& height);

// Decodes the whole file with `settings`: a 24-bit blue-green-red picture, or an 8-bit one with
// the quantiser's palette when the output is 8-bit or greyscale. `palette`, when given and not
// empty, becomes the colour map of 8-bit colour output. `picture` is filled in place (a device
// bitmap cannot be moved without a copy).
void Decode(std::span<const uint8_t> bytes, const TJPEGSettings& settings, const std::vector<TRGBQuad>* palette,
            TBitmap& picture);

// Encodes `picture` (any pixel format) with the quality, greyscale and progressive settings.
// An empty picture gives no bytes.
std::vector<uint8_t> Encode(const TBitmap& picture, const TJPEGSettings& settings);

}  // namespace nox::jpeg
