// Row sampling kernels. Every one fetches ahead the source lines of the next row: a reduced picture
// needs a new source row for every destination row, and waiting for memory row by row halves the
// speed.
//
// The portable kernel reads a column and a pixel and writes a pixel, one at a time. On x86-64 the
// pixels of a reduced row can go to memory past the cache (SSE2 streaming stores), which spares
// reading every destination line before it is overwritten. With AVX-512, eight destination pixels
// whose columns lie within 32 source pixels of each other (any reduction up to about 4.4 : 1, and
// every enlargement) come from two vector loads and one permute instead of eight loads.
#include "image/RowSampler.h"

#include <vector>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define NOX_X86_KERNELS 1
#include <immintrin.h>
#endif

namespace nox {

namespace {

// Fetches the source lines the next row samples for the eight destination pixels at `column`: the
// first column's and the fifth's, which at a reduction of 4 : 1 (a picture of 4000 columns in a
// pane of 1000) are the two lines those pixels read.
inline void Fetch(const TColor32* next, const uint32_t* column) {
    __builtin_prefetch(next + column[0]);
    __builtin_prefetch(next + column[4]);
}

void SampleScalar(TColor32* to, const TColor32* from, const TColor32* next, const TRowSampling& s) {
    const uint32_t* column = s.Columns;
    int64_t i = 0;
    for (; i + 8 <= s.Count; i += 8) {
        Fetch(next, column + i);
        for (int64_t j = i; j < i + 8; ++j) to[j] = from[column[j]];
    }
    for (; i < s.Count; ++i) to[i] = from[column[i]];
}

#if NOX_X86_KERNELS
// Four pixels at a time into one 16-byte store past the cache; the pixels before the first 16-byte
// boundary and after the last go the ordinary way.
void SampleStreamingSse2(TColor32* to, const TColor32* from, const TColor32* next, const TRowSampling& s) {
    const uint32_t* column = s.Columns;
    const int64_t count = s.Count;
    int64_t i = 0;
    for (; i < count && (reinterpret_cast<uintptr_t>(to + i) & 15) != 0; ++i) to[i] = from[column[i]];
    for (; i + 8 <= count; i += 8) {
        Fetch(next, column + i);
        const auto at = [&](int64_t j) { return static_cast<int>(from[column[j]]); };
        _mm_stream_si128(reinterpret_cast<__m128i*>(to + i), _mm_setr_epi32(at(i), at(i + 1), at(i + 2), at(i + 3)));
        _mm_stream_si128(reinterpret_cast<__m128i*>(to + i + 4),
                         _mm_setr_epi32(at(i + 4), at(i + 5), at(i + 6), at(i + 7)));
    }
    for (; i < count; ++i) to[i] = from[column[i]];
}

// GCC 12's own AVX-512 headers trip its uninitialised-value warning in the 512/256-bit casts.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
template <bool Stream>
__attribute__((target("avx512f,avx512vl"))) void SampleAvx512(TColor32* to, const TColor32* from,
                                                              const TColor32* next, const TRowSampling& s) {
    const uint32_t* column = s.Columns;
    const int64_t count = s.Count;
    int64_t i = 0;
    if constexpr (Stream)
        for (; i < count && (reinterpret_cast<uintptr_t>(to + i) & 31) != 0; ++i) to[i] = from[column[i]];
    for (; i + 8 <= count; i += 8) {
        const uint32_t base = column[i];
        const TColor32* window = from + base;
        Fetch(next, column + i);
        __m256i pixels;
        if (column[i + 7] - base < 32 && s.SourceEnd - window >= 32) {
            const __m256i index = _mm256_sub_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(column + i)),
                                                   _mm256_set1_epi32(static_cast<int>(base)));
            const __m512i low = _mm512_loadu_si512(window), high = _mm512_loadu_si512(window + 16);
            pixels = _mm512_castsi512_si256(_mm512_permutex2var_epi32(low, _mm512_zextsi256_si512(index), high));
        } else {
            const auto at = [&](int64_t j) { return static_cast<int>(from[column[j]]); };
            pixels = _mm256_setr_epi32(at(i), at(i + 1), at(i + 2), at(i + 3), at(i + 4), at(i + 5), at(i + 6), at(i + 7));
        }
        if constexpr (Stream)
            _mm256_stream_si256(reinterpret_cast<__m256i*>(to + i), pixels);
        else
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(to + i), pixels);
    }
    for (; i < count; ++i) to[i] = from[column[i]];
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

#endif

}  // namespace

std::vector<TRowKernel> AvailableRowKernels() {
    std::vector<TRowKernel> kernels{TRowKernel::Portable};
#if NOX_X86_KERNELS
    kernels.push_back(TRowKernel::StreamingSse2);
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl")) kernels.push_back(TRowKernel::Avx512);
#endif
    return kernels;
}

bool CanStreamRows() {
    static const bool can = AvailableRowKernels().size() > 1;
    return can;
}

void SampleRowWith(TRowKernel kernel, TColor32* to, const TColor32* from, const TColor32* next,
                   const TRowSampling& sampling) {
    switch (kernel) {
#if NOX_X86_KERNELS
        case TRowKernel::Avx512:
            if (sampling.Stream)
                SampleAvx512<true>(to, from, next, sampling);
            else
                SampleAvx512<false>(to, from, next, sampling);
            return;
        case TRowKernel::StreamingSse2:
            if (sampling.Stream) {
                SampleStreamingSse2(to, from, next, sampling);
                return;
            }
            break;
#endif
        default:
            break;
    }
    SampleScalar(to, from, next, sampling);
}

void SampleRow(TColor32* to, const TColor32* from, const TColor32* next, const TRowSampling& sampling) {
    static const TRowKernel best = AvailableRowKernels().back();
    SampleRowWith(best, to, from, next, sampling);
}

void FinishStreamedRows() {
#if NOX_X86_KERNELS
    _mm_sfence();
#endif
}

}  // namespace nox
