// A second place that an opaque draw writes too: the window's own image while a pane repaints its
// back buffer. Each pixel then goes from the register that sampled it to both places, instead of to
// the back buffer only and from there, read back from memory, to the window.
#pragma once

#include <cstddef>
#include <cstdint>

#include "image/Color32.h"
#include "platform/Types.h"

namespace nox {

struct TPixelMirror {
    // The second place's pixel for destination pixel (Area.Left, Area.Top), and the bytes from one
    // of its rows to the next (32-bit pixels, any 4-byte alignment).
    uint8_t* Bits = nullptr;
    ptrdiff_t Stride = 0;
    // The destination pixels that may be written to the second place too; no other.
    TRect Area;
    // Set by the draw: the destination pixels it wrote to both places (empty when none).
    TRect Mirrored;

    // The second place's pixel for destination pixel (x, y) of Area.
    TColor32* At(int32_t x, int32_t y) const {
        return reinterpret_cast<TColor32*>(Bits + (y - Area.Top) * Stride + ptrdiff_t{x - Area.Left} * 4);
    }
};

}  // namespace nox
