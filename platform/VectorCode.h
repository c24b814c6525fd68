// Whether the program's hand-written vector code is compiled: the NOXSTEG_SIMD build option (on by
// default) on processors that have the instructions (x86 with SSE2). With the option off every
// pixel loop that has a vector form takes its plain form instead, so that the tests cover both.
#pragma once

#ifndef NOXSTEG_SIMD
#error "NOXSTEG_SIMD is defined by the build (the CMake option of the same name)"
#endif

#if NOXSTEG_SIMD && defined(__SSE2__) && (defined(__GNUC__) || defined(__clang__))
#define NOX_SSE2 1
#include <immintrin.h>
#else
#define NOX_SSE2 0
#endif

namespace nox {

// SSSE3's byte shuffle, which not every x86-64 processor has: asked of the processor once.
inline bool HasSsse3() {
#if NOX_SSE2
    static const bool has = __builtin_cpu_supports("ssse3");
    return has;
#else
    return false;
#endif
}

}  // namespace nox
