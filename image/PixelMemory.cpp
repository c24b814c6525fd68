// Zeroed pixel memory: calloc for small pictures, an anonymous mapping aligned to 2 MB with
// transparent huge pages requested for large ones (their pages also arrive zeroed).
#include "image/PixelMemory.h"

#include <sys/mman.h>

#include <cstdlib>
#include <utility>

#include "image/Bitmap32.h"
#include "platform/Errors.h"

namespace nox {

namespace {

constexpr size_t kHugePage = size_t{2} << 20;
// Below this a block comes from calloc: mapping it would waste more than it saves.
constexpr size_t kMapThreshold = 4 * kHugePage;

}  // namespace

TPixelMemory::TPixelMemory(uint64_t count) {
    if (count == 0) return;
    if (count > (SIZE_MAX - kHugePage) / sizeof(TColor32)) throw Exception(msg::kDIBAllocate);
    const size_t bytes = static_cast<size_t>(count) * sizeof(TColor32);
    try {
        CheckAllocationSize(bytes);
    } catch (const EOutOfMemory&) {
        throw Exception(msg::kDIBAllocate);
    }
    if (bytes < kMapThreshold) {
        bits_ = static_cast<TColor32*>(std::calloc(static_cast<size_t>(count), sizeof(TColor32)));
        if (bits_ == nullptr) throw Exception(msg::kDIBAllocate);
        return;
    }
    // Map one huge page more than needed so that the pixels can start on a huge-page boundary.
    const size_t length = (bytes + kHugePage - 1) / kHugePage * kHugePage + kHugePage;
    void* mapped = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) throw Exception(msg::kDIBAllocate);
    const auto address = reinterpret_cast<uintptr_t>(mapped);
    const uintptr_t aligned = (address + kHugePage - 1) & ~uintptr_t{kHugePage - 1};
    // A refusal only costs speed: the memory is there either way.
    madvise(reinterpret_cast<void*>(aligned), length - (aligned - address), MADV_HUGEPAGE);
    mapped_ = mapped;
    mappedBytes_ = length;
    bits_ = reinterpret_cast<TColor32*>(aligned);
}

TPixelMemory::TPixelMemory(TPixelMemory&& other) noexcept
    : bits_(std::exchange(other.bits_, nullptr)),
      mapped_(std::exchange(other.mapped_, nullptr)),
      mappedBytes_(std::exchange(other.mappedBytes_, 0)) {}

TPixelMemory& TPixelMemory::operator=(TPixelMemory&& other) noexcept {
    if (this != &other) {
        Release();
        bits_ = std::exchange(other.bits_, nullptr);
        mapped_ = std::exchange(other.mapped_, nullptr);
        mappedBytes_ = std::exchange(other.mappedBytes_, 0);
    }
    return *this;
}

void TPixelMemory::Release() {
    if (mapped_ != nullptr) {
        munmap(mapped_, mappedBytes_);
    } else {
        std::free(bits_);
    }
    bits_ = nullptr;
    mapped_ = nullptr;
    mappedBytes_ = 0;
}

}  // namespace nox
