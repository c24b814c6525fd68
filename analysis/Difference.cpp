// Differences of two pictures: see Difference.h.
#include "analysis/Difference.h"

#include <algorithm>

#include "analysis/PixelMap.h"

namespace nox::analysis {

void AmplifiedDifference(const TBitmap32& a, const TBitmap32& b, int amplify, TBitmap32& result) {
    const auto n = static_cast<uint8_t>(std::clamp(amplify, kMinAmplify, kMaxAmplify));
    // A difference above 255 / n saturates; below it, d x n fits in a byte. Byte by byte over the
    // row, in byte arithmetic, the compiler makes vector code of it (per pixel, with shifts and
    // wider products, it does not); alpha is set while the row is still in the cache.
    const auto limit = static_cast<uint8_t>(255 / n);
    MapRowPairs(a, b, result, [n, limit](const TColor32* rowA, const TColor32* rowB, TColor32* out, int32_t w) {
        const auto* p = reinterpret_cast<const uint8_t*>(rowA);
        const auto* q = reinterpret_cast<const uint8_t*>(rowB);
        auto* r = reinterpret_cast<uint8_t*>(out);
        for (int32_t i = 0; i < w * 4; ++i) {
            const auto d = static_cast<uint8_t>(std::max(p[i], q[i]) - std::min(p[i], q[i]));
            r[i] = d > limit ? uint8_t{255} : static_cast<uint8_t>(d * n);
        }
        for (int32_t x = 0; x < w; ++x) out[x] |= 0xFF000000u;
    });
}

void DifferenceMap(const TBitmap32& a, const TBitmap32& b, TBitmap32& result) {
    MapPixelPairs(a, b, result, [](TColor32 p, TColor32 q) { return ((p ^ q) & 0x00FFFFFFu) != 0 ? 0xFFFFFFFFu : 0xFF000000u; });
}

}  // namespace nox::analysis
