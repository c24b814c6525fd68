// Zeroed pixel memory: calloc below a few huge pages, an anonymous mapping with huge pages above.
#include "platform/PixelAllocator.h"

#include <sys/mman.h>

#include <cstdint>
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
    if (bytes > static_cast<size_t>(-1) - 2 * kHugePage) throw std::bad_alloc();
    // Map one huge page more than needed and give back the slack on both sides, so that the block
    // starts on a huge-page boundary and can be backed by huge pages from its first byte.
    const size_t length = MappedLength(bytes);
    void* mapped = mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) throw std::bad_alloc();
    auto* base = static_cast<char*>(mapped);
    const auto address = reinterpret_cast<uintptr_t>(base);
    char* block = base + (((address + kHugePage - 1) & ~uintptr_t{kHugePage - 1}) - address);
    if (block != base) munmap(base, static_cast<size_t>(block - base));
    if (block + length != base + length + kHugePage)
        munmap(block + length, static_cast<size_t>(base + length + kHugePage - (block + length)));
    // A refusal only costs speed: the memory is there either way.
    madvise(block, length, MADV_HUGEPAGE);
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
