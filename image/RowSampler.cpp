// Row sampling. Every row fetches ahead the source lines of the next row: a reduced picture needs a
// new source row for every destination row, and waiting for memory row by row halves the speed.
//
// With the vector code, the pixels of a streamed row go to memory past the cache (SSE2 streaming
// stores), which spares reading every destination line before it is overwritten. Every pixel of
// such a row goes past the cache, the few before the first 16-byte boundary and after the last
// too: a line written partly through the cache and partly past it costs several times a whole line
// either way.
#include "image/RowSampler.h"

#include "platform/VectorCode.h"

namespace nox {

namespace {

// Fetches the source lines the next row samples for the eight destination pixels at `column`: the
// first column's and the fifth's, which at a reduction of 4 : 1 (a picture of 4000 columns in a
// pane of 1000) are the two lines those pixels read.
inline void Fetch(const TColor32* next, const uint32_t* column) {
    __builtin_prefetch(next + column[0]);
    __builtin_prefetch(next + column[4]);
}

void SamplePlain(TColor32* to, const TColor32* from, const TColor32* next, const TRowSampling& s) {
    const uint32_t* column = s.Columns;
    int64_t i = 0;
    for (; i + 8 <= s.Count; i += 8) {
        Fetch(next, column + i);
        for (int64_t j = i; j < i + 8; ++j) to[j] = from[column[j]];
    }
    for (; i < s.Count; ++i) to[i] = from[column[i]];
}

#if NOX_SSE2
// Pixels first .. last - 1 one at a time past the cache.
inline void StreamEach(TColor32* to, const TColor32* from, const uint32_t* column, int64_t first, int64_t last) {
    for (int64_t i = first; i < last; ++i)
        _mm_stream_si32(reinterpret_cast<int*>(to + i), static_cast<int>(from[column[i]]));
}

// Four pixels at a time into one 16-byte store past the cache.
void SampleStreaming(TColor32* to, const TColor32* from, const TColor32* next, const TRowSampling& s) {
    const uint32_t* column = s.Columns;
    const int64_t count = s.Count;
    int64_t i = 0;
    while (i < count && (reinterpret_cast<uintptr_t>(to + i) & 15) != 0) ++i;
    StreamEach(to, from, column, 0, i);
    for (; i + 8 <= count; i += 8) {
        Fetch(next, column + i);
        const auto at = [&](int64_t j) { return static_cast<int>(from[column[j]]); };
        const __m128i low = _mm_setr_epi32(at(i), at(i + 1), at(i + 2), at(i + 3));
        const __m128i high = _mm_setr_epi32(at(i + 4), at(i + 5), at(i + 6), at(i + 7));
        _mm_stream_si128(reinterpret_cast<__m128i*>(to + i), low);
        _mm_stream_si128(reinterpret_cast<__m128i*>(to + i + 4), high);
    }
    StreamEach(to, from, column, i, count);
}
#endif

}  // namespace

void SampleRow(TColor32* to, const TColor32* from, const TColor32* next, const TRowSampling& sampling) {
#if NOX_SSE2
    if (sampling.Stream) {
        SampleStreaming(to, from, next, sampling);
        return;
    }
#endif
    SamplePlain(to, from, next, sampling);
}

void FinishStreamedRows() {
#if NOX_SSE2
    _mm_sfence();
#endif
}

}  // namespace nox
