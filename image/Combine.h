// The hiding operations: the pixel-by-pixel combinations of the Left and Middle buffers into the
// Right buffer, and the Blacken and Whiten fills of one buffer.
#pragma once

#include <cstdint>

#include "image/Bitmap32.h"

namespace nox {

// White as the operations write it (no alpha), and black.
inline constexpr TColor32 kWhite = 0x00FFFFFF;
inline constexpr TColor32 kBlack = 0x00000000;

struct TChannels {
    int32_t Red, Green, Blue;
    friend constexpr bool operator==(const TChannels&, const TChannels&) = default;
};

// The colour channels of a pixel, each 0 to 255; alpha is dropped.
constexpr TChannels SplitChannels(TColor32 pixel) {
    return {static_cast<int32_t>((pixel >> 16) & 0xFF), static_cast<int32_t>((pixel >> 8) & 0xFF),
            static_cast<int32_t>(pixel & 0xFF)};
}

// blue + green * 256 + red * 65536 in 32-bit wrap-around arithmetic: channels are neither masked
// nor clamped, so one below 0 or above 255 borrows from or carries into the byte above it.
constexpr TColor32 PackChannels(int32_t red, int32_t green, int32_t blue) {
    return static_cast<uint32_t>(blue) + static_cast<uint32_t>(green) * 256u + static_cast<uint32_t>(red) * 65536u;
}

// Red, green and blue all 255; alpha does not count.
constexpr bool IsPureWhite(TColor32 pixel) { return (pixel & 0x00FFFFFF) == 0x00FFFFFF; }

// Right := Left - Middle channel by channel (wrapping), on the common top-left rectangle.
void Subtract(TBitmap32& left, TBitmap32& middle, TBitmap32& right);
// Right := Left + Middle channel by channel, each sum at most 255.
void Add(TBitmap32& left, TBitmap32& middle, TBitmap32& right);
// Right := Left with every channel below 255 raised by 1 where Middle is pure white (alpha 0
// there); elsewhere the Left pixel unchanged, alpha included.
void AddBit(TBitmap32& left, TBitmap32& middle, TBitmap32& right);
// Right := Left with bit 0 of every channel cleared where Middle is pure white and set elsewhere.
void SetLSBs(TBitmap32& left, TBitmap32& middle, TBitmap32& right);
// Right (Left's size) := white where every Left channel is even, black elsewhere; Middle must
// merely be present.
void ShowLSBs(TBitmap32& left, TBitmap32& middle, TBitmap32& right);
// Every pixel := 0 / 0x00FFFFFF; the size stays and nothing is notified.
void Blacken(TBitmap32& buffer);
void Whiten(TBitmap32& buffer);

}  // namespace nox
