// Zeroed pixel memory for a buffer, from the platform's pixel allocator.
#include "image/PixelMemory.h"

#include <new>

#include "image/Bitmap32.h"
#include "platform/Errors.h"

namespace nox {

TPixelMemory::TPixelMemory(uint64_t count) {
    if (count == 0) return;
    if (count > SIZE_MAX / 2 / sizeof(TColor32)) throw Exception(msg::kDIBAllocate);
    const size_t bytes = static_cast<size_t>(count) * sizeof(TColor32);
    try {
        CheckAllocationSize(bytes);
        block_ = TPixelBlock(bytes, TPixelBlock::TFill::Zero);
    } catch (const EOutOfMemory&) {
        throw Exception(msg::kDIBAllocate);
    } catch (const std::bad_alloc&) {
        throw Exception(msg::kDIBAllocate);
    }
}

}  // namespace nox
