// Choosing a PNG row's filter: see PngFilterChoice.h.
#include "formats/png/PngFilterChoice.h"

#include <cstdlib>
#include <vector>

namespace nox {

namespace {

constexpr size_t kPixelBytes = 3;
// Bytes summed between two checks against the best sum so far. A fixed count lets the compiler
// turn each block into vector instructions even at -O2, which it does not for a loop of unknown
// length there.
constexpr size_t kBlock = 256;

// |d| for a filtered byte read as signed: d or 256 - d, whichever is smaller.
inline unsigned Magnitude(uint8_t d) {
    const auto negated = static_cast<uint8_t>(-d);
    return d < negated ? d : negated;
}

// The sum of magnitudes of row[i] - predict(left, up, upLeft), given up once it reaches `limit`.
// The first pixel's bytes have no left neighbours (0 by the format's definition); every later
// byte has them, so the blocks need no test for it.
template <class Predict>
unsigned FilteredSum(const uint8_t* row, const uint8_t* previous, size_t size, unsigned limit, Predict predict) {
    unsigned sum = 0;
    size_t at = 0;
    for (; at < kPixelBytes && at < size; ++at) sum += Magnitude(static_cast<uint8_t>(row[at] - predict(0, previous[at], 0)));
    // `count` bytes from `at` on, each with its left neighbours a pixel back.
    const auto part = [&](size_t at, size_t count) {
        const uint8_t *x = row + at, *b = previous + at, *a = x - kPixelBytes, *c = b - kPixelBytes;
        unsigned partial = 0;
        for (size_t i = 0; i < count; ++i) partial += Magnitude(static_cast<uint8_t>(x[i] - predict(a[i], b[i], c[i])));
        return partial;
    };
    for (; at + kBlock <= size && sum < limit; at += kBlock) sum += part(at, kBlock);
    if (at < size && sum < limit) sum += part(at, size - at);
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
    unsigned best = ~0u;
    int choice = 0;
    const auto trial = [&](int filter, auto predict) {
        if (const unsigned sum = FilteredSum(row, previous, size, best, predict); sum < best) {
            best = sum;
            choice = filter;
        }
    };
    trial(0, [](int, int, int) { return 0; });
    trial(1, [](int a, int, int) { return a; });
    trial(2, [](int, int b, int) { return b; });
    trial(3, [](int a, int b, int) { return (a + b) / 2; });
    trial(4, [](int a, int b, int c) {
        const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
        return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
    });
    return choice;
}

}  // namespace nox
