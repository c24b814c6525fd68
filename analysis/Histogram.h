// The histogram of a picture: how many pixels have each value in each colour channel.
#pragma once

#include <array>
#include <cstdint>

#include "image/Bitmap32.h"

namespace nox::analysis {

struct THistogram {
    std::array<uint64_t, 256> Red{}, Green{}, Blue{};
};

THistogram ComputeHistogram(const TBitmap32& picture);

}  // namespace nox::analysis
