// The GIF LZW decoder: turns a frame's code stream (the bytes of its data sub-blocks, joined) into
// colour indices in the order the codes give them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "platform/PixelAllocator.h"

namespace nox {

struct TLZWResult {
    size_t Pixels = 0;       // indices produced (at most the count asked for)
    bool EndCode = false;    // decoding met the end code
    bool Underrun = false;   // a code was asked for after every bit of the data was used
};

// Decodes `codes` (least significant bit first, LZW minimum code size `minCodeSize`) into at most
// `pixelCount` indices appended to `out`, which grows only as indices arrive. Decoding stops at
// the end code, at the end of the data or when `pixelCount` indices are there; after the last
// index one more code is read, so that data ending there is reported as an under-run.
// GIFException "Invalid GIF data" for a minimum code size above 11, "Circular decoder table entry"
// for a code whose prefix chain refers to itself or runs longer than the table.
TLZWResult DecodeLZW(std::span<const uint8_t> codes, int minCodeSize, size_t pixelCount, TPixelBytes& out);

// The most indices `codeBytes` bytes of codes can give: every code takes at least 1 bit and gives
// at most 4096 indices. Used to size the output before the data has proved anything.
inline unsigned long long MaxLZWPixels(size_t codeBytes) { return static_cast<unsigned long long>(codeBytes) * 8 * 4096; }

}  // namespace nox
