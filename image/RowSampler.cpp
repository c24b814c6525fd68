// Row sampling kernels. Every one fetches ahead the source lines of the next row: a reduced picture
// needs a new source row for every destination row, and waiting for memory row by row halves the
// speed.
//
// The portable kernel reads a column and a pixel and writes a pixel, one at a time. On x86-64 the
// pixels of a reduced row can go to memory past the cache (SSE2 streaming stores), which spares
// reading every destination line before it is overwritten. With AVX-512, eight destination pixels
// whose columns lie within 32 source pixels of each other (any reduction up to about 4.4 : 1, and
// every enlargement) come from two vector loads and one permute instead of eight loads.
//
// A streaming kernel writes every pixel of its row past the cache, the few before the first vector
// boundary and after the last ones too: a line written partly through the cache and partly past it
// costs several times a whole line either way.
//
// A row that also goes to a mirror is copied there from the cache after a kernel that writes
// through it; a streaming kernel stores each vector of pixels to both places, since its row is not
// in the cache to be read back.
#include "image/RowSampler.h"

#include <cstring>
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
// Pixels first .. last - 1 one at a time past the cache, into the mirror too with Mirror.
template <bool Mirror>
inline void StreamEach(TColor32* to, TColor32* mirror, const TColor32* from, const uint32_t* column, int64_t first,
                       int64_t last) {
    for (int64_t i = first; i < last; ++i) {
        const auto pixel = static_cast<int>(from[column[i]]);
        _mm_stream_si32(reinterpret_cast<int*>(to + i), pixel);
        if constexpr (Mirror) _mm_stream_si32(reinterpret_cast<int*>(mirror + i), pixel);
    }
}

// Four pixels into the mirror past the cache: as one store where they lie on a 16-byte boundary,
// as four where they do not.
inline void StreamMirror4(TColor32* mirror, __m128i pixels, bool aligned) {
    if (aligned) {
        _mm_stream_si128(reinterpret_cast<__m128i*>(mirror), pixels);
        return;
    }
    _mm_stream_si32(reinterpret_cast<int*>(mirror), _mm_cvtsi128_si32(pixels));
    _mm_stream_si32(reinterpret_cast<int*>(mirror + 1), _mm_cvtsi128_si32(_mm_srli_si128(pixels, 4)));
    _mm_stream_si32(reinterpret_cast<int*>(mirror + 2), _mm_cvtsi128_si32(_mm_srli_si128(pixels, 8)));
    _mm_stream_si32(reinterpret_cast<int*>(mirror + 3), _mm_cvtsi128_si32(_mm_srli_si128(pixels, 12)));
}

// Four pixels at a time into one 16-byte store past the cache. The kernels are compiled with and
// without a mirror, so that a draw without one runs exactly the loop it would without mirrors.
template <bool Mirror>
void SampleStreamingSse2(TColor32* to, TColor32* mirror, const TColor32* from, const TColor32* next,
                         const TRowSampling& s) {
    const uint32_t* column = s.Columns;
    const int64_t count = s.Count;
    int64_t i = 0;
    while (i < count && (reinterpret_cast<uintptr_t>(to + i) & 15) != 0) ++i;
    StreamEach<Mirror>(to, mirror, from, column, 0, i);
    const bool mirrorAligned = Mirror && (reinterpret_cast<uintptr_t>(mirror + i) & 15) == 0;
    for (; i + 8 <= count; i += 8) {
        Fetch(next, column + i);
        const auto at = [&](int64_t j) { return static_cast<int>(from[column[j]]); };
        const __m128i low = _mm_setr_epi32(at(i), at(i + 1), at(i + 2), at(i + 3));
        const __m128i high = _mm_setr_epi32(at(i + 4), at(i + 5), at(i + 6), at(i + 7));
        _mm_stream_si128(reinterpret_cast<__m128i*>(to + i), low);
        _mm_stream_si128(reinterpret_cast<__m128i*>(to + i + 4), high);
        if constexpr (Mirror) {
            StreamMirror4(mirror + i, low, mirrorAligned);
            StreamMirror4(mirror + i + 4, high, mirrorAligned);
        }
    }
    StreamEach<Mirror>(to, mirror, from, column, i, count);
}

// GCC 12's own AVX-512 headers trip its uninitialised-value warning in the 512/256-bit casts.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
// The eight pixels of the columns at `column`, fetching ahead those of the next row.
__attribute__((target("avx512f,avx512vl"), always_inline)) inline __m256i Sample8Avx512(const TColor32* from,
                                                                                    const TColor32* next,
                                                                                    const uint32_t* column,
                                                                                    const TColor32* sourceEnd) {
    const uint32_t base = column[0];
    const TColor32* window = from + base;
    Fetch(next, column);
    if (column[7] - base < 32 && sourceEnd - window >= 32) {
        const __m256i index = _mm256_sub_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(column)),
                                               _mm256_set1_epi32(static_cast<int>(base)));
        const __m512i low = _mm512_loadu_si512(window), high = _mm512_loadu_si512(window + 16);
        return _mm512_castsi512_si256(_mm512_permutex2var_epi32(low, _mm512_zextsi256_si512(index), high));
    }
    const auto at = [&](int j) { return static_cast<int>(from[column[j]]); };
    return _mm256_setr_epi32(at(0), at(1), at(2), at(3), at(4), at(5), at(6), at(7));
}

// Into a mirror too only when streaming. The mirror's rows (a window's) may start at any pixel of
// a 32-byte block; its stores are whole aligned blocks too, each made of the last eight pixels
// sampled and the ones before them.
template <bool Stream, bool Mirror>
__attribute__((target("avx512f,avx512vl"))) void SampleAvx512(TColor32* to, TColor32* mirror, const TColor32* from,
                                                              const TColor32* next, const TRowSampling& s) {
    static_assert(Stream || !Mirror);
    const uint32_t* column = s.Columns;
    const int64_t count = s.Count;
    int64_t i = 0;
    if constexpr (!Stream) {
        for (; i + 8 <= count; i += 8)
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(to + i), Sample8Avx512(from, next, column + i, s.SourceEnd));
        for (; i < count; ++i) to[i] = from[column[i]];
        return;
    }
    while (i < count && (reinterpret_cast<uintptr_t>(to + i) & 31) != 0) ++i;
    StreamEach<Mirror>(to, mirror, from, column, 0, i);
    if constexpr (!Mirror) {
        for (; i + 8 <= count; i += 8)
            _mm256_stream_si256(reinterpret_cast<__m256i*>(to + i), Sample8Avx512(from, next, column + i, s.SourceEnd));
    } else if (i + 8 <= count) {
        // The mirror's blocks lag `lag` pixels behind the destination's: each holds the last `lag`
        // pixels of the eight before and the first 8 - lag of the eight just sampled. The pixels
        // before its first block and after its last go one at a time.
        const int64_t lag = static_cast<int64_t>((reinterpret_cast<uintptr_t>(mirror + i) & 31) / 4);
        const __m256i shifted = _mm256_add_epi32(_mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7),
                                                 _mm256_set1_epi32(static_cast<int>(8 - lag)));
        __m256i previous = Sample8Avx512(from, next, column + i, s.SourceEnd);
        _mm256_stream_si256(reinterpret_cast<__m256i*>(to + i), previous);
        StreamEach<false>(mirror, nullptr, from, column, i, i + 8 - lag);
        for (i += 8; i + 8 <= count; i += 8) {
            const __m256i pixels = Sample8Avx512(from, next, column + i, s.SourceEnd);
            _mm256_stream_si256(reinterpret_cast<__m256i*>(to + i), pixels);
            _mm256_stream_si256(reinterpret_cast<__m256i*>(mirror + i - lag),
                                _mm256_permutex2var_epi32(previous, shifted, pixels));
            previous = pixels;
        }
        StreamEach<false>(mirror, nullptr, from, column, i - lag, i);
    }
    StreamEach<Mirror>(to, mirror, from, column, i, count);
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

void SampleRowWith(TRowKernel kernel, TColor32* to, TColor32* mirror, const TColor32* from, const TColor32* next,
                   const TRowSampling& sampling) {
    switch (kernel) {
#if NOX_X86_KERNELS
        case TRowKernel::Avx512:
            if (sampling.Stream) {
                if (mirror)
                    SampleAvx512<true, true>(to, mirror, from, next, sampling);
                else
                    SampleAvx512<true, false>(to, nullptr, from, next, sampling);
                return;
            }
            SampleAvx512<false, false>(to, nullptr, from, next, sampling);
            break;
        case TRowKernel::StreamingSse2:
            if (sampling.Stream) {
                if (mirror)
                    SampleStreamingSse2<true>(to, mirror, from, next, sampling);
                else
                    SampleStreamingSse2<false>(to, nullptr, from, next, sampling);
                return;
            }
            SampleScalar(to, from, next, sampling);
            break;
#endif
        default:
            SampleScalar(to, from, next, sampling);
            break;
    }
    if (mirror) std::memcpy(mirror, to, static_cast<size_t>(sampling.Count) * sizeof(TColor32));
}

void SampleRow(TColor32* to, TColor32* mirror, const TColor32* from, const TColor32* next,
               const TRowSampling& sampling) {
    static const TRowKernel best = AvailableRowKernels().back();
    SampleRowWith(best, to, mirror, from, next, sampling);
}

void FinishStreamedRows() {
#if NOX_X86_KERNELS
    _mm_sfence();
#endif
}

}  // namespace nox
