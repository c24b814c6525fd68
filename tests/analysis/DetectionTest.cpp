// The detection estimators: their counts on tiny hand-worked inputs, their formulas on given
// counts, and their estimates on a generated picture with known hiding.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "analysis/ChiSquare.h"
#include "analysis/Detection.h"
#include "analysis/RsAnalysis.h"
#include "analysis/SamplePairs.h"

namespace nox::analysis {
namespace {

TEST(ChiSquare, IncompleteGammaAndTest) {
    // Closed forms: Q(1, x) = e^-x, Q(1/2, x) = erfc(sqrt x), Q(3, x) = e^-x (1 + x + x^2 / 2).
    const struct { double a, x, q; } cases[] = {
        {1, 0.5, std::exp(-0.5)},  {1, 7, std::exp(-7.0)},         {0.5, 0.3, std::erfc(std::sqrt(0.3))},
        {0.5, 4, std::erfc(2.0)},  {3, 1, std::exp(-1.0) * 2.5},   {3, 9, std::exp(-9.0) * (1 + 9 + 40.5)},
    };
    for (const auto& c : cases) EXPECT_NEAR(UpperIncompleteGammaQ(c.a, c.x), c.q, 1e-12) << c.a << ' ' << c.x;

    THistogram h{};
    h[0] = 20, h[1] = 10;  // expected 15: (20 - 15)^2 / 15
    h[2] = 7, h[3] = 13;   // expected 10: (7 - 10)^2 / 10
    h[4] = 2, h[5] = 1;    // expected 1.5: too few, left out
    const TChiSquare test = ChiSquareTest(h);
    EXPECT_EQ(test.Categories, 2);
    EXPECT_NEAR(test.Statistic, 25.0 / 15 + 0.9, 1e-12);
    EXPECT_NEAR(test.PValue, std::erfc(std::sqrt(test.Statistic / 2)), 1e-12);  // one degree of freedom
    h[2] = h[3] = 0;
    EXPECT_EQ(ChiSquareTest(h).PValue, 0);  // one pair alone says nothing
}

TEST(RsAnalysis, CountsAndEstimate) {
    // Group 10 11 13 12 (noise 4): F1 in the middle gives 10 10 12 12 (2, singular), F-1 gives
    // 10 12 14 12 (6, regular); flipped 11 10 12 13 (4): 11 11 13 13 (2), 11 9 11 13 (6).
    // Group 5 5 5 5 (noise 0): every flipping makes it noisier. Group 3 0 5 4 (9), where F-1 takes
    // 0 to -1: F1 gives 3 1 4 4 (5), F-1 3 -1 6 4 (13); flipped 2 1 4 5 (5): 2 0 5 5 (7), 2 2 3 5 (3).
    // The last value makes no group.
    const uint8_t row[] = {10, 11, 13, 12, 5, 5, 5, 5, 3, 0, 5, 4, 200};
    const auto all = [](const TRsCounts& c) {
        return std::vector<uint64_t>{c.Groups,          c.RegularM,          c.SingularM,
                                     c.RegularMinusM,   c.SingularMinusM,    c.FlippedRegularM,
                                     c.FlippedSingularM, c.FlippedRegularMinusM, c.FlippedSingularMinusM};
    };
    TRsCounts n;
    CountRsRow(row, n);
    EXPECT_EQ(all(n), (std::vector<uint64_t>{3, 1, 2, 3, 0, 2, 1, 2, 1}));  // groups, then M, -M, flipped M, flipped -M
    EXPECT_EQ(RsEstimate(TRsCounts{}), 0);

    // A long row (counted in runs, in 8 bits or, with a middle value at an end of the range, in 16)
    // gives the sums of its groups.
    std::mt19937 random(4);
    std::vector<uint8_t> values(4000);
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = uint8_t(random() % 8 + (i % 1500 < 750 ? 124 : (i % 3) * 124));  // near 0, 128 and 255
    TRsCounts whole, single;
    CountRsRow(values, whole);
    for (size_t g = 0; g < values.size() / 4; ++g) CountRsRow(std::span(values).subspan(4 * g, 4), single);
    EXPECT_EQ(all(whole), all(single));
}

TEST(SamplePairs, CountsAndEstimate) {
    // (4,4) same high, equal; (4,5) same high, odd, smaller even; (5,6) odd, smaller odd;
    // (3,6) highs 1 and 3, odd, smaller odd; (2,6) highs 1 and 3, difference 4; (9,2) too far apart;
    // at the ends of the range: (255,252) highs 127 and 126, odd, smaller even; (0,1) same high,
    // odd, smaller even.
    const uint8_t first[] = {4, 4, 5, 3, 2, 9, 255, 0}, second[] = {4, 5, 6, 6, 6, 2, 252, 1};
    const auto all = [](const TSpaCounts& n) {
        return std::vector<uint64_t>{n.Pairs, n.SameHigh, n.FarHigh, n.Equal, n.FarEqual, n.OddEven, n.OddOdd};
    };
    TSpaCounts n, touching;
    CountSpaPairs(first, second, n, &touching);
    EXPECT_EQ(all(n), (std::vector<uint64_t>{8, 3, 2, 1, 1, 3, 2}));
    EXPECT_EQ(all(touching), (std::vector<uint64_t>{2, 1, 0, 0, 0, 2, 0}));
    // Long runs (counted in pieces, the ends of the range in some) give the sums of their pairs.
    std::mt19937 random(3);
    std::vector<uint8_t> u(1000), v(1000);
    for (size_t i = 0; i < u.size(); ++i) {
        u[i] = uint8_t(random() % 12 + (i % 600 < 300 ? 0 : 122 + (i % 3) * 61));  // near 0, 128, 189 and 250
        v[i] = uint8_t(std::clamp(int(u[i]) + int(random() % 11) - 5, 0, 255));
    }
    TSpaCounts whole, wholeTouching, single, singleTouching;
    CountSpaPairs(u, v, whole, &wholeTouching);
    for (size_t i = 0; i < u.size(); ++i)
        CountSpaPairs(std::span(u).subspan(i, 1), std::span(v).subspan(i, 1), single, &singleTouching);
    EXPECT_EQ(all(whole), all(single));
    EXPECT_EQ(all(wholeTouching), all(singleTouching));
    // 50 p^2 - 70 p + 20 = 0: roots 0.4 and 1.
    TSpaCounts given;
    given.Pairs = 200, given.SameHigh = 100, given.Equal = 50, given.OddEven = 60, given.OddOdd = 40;
    EXPECT_NEAR(SpaEstimate(given), 0.4, 1e-12);
    EXPECT_NEAR(SpaStandardError(given), std::sqrt(100.0) / 70, 1e-12);  // sqrt(|X| + |Y|) / 70
    EXPECT_EQ(SpaEstimate(TSpaCounts{}), 0);
    EXPECT_EQ(SpaStandardError(TSpaCounts{}), std::numeric_limits<double>::infinity());
}

// A smooth picture with a little noise, like a photograph (with an amplitude above 127, clipped
// to 0 and 255 in places, like an over-exposed one); random low bits in every colour channel of a
// share of the pixels in `area`.
const TBitmap32& Generated(double share, const TRect& area, unsigned seed, int width = 330, int height = 250,
                           double amplitude = 70) {
    static TBitmap32 picture;  // not copyable: one picture at a time
    picture.SetSize(width, height);  // 330 x 250: the last column and row of blocks are 10 and 26 pixels
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0, 1.5);
    std::bernoulli_distribution chosen(share);
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x) {
            uint8_t c[3];
            for (int k = 0; k < 3; ++k) {
                const double smooth = 128 + amplitude * std::sin(x / (19.0 + 7 * k)) * std::cos(y / 31.0);
                c[k] = uint8_t(std::clamp(std::clamp(smooth, 0.0, 255.0) + noise(random), 0.0, 255.0));
            }
            TColor32 pixel = Color32(c[0], c[1], c[2]);
            if (x >= area.Left && x < area.Right && y >= area.Top && y < area.Bottom && chosen(random))
                pixel = (pixel & ~0x010101u) | (random() & 0x010101u);
            picture.SetPixel(x, y, pixel);
        }
    return picture;
}

TEST(Detection, KnownHidingOnAGeneratedPicture) {
    const TRect all = Rect(0, 0, 330, 250);
    for (const double share : {0.0, 0.5}) {
        const TDetection d = *Detect(Generated(share, all, 7));
        for (const TChannelDetection& c : d.Channels) {
            EXPECT_NEAR(c.Rs, share, 0.05) << share;
            EXPECT_NEAR(c.Spa, share, 0.05) << share;
        }
        EXPECT_NEAR(d.Estimate, share, 0.03) << share;
        EXPECT_EQ(d.Likely, share > 0) << share;
    }
    EXPECT_GT(Detect(Generated(1.0, all, 7))->Estimate, 0.75);

    // Even values only, then random low bits in the top half: the chi-square curve stays near 1
    // over the top half and has fallen to 0 at three quarters.
    TBitmap32 halves;
    halves.SetSize(100, 100);
    std::mt19937 random(8);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x) halves.SetPixel(x, y, (random() & 0xFEFEFEu) | (y < 50 ? random() & 0x010101u : 0));
    const TDetection chi = *Detect(halves);
    for (const TChannelDetection& c : chi.Channels) {
        EXPECT_GT(c.ChiCurve[49], 0.05);
        EXPECT_LT(c.ChiCurve[74], 1e-6);
        EXPECT_EQ(c.ChiCurve[99], c.Chi);
    }
    // Stopped at the first report of progress.
    EXPECT_FALSE(Detect(Generated(0, all, 9), [](double) { return false; }).has_value());
}

TEST(Detection, PooledEstimateAndVerdict) {
    // Clipped areas (amplitude 140, where each channel's own SPA estimate is about 0.2 without
    // any hiding) do not look like hiding; the same share says "likely" on a large picture and
    // not on a small one, whose estimate lies within two standard errors of 0.
    const struct { int width, height; double amplitude, share, low, high; bool likely; } cases[] = {
        {330, 250, 140, 0.0, 0.0, 0.03, false}, {330, 250, 140, 0.5, 0.47, 0.55, true},
        {330, 250, 70, 0.15, 0.12, 0.18, true}, {40, 40, 70, 0.15, 0.05, 0.3, false},
    };
    for (const auto& c : cases) {
        const TRect all = Rect(0, 0, c.width, c.height);
        const TBitmap32& picture = Generated(c.share, all, 11, c.width, c.height, c.amplitude);
        const TDetection d = *Detect(picture);
        EXPECT_GE(d.Estimate, c.low) << c.width << ' ' << c.amplitude << ' ' << c.share;
        EXPECT_LE(d.Estimate, c.high) << c.width << ' ' << c.amplitude << ' ' << c.share;
        EXPECT_EQ(d.Likely, c.likely) << c.width << ' ' << c.amplitude << ' ' << c.share;
    }
}

TEST(Detection, HeatMapShowsTheCorner) {
    const THeatMap map = *BlockEstimates(Generated(1.0, Rect(0, 0, 96, 64), 10));
    ASSERT_EQ(map.Columns, 11);
    ASSERT_EQ(map.Rows, 8);
    for (int row = 0; row < map.Rows; ++row)
        for (int column = 0; column < map.Columns; ++column) {
            if (column < 3 && row < 2) {
                EXPECT_GT(map.At(column, row), 0.6) << column << ',' << row;
            } else {
                EXPECT_LT(map.At(column, row), 0.3) << column << ',' << row;
            }
        }
    // A block's estimate is that of the block alone as a picture (full and partial blocks).
    for (const auto& [column, row] : {std::pair{1, 1}, std::pair{10, 7}}) {
        const TBitmap32& picture = Generated(1.0, Rect(0, 0, 96, 64), 10);
        TBitmap32 block;
        block.SetSize(std::min(32, picture.Width() - 32 * column), std::min(32, picture.Height() - 32 * row));
        for (int y = 0; y < block.Height(); ++y)
            for (int x = 0; x < block.Width(); ++x) block.SetPixel(x, y, picture.GetPixel(32 * column + x, 32 * row + y));
        EXPECT_EQ(map.At(column, row), Detect(block)->Estimate) << column << ',' << row;
    }
}

}  // namespace
}  // namespace nox::analysis
