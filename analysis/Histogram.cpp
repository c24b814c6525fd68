// The histogram of a picture: see Histogram.h.
#include "analysis/Histogram.h"

namespace nox::analysis {

THistogram ComputeHistogram(const TBitmap32& picture) {
    THistogram h;
    const int32_t height = picture.IsEmpty() ? 0 : picture.Height();
    for (int32_t y = 0; y < height; ++y) {
        const TColor32* row = picture.RowAddress(y);
        for (int32_t x = 0; x < picture.Width(); ++x) {
            const TColor32 p = row[x];
            ++h.Red[(p >> 16) & 0xFFu];
            ++h.Green[(p >> 8) & 0xFFu];
            ++h.Blue[p & 0xFFu];
        }
    }
    return h;
}

}  // namespace nox::analysis
