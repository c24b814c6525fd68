// The pixel memory of a buffer: zeroed memory from the platform's pixel allocator (huge pages for
// large pictures), owned, with the buffer's own allocation error.
#pragma once

#include <cstddef>
#include <cstdint>

#include "image/Color32.h"
#include "platform/PixelAllocator.h"

namespace nox {

class TPixelMemory {
public:
    TPixelMemory() = default;
    // `count` zeroed pixels; Exception "Can't allocate the DIB handle" when they cannot be had.
    explicit TPixelMemory(uint64_t count);
    TPixelMemory(TPixelMemory&&) noexcept = default;
    TPixelMemory& operator=(TPixelMemory&&) noexcept = default;
    TPixelMemory(const TPixelMemory&) = delete;
    TPixelMemory& operator=(const TPixelMemory&) = delete;

    // The buffer hands its pixels out for writing from its const members too, as it always has.
    TColor32* Bits() const { return reinterpret_cast<TColor32*>(const_cast<uint8_t*>(block_.data())); }
    void Release() { block_ = TPixelBlock(); }

private:
    TPixelBlock block_;
};

}  // namespace nox
