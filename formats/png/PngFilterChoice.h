// The filter a PNG row is written with, chosen as libpng chooses among all five: the one whose
// filtered bytes, read as signed, have the smallest sum of magnitudes (the first such one).
// libspng makes the same choice but computes every filter in full for every row, one byte at a
// time; here each trial stops once it passes the best so far and runs in blocks the compiler
// vectorises, so the choice costs a few per cent of saving a photo instead of a tenth.
#pragma once

#include <cstddef>
#include <cstdint>

namespace nox {

// 0 None, 1 Sub, 2 Up, 3 Average, 4 Paeth, for a row of 8-bit RGB (3 bytes per pixel) of `size`
// bytes; `previous` is the row above, or null for the first row.
int ChoosePngFilter(const uint8_t* row, const uint8_t* previous, size_t size);

}  // namespace nox
