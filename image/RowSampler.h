// One destination row of a nearest-neighbour stretch: every destination pixel takes the source
// pixel of its column.
#pragma once

#include <cstdint>

#include "image/Color32.h"

namespace nox {

struct TRowSampling {
    const uint32_t* Columns = nullptr;  // the source column of every destination pixel, ascending
    int64_t Count = 0;                  // destination pixels in the row
    bool Stream = false;                // write the row past the cache where the vector code can
};

// to[i] := from[Columns[i]] for i < Count, while fetching into the cache the source lines that the
// row at `next` will sample. The two rows must not overlap.
void SampleRow(TColor32* to, const TColor32* from, const TColor32* next, const TRowSampling& sampling);

// After the last row written with Stream: makes the rows' pixels visible to every later read.
void FinishStreamedRows();

}  // namespace nox
