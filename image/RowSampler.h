// One destination row of a nearest-neighbour stretch: every destination pixel takes the source
// pixel of its column. The fastest way the processor offers is chosen once.
#pragma once

#include <cstdint>
#include <vector>

#include "image/Color32.h"

namespace nox {

struct TRowSampling {
    const uint32_t* Columns = nullptr;  // the source column of every destination pixel, ascending
    int64_t Count = 0;                  // destination pixels in the row
    const TColor32* SourceEnd = nullptr;  // one past the last source pixel that may be read
    bool Stream = false;                // write past the cache (only where CanStreamRows())
};

// The row kernels: one load per column and pixel; SSE2 stores past the cache (x86-64); AVX-512
// permutes of two vector loads (x86-64 processors that have it).
enum class TRowKernel { Portable, StreamingSse2, Avx512 };

// The kernels this processor can run, the fastest last.
std::vector<TRowKernel> AvailableRowKernels();

// Whether rows can be written past the cache on this processor.
bool CanStreamRows();

// to[i] := from[Columns[i]] for i < Count, and the same into mirror[i] unless `mirror` is null,
// while fetching into the cache the source lines that the row at `next` will sample. The two rows
// must not overlap; `mirror` needs only the 4-byte alignment of a pixel.
void SampleRow(TColor32* to, TColor32* mirror, const TColor32* from, const TColor32* next,
               const TRowSampling& sampling);

// SampleRow with the given kernel (one of AvailableRowKernels()); Stream is honoured where the
// kernel can write past the cache.
void SampleRowWith(TRowKernel kernel, TColor32* to, TColor32* mirror, const TColor32* from, const TColor32* next,
                   const TRowSampling& sampling);

// After the last row written with Stream: makes the rows' pixels visible to every later read.
void FinishStreamedRows();

}  // namespace nox
