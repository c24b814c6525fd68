// Memory for pixels, zeroed or not: the C heap for small blocks, and for large ones an
// anonymous mapping with transparent huge pages requested, because the first touch of fresh memory
// (one page fault per 4 KB page) otherwise costs many times more than filling the pixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>
#include <vector>

namespace nox {

// `bytes` zeroed bytes; std::bad_alloc when they cannot be had.
void* AllocateZeroedPixels(size_t bytes);
// Releases a block of AllocateZeroedPixels with the size it was asked for.
void FreePixels(void* block, size_t bytes) noexcept;

// A standard allocator over that memory. Value-initialisation does nothing, since the memory is
// already zero: a vector resized to n elements costs no pass over them.
template <class T>
struct TZeroedAllocator {
    using value_type = T;

    TZeroedAllocator() = default;
    template <class U>
    TZeroedAllocator(const TZeroedAllocator<U>&) noexcept {}

    T* allocate(size_t n) {
        if (n > static_cast<size_t>(-1) / sizeof(T)) throw std::bad_alloc();
        return static_cast<T*>(AllocateZeroedPixels(n * sizeof(T)));
    }
    void deallocate(T* p, size_t n) noexcept { FreePixels(p, n * sizeof(T)); }

    template <class U>
    void construct(U*) noexcept {}
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }

    template <class U>
    friend bool operator==(const TZeroedAllocator&, const TZeroedAllocator<U>&) noexcept {
        return true;
    }
};

// Bytes of pixels (GIF frames) in that memory. Growing one with resize(n) gives
// zero bytes only where it has never held values: shrunk and grown again within its capacity, it
// shows its old bytes, so such code gives the fill value explicitly.
using TPixelBytes = std::vector<uint8_t, TZeroedAllocator<uint8_t>>;

// Pixel bytes in that memory, owned (device bitmaps, pixel buffers); a copy has bytes of its own.
class TPixelBlock {
public:
    // Uncleared bytes have unspecified values (where the memory is reused, what it last held): for
    // a caller that writes every byte before reading one, since clearing a large block costs as
    // much as filling it.
    enum class TFill { Zero, Uncleared };

    TPixelBlock() = default;
    // std::bad_alloc when the bytes cannot be had.
    TPixelBlock(size_t bytes, TFill fill);
    ~TPixelBlock() { FreePixels(bytes_, size_); }
    TPixelBlock(const TPixelBlock& other);
    TPixelBlock& operator=(const TPixelBlock& other);
    TPixelBlock(TPixelBlock&& other) noexcept
        : bytes_(std::exchange(other.bytes_, nullptr)), size_(std::exchange(other.size_, 0)) {}
    TPixelBlock& operator=(TPixelBlock&& other) noexcept {
        if (this != &other) {
            FreePixels(bytes_, size_);
            bytes_ = std::exchange(other.bytes_, nullptr);
            size_ = std::exchange(other.size_, 0);
        }
        return *this;
    }

    uint8_t* data() { return bytes_; }
    const uint8_t* data() const { return bytes_; }
    size_t size() const { return size_; }

private:
    uint8_t* bytes_ = nullptr;
    size_t size_ = 0;
};

}  // namespace nox
