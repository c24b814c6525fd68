// Zeroed pixel memory: calloc below a few huge pages, an anonymous mapping with huge pages above.
#include "platform/PixelAllocator.h"

#include <sys/mman.h>

#include <cstdlib>

namespace nox {

namespace {

constexpr size_t kHugePage = size_t{2} << 20;
// Below this a block comes from calloc: mapping it would waste more than it saves.
constexpr size_t kMapThreshold = 4 * kHugePage;

size_t MappedLength(size_t bytes) { return (bytes + kHugePage - 1) / kHugePage * kHugePage; }

}  // namespace

void* AllocateZeroedPixels(size_t bytes) {
    if (bytes < kMapThreshold) {
        void* block = std::calloc(bytes == 0 ? 1 : bytes, 1);
        if (block == nullptr) throw std::bad_alloc();
        return block;
    }
    if (bytes > static_cast<size_t>(-1) - kHugePage) throw std::bad_alloc();
    void* block = mmap(nullptr, MappedLength(bytes), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) throw std::bad_alloc();
    // A refusal only costs speed: the memory is there either way.
    madvise(block, MappedLength(bytes), MADV_HUGEPAGE);
    return block;
}

void FreePixels(void* block, size_t bytes) noexcept {
    if (block == nullptr) return;
    if (bytes < kMapThreshold) {
        std::free(block);
    } else {
        munmap(block, MappedLength(bytes));
    }
}

}  // namespace nox
