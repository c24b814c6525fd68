// The row filter chosen for writing: the smallest sum of signed magnitudes, the first on a tie.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <vector>

#include "formats/png/PngFilterChoice.h"

namespace nox {
namespace {

TEST(PngFilterChoice, SmallestSumWinsAndTheFirstOnATie) {
    const struct {
        const char* what;
        std::vector<uint8_t> row, previous;  // no previous: the first row
        int filter;
    } cases[] = {
        {"zeros: every filter sums to 0", {0, 0, 0, 0, 0, 0}, {}, 0},
        {"one colour across the first row", {100, 100, 100, 100, 100, 100, 100, 100, 100}, {}, 1},
        {"the row above again", {7, 99, 13, 200, 1, 50}, {7, 99, 13, 200, 1, 50}, 2},
        {"halving to the right", {64, 64, 64, 32, 32, 32, 16, 16, 16, 8, 8, 8}, {}, 3},
        {"as above, then as to the left",
         {7, 99, 13, 200, 1, 50, 200, 1, 50, 200, 1, 50}, {7, 99, 13, 200, 1, 50, 0, 0, 0, 0, 0, 0}, 4},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ChoosePngFilter(c.row.data(), c.previous.empty() ? nullptr : c.previous.data(), c.row.size()), c.filter)
            << c.what;
    // Rows of several 256-byte blocks (summed in blocks, given up early) that one filter predicts
    // exactly after the first pixel: that filter has the only small sum.
    const auto paeth = [](int a, int b, int c) {
        const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
        return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
    };
    const std::function<int(int, int, int)> predictors[] = {
        [](int a, int, int) { return a; }, [](int, int b, int) { return b; },
        [](int a, int b, int) { return (a + b) / 2; }, paeth};
    for (int filter = 1; filter <= 4; ++filter) {
        std::vector<uint8_t> previous(3 * 400), row(previous.size());
        for (size_t i = 0; i < row.size(); ++i) {
            previous[i] = static_cast<uint8_t>(i * 37 % 251);
            row[i] = i < 3 ? 9 : static_cast<uint8_t>(predictors[filter - 1](row[i - 3], previous[i], previous[i - 3]));
        }
        EXPECT_EQ(ChoosePngFilter(row.data(), previous.data(), row.size()), filter);
    }
}

}  // namespace
}  // namespace nox
