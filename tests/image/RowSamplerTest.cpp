// The row sampler takes exactly the pixel of each column, whatever the ratio and the start of the
// destination row, written through the cache or past it, and writes nothing beside the row.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "image/RowSampler.h"

namespace nox {
namespace {

TEST(RowSampler, TakesThePixelOfEachColumn) {
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
    for (const bool stream : {false, true})
        for (const Case& c : cases) {
            std::vector<uint32_t> columns(static_cast<size_t>(c.Count));
            int64_t acc = c.Start;
            for (uint32_t& column : columns) {
                column = static_cast<uint32_t>(acc >> 16);
                acc += c.Step;
            }
            // Every pixel names its own column.
            std::vector<TColor32> source(columns.back() + 1);
            for (size_t i = 0; i < source.size(); ++i) source[i] = 0x5A000000u ^ static_cast<TColor32>(i * 2654435761u);
            alignas(64) static TColor32 out[4096 + 16];
            TColor32* to = out + c.ToShift;
            std::fill(out, out + 4096 + 16, 0xDEADBEEF);

            TRowSampling sampling;
            sampling.Columns = columns.data();
            sampling.Count = c.Count;
            sampling.Stream = stream;
            SampleRow(to, source.data(), source.data(), sampling);
            if (stream) FinishStreamedRows();

            for (int64_t i = 0; i < c.Count; ++i)
                ASSERT_EQ(to[i], source[columns[static_cast<size_t>(i)]])
                    << (stream ? "streamed" : "cached") << ", step " << c.Step << ", pixel " << i;
            EXPECT_EQ(to[c.Count], 0xDEADBEEF) << "wrote past the row";
            if (c.ToShift > 0) {
                EXPECT_EQ(to[-1], 0xDEADBEEF) << "wrote before the row";
            }
        }
}

}  // namespace
}  // namespace nox
