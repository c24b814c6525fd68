// Bitwise combinations of two pictures: see Bitwise.h.
#include "analysis/Bitwise.h"

#include "analysis/PixelMap.h"

namespace nox::analysis {

std::optional<TBitwiseOp> ParseBitwiseOp(std::string_view word) {
    if (word == "xor") return TBitwiseOp::Xor;
    if (word == "and") return TBitwiseOp::And;
    if (word == "or") return TBitwiseOp::Or;
    return std::nullopt;
}

void CombineBitwise(TBitwiseOp op, const TBitmap32& a, const TBitmap32& b, TBitmap32& result) {
    constexpr TColor32 kOpaque = 0xFF000000u;
    switch (op) {
        case TBitwiseOp::Xor:
            MapPixelPairs(a, b, result, [](TColor32 p, TColor32 q) { return kOpaque | ((p ^ q) & 0x00FFFFFFu); });
            return;
        case TBitwiseOp::And:
            MapPixelPairs(a, b, result, [](TColor32 p, TColor32 q) { return kOpaque | (p & q); });
            return;
        case TBitwiseOp::Or:
            MapPixelPairs(a, b, result, [](TColor32 p, TColor32 q) { return kOpaque | ((p | q) & 0x00FFFFFFu); });
            return;
    }
}

}  // namespace nox::analysis
