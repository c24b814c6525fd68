// Pixel memory: the C heap below a few huge pages, an anonymous mapping with huge pages above.
// The large block freed last is kept until the next large allocation: a buffer that is emptied and
// then sized again (every combining operation does this to the Right pane; every picture read
// frees the device bitmap it read into, and the next read wants one of the same size) gets the
// same memory back, cleared in user space at memory speed (or not at all, for a reader that
// writes every byte), instead of a fresh mapping whose first touch the kernel clears page by page.
// A block of another size ends the keeping first, so that the kept block never adds to the peak
// memory of a sequence of allocations.
#include "platform/PixelAllocator.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <utility>

namespace nox {

namespace {

constexpr size_t kHugePage = size_t{2} << 20;
// Below this a block comes from calloc: mapping it would waste more than it saves.
constexpr size_t kMapThreshold = 4 * kHugePage;

size_t MappedLength(size_t bytes) { return (bytes + kHugePage - 1) / kHugePage * kHugePage; }

// The kept block and its mapped length.
struct TKeptBlock {
    void* Block = nullptr;
    size_t Length = 0;
};
std::mutex keptMutex;
TKeptBlock kept;

TKeptBlock TakeKept() {
    std::lock_guard lock(keptMutex);
    return std::exchange(kept, TKeptBlock{});
}

// `bytes` bytes, zeroed when `zeroed`.
void* AllocatePixels(size_t bytes, bool zeroed) {
    if (bytes < kMapThreshold) {
        void* block = zeroed ? std::calloc(bytes == 0 ? 1 : bytes, 1) : std::malloc(bytes == 0 ? 1 : bytes);
        if (block == nullptr) throw std::bad_alloc();
        return block;
    }
    if (bytes > static_cast<size_t>(-1) - 2 * kHugePage) throw std::bad_alloc();
    const size_t length = MappedLength(bytes);
    if (const TKeptBlock previous = TakeKept(); previous.Block != nullptr) {
        if (previous.Length == length) {
            if (zeroed) std::memset(previous.Block, 0, bytes);
            return previous.Block;
        }
        munmap(previous.Block, previous.Length);
    }
    // Map one huge page more than needed and give back the slack on both sides, so that the block
    // starts on a huge-page boundary and can be backed by huge pages from its first byte.
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

}  // namespace

void* AllocateZeroedPixels(size_t bytes) { return AllocatePixels(bytes, true); }

void FreePixels(void* block, size_t bytes) noexcept {
    if (block == nullptr) return;
    if (bytes < kMapThreshold) {
        std::free(block);
        return;
    }
    TKeptBlock previous;
    {
        std::lock_guard lock(keptMutex);
        previous = std::exchange(kept, TKeptBlock{block, MappedLength(bytes)});
    }
    if (previous.Block != nullptr) munmap(previous.Block, previous.Length);
}

TPixelBlock::TPixelBlock(size_t bytes, TFill fill)
    : bytes_(static_cast<uint8_t*>(AllocatePixels(bytes, fill == TFill::Zero))), size_(bytes) {}

TPixelBlock::TPixelBlock(const TPixelBlock& other) : TPixelBlock(other.size_, TFill::Uncleared) {
    if (size_ != 0) std::memcpy(bytes_, other.bytes_, size_);
}

TPixelBlock& TPixelBlock::operator=(const TPixelBlock& other) {
    if (this != &other) *this = TPixelBlock(other);
    return *this;
}

}  // namespace nox
