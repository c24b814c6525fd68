// Differences of two pictures: see Difference.h.
#include "analysis/Difference.h"

#include <algorithm>

#include "analysis/PixelMap.h"

namespace nox::analysis {

namespace {

constexpr uint32_t AmplifiedChannel(uint32_t p, uint32_t q, unsigned shift, uint32_t amplify) {
    const uint32_t u = (p >> shift) & 0xFFu, v = (q >> shift) & 0xFFu;
    return std::min<uint32_t>((u > v ? u - v : v - u) * amplify, 255u) << shift;
}

}  // namespace

void AmplifiedDifference(const TBitmap32& a, const TBitmap32& b, int amplify, TBitmap32& result) {
    const uint32_t n = static_cast<uint32_t>(std::clamp(amplify, kMinAmplify, kMaxAmplify));
    MapPixelPairs(a, b, result, [n](TColor32 p, TColor32 q) {
        return 0xFF000000u | AmplifiedChannel(p, q, 16, n) | AmplifiedChannel(p, q, 8, n) | AmplifiedChannel(p, q, 0, n);
    });
}

void DifferenceMap(const TBitmap32& a, const TBitmap32& b, TBitmap32& result) {
    MapPixelPairs(a, b, result, [](TColor32 p, TColor32 q) { return ((p ^ q) & 0x00FFFFFFu) != 0 ? 0xFFFFFFFFu : 0xFF000000u; });
}

}  // namespace nox::analysis
