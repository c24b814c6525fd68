// The pixel allocator hands out zeroed memory whatever the block it reuses held before.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/PixelAllocator.h"

namespace nox {
namespace {

bool AllZero(const void* block, size_t bytes) {
    const auto* p = static_cast<const uint8_t*>(block);
    return std::all_of(p, p + bytes, [](uint8_t b) { return b == 0; });
}

struct SizesCase {
    size_t First, Second;
};

class PixelAllocatorReuse : public ::testing::TestWithParam<SizesCase> {};

// A block is filled and freed, then another is asked for: small blocks (calloc), large blocks of
// the same mapped length (the kept block comes back), of a slightly smaller size inside the same
// mapped length (the kept block comes back with bytes beyond the new size written before), and
// of another length (a fresh mapping).
TEST_P(PixelAllocatorReuse, EveryBlockStartsZeroed) {
    const SizesCase c = GetParam();
    void* first = AllocateZeroedPixels(c.First);
    ASSERT_TRUE(AllZero(first, c.First));
    std::memset(first, 0xA5, c.First);
    FreePixels(first, c.First);

    void* second = AllocateZeroedPixels(c.Second);
    EXPECT_TRUE(AllZero(second, c.Second));
    std::memset(second, 0x5A, c.Second);
    FreePixels(second, c.Second);

    void* third = AllocateZeroedPixels(c.First);
    EXPECT_TRUE(AllZero(third, c.First));
    FreePixels(third, c.First);
}

constexpr size_t kMiB = size_t{1} << 20;

INSTANTIATE_TEST_SUITE_P(Sizes, PixelAllocatorReuse,
                         ::testing::Values(SizesCase{1000, 1000}, SizesCase{48 * kMiB, 48 * kMiB},
                                           SizesCase{48 * kMiB, 48 * kMiB - 4096}, SizesCase{48 * kMiB, 9 * kMiB},
                                           SizesCase{9 * kMiB, 48 * kMiB}, SizesCase{1000, 48 * kMiB}));

// Two large blocks alive at once are two blocks, also when the first came back from the keeping.
TEST(PixelAllocator, BlocksAliveTogetherAreDistinct) {
    void* a = AllocateZeroedPixels(16 * kMiB);
    FreePixels(a, 16 * kMiB);
    void* b = AllocateZeroedPixels(16 * kMiB);
    void* c = AllocateZeroedPixels(16 * kMiB);
    ASSERT_NE(b, c);
    std::memset(b, 1, 16 * kMiB);
    EXPECT_TRUE(AllZero(c, 16 * kMiB));
    FreePixels(b, 16 * kMiB);
    FreePixels(c, 16 * kMiB);
}

}  // namespace
}  // namespace nox
