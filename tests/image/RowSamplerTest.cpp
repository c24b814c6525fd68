// Every row kernel this processor can run samples exactly the pixels of its columns, whatever the
// ratio, the start of the destination row and the distance to the end of the source, and puts the
// same pixels into a mirror row at any alignment.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "image/RowSampler.h"

namespace nox {
namespace {

const char* Name(TRowKernel kernel) {
    switch (kernel) {
        case TRowKernel::Portable: return "portable";
        case TRowKernel::StreamingSse2: return "SSE2 streaming";
        case TRowKernel::Avx512: return "AVX-512";
    }
    return "?";
}

TEST(RowSampler, EveryKernelTakesThePixelOfEachColumn) {
    struct Case {
        int64_t Step;     // 16.16 source pixels per destination pixel
        int64_t Start;    // 16.16 first column
        int64_t Count;    // destination pixels
        int64_t ToShift;  // destination pixels from a 64-byte boundary
    };
    const Case cases[] = {
        {136533, 0, 1920, 0},   {262144, 65535, 1000, 3},  {288358, 0, 1001, 1},   {294912, 12345, 999, 7},
        {65536, 0, 77, 5},      {30000, 100, 500, 2},      {0, 70000, 64, 0},      {1048576, 0, 50, 6},
        {200000, 0, 7, 1},      {131072, 65536 * 3, 33, 4},
    };
    // No mirror, or one whose row starts this many pixels after a 64-byte boundary: with the
    // destination's shifts, every distance between the two rows' 32-byte blocks.
    const int64_t mirrorShifts[] = {-1, 0, 1, 2, 3, 4, 5, 6, 7};
    for (const TRowKernel kernel : AvailableRowKernels())
        for (const bool stream : {false, true})
            for (const int64_t mirrorShift : mirrorShifts)
                for (const Case& c : cases) {
                    std::vector<uint32_t> columns(static_cast<size_t>(c.Count));
                    int64_t acc = c.Start;
                    for (uint32_t& column : columns) {
                        column = static_cast<uint32_t>(acc >> 16);
                        acc += c.Step;
                    }
                    // The source ends right after the last column sampled, so that windows near the end
                    // would reach past it; every pixel names its own column.
                    std::vector<TColor32> source(columns.back() + 1);
                    for (size_t i = 0; i < source.size(); ++i)
                        source[i] = 0x5A000000u ^ static_cast<TColor32>(i * 2654435761u);
                    alignas(64) static TColor32 out[4096 + 16];
                    TColor32* to = out + c.ToShift;
                    std::fill(out, out + 4096 + 16, 0xDEADBEEF);
                    alignas(64) static TColor32 mirrorOut[4096 + 16];
                    TColor32* mirror = mirrorShift < 0 ? nullptr : mirrorOut + mirrorShift;
                    std::fill(mirrorOut, mirrorOut + 4096 + 16, 0xFEEDFACE);

                    TRowSampling sampling;
                    sampling.Columns = columns.data();
                    sampling.Count = c.Count;
                    sampling.SourceEnd = source.data() + source.size();
                    sampling.Stream = stream && CanStreamRows();
                    SampleRowWith(kernel, to, mirror, source.data(), source.data(), sampling);
                    if (sampling.Stream) FinishStreamedRows();

                    for (int64_t i = 0; i < c.Count; ++i)
                        ASSERT_EQ(to[i], source[columns[static_cast<size_t>(i)]])
                            << Name(kernel) << (stream ? " streaming" : "") << ", step " << c.Step << ", pixel " << i;
                    EXPECT_EQ(to[c.Count], 0xDEADBEEF) << Name(kernel) << ": wrote past the row";
                    if (c.ToShift > 0) {
                        EXPECT_EQ(to[-1], 0xDEADBEEF) << Name(kernel) << ": wrote before the row";
                    }
                    if (!mirror) {
                        EXPECT_TRUE(
                            std::all_of(mirrorOut, mirrorOut + 4096 + 16, [](TColor32 p) { return p == 0xFEEDFACE; }));
                        continue;
                    }
                    for (int64_t i = 0; i < c.Count; ++i)
                        ASSERT_EQ(mirror[i], to[i]) << Name(kernel) << (stream ? " streaming" : "") << ", mirror at "
                                                    << mirrorShift << ", step " << c.Step << ", pixel " << i;
                    EXPECT_EQ(mirror[c.Count], 0xFEEDFACE) << Name(kernel) << ": wrote past the mirror row";
                    if (mirrorShift > 0) {
                        EXPECT_EQ(mirror[-1], 0xFEEDFACE) << Name(kernel) << ": wrote before the mirror row";
                    }
                }
}

}  // namespace
}  // namespace nox
