// The pixel memory of a buffer: zeroed, and for large pictures taken straight from the kernel with
// huge pages requested, because the first touches of fresh memory (one page fault per 4 KB page)
// otherwise cost far more than the operation that fills the pixels.
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
    void* mapped_ = nullptr;  // the mapping of a large block (bits_ lies inside it)
    size_t mappedBytes_ = 0;
};

}  // namespace nox
