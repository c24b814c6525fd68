// Small value types shared by every layer: rectangles and colour-table entries.
#pragma once

#include <cstdint>

namespace nox {

// A rectangle with exclusive right and bottom edges.
struct TRect {
    int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;

    constexpr int32_t Width() const { return Right - Left; }
    constexpr int32_t Height() const { return Bottom - Top; }
    constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    friend constexpr bool operator==(const TRect&, const TRect&) = default;
};

constexpr TRect Rect(int32_t left, int32_t top, int32_t right, int32_t bottom) { return {left, top, right, bottom}; }

// The intersection of two rectangles (empty, not necessarily normalised, when they do not meet).
constexpr TRect Intersect(const TRect& a, const TRect& b) {
    return {a.Left > b.Left ? a.Left : b.Left, a.Top > b.Top ? a.Top : b.Top,
            a.Right < b.Right ? a.Right : b.Right, a.Bottom < b.Bottom ? a.Bottom : b.Bottom};
}

// One colour-table entry as a BMP file and a device bitmap store it: blue, green, red, reserved.
struct TRGBQuad {
    uint8_t Blue = 0, Green = 0, Red = 0, Reserved = 0;
    friend constexpr bool operator==(const TRGBQuad&, const TRGBQuad&) = default;
};

constexpr TRGBQuad RGBQuad(uint8_t red, uint8_t green, uint8_t blue) { return {blue, green, red, 0}; }

}  // namespace nox
