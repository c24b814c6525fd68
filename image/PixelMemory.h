// The pixel memory of a buffer: zeroed memory from the platform's pixel allocator (huge pages for
// large pictures), owned, with the buffer's own allocation error.
#pragma once

#include <cstddef>
#include <cstdint>

#include "image/Color32.h"

namespace nox {

class TPixelMemory {
public:
    TPixelMemory() = default;
    // `count` zeroed pixels; Exception "Can't allocate the DIB handle" when they cannot be had.
    explicit TPixelMemory(uint64_t count);
    ~TPixelMemory() { Release(); }
    TPixelMemory(TPixelMemory&& other) noexcept;
    TPixelMemory& operator=(TPixelMemory&& other) noexcept;
    TPixelMemory(const TPixelMemory&) = delete;
    TPixelMemory& operator=(const TPixelMemory&) = delete;

    TColor32* Bits() const { return bits_; }
    void Release();

private:
    TColor32* bits_ = nullptr;
    size_t bytes_ = 0;
};

}  // namespace nox
