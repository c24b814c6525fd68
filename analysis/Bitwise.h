// Bitwise combinations of two pictures (exclusive or, and, or), channel by channel on red, green
// and blue: the exclusive or of a cover and a result shows exactly which bits hiding changed.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "image/Bitmap32.h"

namespace nox::analysis {

enum class TBitwiseOp : uint8_t { Xor, And, Or };

// "xor", "and" or "or"; nothing for any other word.
std::optional<TBitwiseOp> ParseBitwiseOp(std::string_view word);

// `result` := `a` OP `b` on the colour channels over the smaller width and height, alpha 255
// (empty when either picture is). `result` must be neither input.
void CombineBitwise(TBitwiseOp op, const TBitmap32& a, const TBitmap32& b, TBitmap32& result);

}  // namespace nox::analysis
