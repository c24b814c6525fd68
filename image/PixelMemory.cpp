// Zeroed pixel memory for a buffer, from the platform's pixel allocator.
#include "image/PixelMemory.h"

#include <new>
#include <utility>

#include "image/Bitmap32.h"
#include "platform/Errors.h"
#include "platform/PixelAllocator.h"

namespace nox {

TPixelMemory::TPixelMemory(uint64_t count) {
    if (count == 0) return;
    if (count > SIZE_MAX / 2 / sizeof(TColor32)) throw Exception(msg::kDIBAllocate);
    const size_t bytes = static_cast<size_t>(count) * sizeof(TColor32);
    try {
        CheckAllocationSize(bytes);
        bits_ = static_cast<TColor32*>(AllocateZeroedPixels(bytes));
    } catch (const EOutOfMemory&) {
        throw Exception(msg::kDIBAllocate);
    } catch (const std::bad_alloc&) {
        throw Exception(msg::kDIBAllocate);
    }
    bytes_ = bytes;
}

TPixelMemory::TPixelMemory(TPixelMemory&& other) noexcept
    : bits_(std::exchange(other.bits_, nullptr)), bytes_(std::exchange(other.bytes_, 0)) {}

TPixelMemory& TPixelMemory::operator=(TPixelMemory&& other) noexcept {
    if (this != &other) {
        Release();
        bits_ = std::exchange(other.bits_, nullptr);
        bytes_ = std::exchange(other.bytes_, 0);
    }
    return *this;
}

void TPixelMemory::Release() {
    FreePixels(bits_, bytes_);
    bits_ = nullptr;
    bytes_ = 0;
}

}  // namespace nox
