// Work on the rows of a large picture shared between the calling thread and one helper thread.
// Sampling a reduced picture waits on memory, not on arithmetic: one core keeps only so many reads
// in flight, and a second core adds its own.
#pragma once

#include <cstdint>
#include <functional>

namespace nox {

// Calls band(first, last) on disjoint ranges of rows that together cover [0, rows), and returns
// when every call has returned. When `share` is true, the processor has a second core and the
// helper thread is not working for another caller, the calling thread and the helper take bands
// of a few rows each in turn until none is left; else band(0, rows) runs once, on the calling
// thread. `band` must not throw, and two bands must not write the same memory.
void ForRowBands(int64_t rows, bool share, const std::function<void(int64_t first, int64_t last)>& band);

}  // namespace nox
