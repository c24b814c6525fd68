// The eight settings of a JPEG picture (how it decodes and encodes) and the program-wide table of
// their defaults that every new TJPEGImage copies.
#pragma once

#include <cstdint>

namespace nox {

enum TJPEGPixelFormat { jf24Bit, jf8Bit };
enum TJPEGPerformance { jpBestQuality, jpBestSpeed };
enum TJPEGScale { jsFullSize, jsHalf, jsQuarter, jsEighth };

struct TJPEGSettings {
    bool Smoothing = true;
    bool Grayscale = false;
    TJPEGPixelFormat PixelFormat = jf24Bit;
    // Meant as 1 to 100; the library treats 0 as 1 and anything above 100 as 100.
    uint8_t CompressionQuality = 90;
    bool ProgressiveDisplay = false;
    bool ProgressiveEncoding = false;
    TJPEGPerformance Performance = jpBestQuality;
    TJPEGScale Scale = jsFullSize;
};

// The table every new TJPEGImage starts from; it lives for the whole run.
TJPEGSettings& JPEGDefaults();

// Sets the default output pixel format from the display's bits per pixel times its planes: 8-bit
// output on displays of 256 colours or fewer, 24-bit otherwise. Called once at start-up.
void SetJPEGDisplayDepth(int bitsPerPixelTimesPlanes);

// The denominator of a scale: 1, 2, 4 or 8.
constexpr unsigned ScaleDenominator(TJPEGScale scale) { return 1u << static_cast<unsigned>(scale); }

}  // namespace nox
