// Choosing a PNG row's filter: see PngFilterChoice.h.
#include "formats/png/PngFilterChoice.h"

#include <cstdlib>
#include <vector>

namespace nox {

namespace {

constexpr size_t kPixelBytes = 3;

// The sum of magnitudes of row[i] - predict(i), given up once it reaches `limit` (checked every
// 256 bytes, so that the inner loop stays simple enough to vectorise).
template <class Predict>
unsigned FilteredSum(const uint8_t* row, size_t size, unsigned limit, Predict predict) {
    unsigned sum = 0;
    for (size_t at = 0; at < size && sum < limit; at += 256) {
        const size_t end = at + 256 < size ? at + 256 : size;
        for (size_t i = at; i < end; ++i) {
            const auto d = static_cast<uint8_t>(row[i] - predict(i));
            sum += d < 128 ? d : 256u - d;
        }
    }
    return sum;
}

}  // namespace

int ChoosePngFilter(const uint8_t* row, const uint8_t* previous, size_t size) {
    // The first row's "row above" is zeros, as the format defines it.
    thread_local std::vector<uint8_t> zeros;
    if (previous == nullptr) {
        if (zeros.size() < size) zeros.assign(size, 0);
        previous = zeros.data();
    }
    const auto left = [row](size_t i) { return i >= kPixelBytes ? row[i - kPixelBytes] : 0; };
    const auto up = [previous](size_t i) { return previous[i]; };
    const auto upLeft = [previous](size_t i) { return i >= kPixelBytes ? previous[i - kPixelBytes] : 0; };
    unsigned best = ~0u;
    int choice = 0;
    const auto trial = [&](int filter, unsigned sum) {
        if (sum < best) {
            best = sum;
            choice = filter;
        }
    };
    trial(0, FilteredSum(row, size, best, [](size_t) { return 0; }));
    trial(1, FilteredSum(row, size, best, left));
    trial(2, FilteredSum(row, size, best, up));
    trial(3, FilteredSum(row, size, best, [&](size_t i) { return (left(i) + up(i)) / 2; }));
    trial(4, FilteredSum(row, size, best, [&](size_t i) {
              const int a = left(i), b = up(i), c = upLeft(i);
              const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
              return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
          }));
    return choice;
}

}  // namespace nox
