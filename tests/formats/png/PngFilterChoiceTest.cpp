// The row filter chosen for writing: the smallest sum of signed magnitudes, the first on a tie.
#include <gtest/gtest.h>

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
}

}  // namespace
}  // namespace nox
