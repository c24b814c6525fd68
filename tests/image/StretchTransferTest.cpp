// The scaled draw: same-size copies, nearest-neighbour stretches with the clipped-view start, the
// 32-bit results up to 32767 pixels, correct sampling beyond, and the argument errors.
#include <gtest/gtest.h>

#include <cmath>

#include "image/Bitmap32.h"
#include "platform/Errors.h"
#include "tests/image/TestSupport.h"

namespace nox {
namespace {

using test::EventLog;
using test::Events;
using test::FillWith;
using test::PixelsOf;

// Pixel values that name their own column and row.
TColor32 Tag(int32_t x, int32_t y) { return 0x80000000u | (uint32_t(y) << 16) | uint32_t(x); }

// A buffer whose pixels are their own tags.
struct Tagged : TBitmap32 {
    Tagged(int32_t width, int32_t height) {
        SetSize(width, height);
        FillWith(*this, Tag);
    }
};

// The scaled copy as it is computed in 32-bit arithmetic, transcribed independently (floating-point
// start rounded by the default rounding mode): valid for sources up to 32767 pixels.
void Reference32(std::vector<TColor32>& dst, int32_t dstWidth, int32_t dstHeight, const TRect& d,
                 const TBitmap32& src) {
    const int32_t sw = src.Width(), sh = src.Height(), dw = d.Width(), dh = d.Height();
    const TRect c = Intersect(d, Rect(0, 0, dstWidth, dstHeight));
    if (c.IsEmpty()) return;
    if (sw == dw && sh == dh) {
        for (int32_t y = c.Top; y < c.Bottom; ++y)
            for (int32_t x = c.Left; x < c.Right; ++x)
                dst[size_t(y) * size_t(dstWidth) + size_t(x)] = src.GetPixel(x - d.Left, y - d.Top);
        return;
    }
    const int32_t stepX = (sw * 65536) / dw, stepY = (sh * 65536) / dh;
    const int32_t startX = dw == 1 ? 0 : int32_t(std::nearbyint(double(c.Left - d.Left) * (sw - 1) * 65535 / (dw - 1)));
    const int32_t startY = dh == 1 ? 0 : int32_t(std::nearbyint(double(c.Top - d.Top) * (sh - 1) * 65535 / (dh - 1)));
    int32_t accY = startY;
    for (int32_t y = c.Top; y < c.Bottom; ++y, accY += stepY) {
        int32_t accX = startX;
        for (int32_t x = c.Left; x < c.Right; ++x, accX += stepX)
            dst[size_t(y) * size_t(dstWidth) + size_t(x)] = src.GetPixel(accX >> 16, accY >> 16);
    }
}

TEST(DrawTo, EachPixelOfATwoByTwoSourceCoversATwoByTwoBlock) {
    const Tagged source(2, 2);
    TBitmap32 dest;
    dest.SetSize(4, 4);
    EventLog log;
    log.Bind(dest);
    source.DrawTo(dest, Rect(0, 0, 4, 4));
    const TColor32 a = Tag(0, 0), b = Tag(1, 0), c = Tag(0, 1), d = Tag(1, 1);
    EXPECT_EQ(PixelsOf(dest), (std::vector<TColor32>{a, a, b, b, a, a, b, b, c, c, d, d, c, c, d, d}));
    EXPECT_EQ(log.Take(), (Events{"changing", "change"}));
}

TEST(DrawTo, SameSizeCopiesEveryByteClippedToTheDestination) {
    TBitmap32 source;
    source.SetSize(2, 2);
    FillWith(source, [](int32_t x, int32_t y) { return TColor32(0x01000000u * (x + 2 * y) + 0x00ABCDEF); });
    struct Case {
        TRect rect;
        std::vector<TColor32> expected;  // 3 x 3, 0xEE where nothing is drawn
    };
    const TColor32 e = 0xEE, p0 = 0x00ABCDEF, p1 = 0x01ABCDEF, p2 = 0x02ABCDEF, p3 = 0x03ABCDEF;
    const Case cases[] = {
        {Rect(1, 1, 3, 3), {e, e, e, e, p0, p1, e, p2, p3}},
        {Rect(-1, 0, 1, 2), {p1, e, e, p3, e, e, e, e, e}},
        {Rect(2, 2, 4, 4), {e, e, e, e, e, e, e, e, p0}},
        {Rect(3, 0, 5, 2), {e, e, e, e, e, e, e, e, e}},
    };
    for (const Case& c : cases) {
        TBitmap32 dest;
        dest.SetSize(3, 3);
        dest.Clear(e);
        source.DrawTo(dest, c.rect);
        EXPECT_EQ(PixelsOf(dest), c.expected) << c.rect.Left << "," << c.rect.Top;
    }
}

TEST(DrawTo, ScaledDrawsSampleTheNearestPixel) {
    struct Case {
        const char* name;
        int32_t srcWidth, srcHeight;
        TRect rect;
        std::vector<TColor32> expected;  // the first row of a 4 x 1 destination
    };
    const Case cases[] = {
        // One pixel high: every column from source row 0, steps of 3/4.
        {"one row high", 3, 3, Rect(0, 0, 4, 1), {Tag(0, 0), Tag(0, 0), Tag(1, 0), Tag(2, 0)}},
        // Halving: every other column.
        {"shrink", 8, 1, Rect(0, 0, 4, 1), {Tag(0, 0), Tag(2, 0), Tag(4, 0), Tag(6, 0)}},
        // Clipped on the left by 2 of 8: the start 2 * 3 * 65535 / 7 = 56172.86 rounds to 56173 (column
        // 0), where an unclipped view shows column 1 at the same place.
        {"clipped view start", 4, 1, Rect(-2, 0, 6, 1), {Tag(0, 0), Tag(1, 0), Tag(1, 0), Tag(2, 0)}},
        {"unclipped", 4, 1, Rect(0, 0, 8, 1), {Tag(0, 0), Tag(0, 0), Tag(1, 0), Tag(1, 0)}},
    };
    for (const Case& c : cases) {
        const Tagged source(c.srcWidth, c.srcHeight);
        TBitmap32 dest;
        dest.SetSize(4, 1);
        source.DrawTo(dest, c.rect);
        EXPECT_EQ(PixelsOf(dest), c.expected) << c.name;
    }
}

TEST(DrawTo, ClippedOnTopTheRowsStartByTheSameRatio) {
    const Tagged source(1, 4);
    TBitmap32 dest;
    dest.SetSize(1, 4);
    source.DrawTo(dest, Rect(0, -2, 1, 6));
    EXPECT_EQ(PixelsOf(dest), (std::vector<TColor32>{Tag(0, 0), Tag(0, 1), Tag(0, 1), Tag(0, 2)}));
}

// A tagged source of the given size drawn into `rect` of a new destination gives what Reference32
// computes.
struct DrawCase {
    int32_t srcWidth, srcHeight;
    TRect rect;
    int32_t dstWidth, dstHeight;
};

void ExpectTheReference32(const DrawCase& c) {
    const Tagged source(c.srcWidth, c.srcHeight);
    TBitmap32 dest;
    dest.SetSize(c.dstWidth, c.dstHeight);
    source.DrawTo(dest, c.rect);
    std::vector<TColor32> expected(size_t(c.dstWidth) * size_t(c.dstHeight), 0);
    Reference32(expected, c.dstWidth, c.dstHeight, c.rect, source);
    EXPECT_EQ(PixelsOf(dest), expected) << c.srcWidth << "x" << c.srcHeight << " into " << c.rect.Left << ","
                                        << c.rect.Top << "," << c.rect.Right << "," << c.rect.Bottom;
}

TEST(DrawTo, EqualsThe32BitComputationUpTo32767Pixels) {
    const DrawCase cases[] = {
        {32767, 1, Rect(-1000, 0, 40000, 1), 3000, 1},   {32767, 1, Rect(-7, 0, 1234, 1), 1300, 1},
        {32767, 1, Rect(-32766, 0, 1, 1), 1, 1},         {32767, 2, Rect(-31000, -1, 1701, 2), 1700, 1},
        {1, 32767, Rect(0, -5000, 1, 70001), 1, 3000},   {1, 32766, Rect(0, -12345, 1, 999), 1, 999},
        {300, 200, Rect(-17, -13, 1000, 700), 640, 480}, {640, 480, Rect(-3, -5, 199, 101), 200, 100},
        {5, 5, Rect(-100, -100, 65000, 65000), 50, 50},
    };
    for (const DrawCase& c : cases) ExpectTheReference32(c);
}

// Wide rows of every kind: reductions of every ratio, enlargements, rows that start off any vector
// boundary, and destinations large enough to be written past the cache (some clipped on top and
// on the left).
TEST(DrawTo, WideRowsOfEveryRatioEqualThe32BitComputation) {
    const DrawCase cases[] = {
        {4000, 300, Rect(0, 0, 1920, 200), 1920, 200},       {4000, 700, Rect(-3, -1, 1001, 700), 1001, 700},
        {4400, 100, Rect(0, 0, 1000, 100), 1001, 100},       {4500, 400, Rect(0, 0, 1000, 400), 1000, 400},
        {700, 500, Rect(-5, -7, 1500, 1100), 1403, 1003},    {1000, 3, Rect(1, 0, 1000, 3), 1003, 3},
        {37, 5, Rect(-2, 0, 21, 5), 19, 5},                  {3001, 900, Rect(-77, -33, 700, 600), 641, 577},
        {20000, 60, Rect(0, 0, 4000, 60), 4001, 60},         {129, 2, Rect(0, 0, 64, 2), 64, 2},
    };
    for (const DrawCase& c : cases) ExpectTheReference32(c);
}

TEST(DrawTo, EqualsThe32BitComputationForEverySmallSizeAndOffset) {
    // Small sizes give exact halves in the clipped start, where rounding must match.
    TBitmap32 dest;
    dest.SetSize(6, 5);
    for (int32_t sw = 1; sw <= 12; ++sw)
        for (int32_t dw = 1; dw <= 24; ++dw)
            for (int32_t offset = -dw; offset <= 6; offset += 1) {
                const Tagged source(sw, 3);
                const TRect rect = Rect(offset, offset / 2, offset + dw, offset / 2 + (dw + 1) / 2);
                dest.Clear(0);
                source.DrawTo(dest, rect);
                std::vector<TColor32> expected(30, 0);
                Reference32(expected, 6, 5, rect, source);
                ASSERT_EQ(PixelsOf(dest), expected) << sw << " into " << rect.Left << "," << rect.Top << ","
                                                    << rect.Right << "," << rect.Bottom;
            }
}

TEST(DrawTo, SourcesBeyond32767PixelsSampleCorrectly) {
    // 40000 * 65536 does not fit 32 bits; the draw still picks every 400th column.
    const Tagged wide(40000, 1);
    TBitmap32 dest;
    dest.SetSize(100, 1);
    wide.DrawTo(dest, Rect(0, 0, 100, 1));
    for (int32_t x = 0; x < 100; ++x) ASSERT_EQ(dest.GetPixel(x, 0), Tag(x * 400, 0)) << x;

    const Tagged tall(1, 70000);
    dest.SetSize(1, 7);
    tall.DrawTo(dest, Rect(0, 0, 1, 7));
    for (int32_t y = 0; y < 7; ++y) ASSERT_EQ(dest.GetPixel(0, y), Tag(0, y * 10000)) << y;
    // Clipped on top by 69993 rows of 70001: the start 69993 * 69999 * 65535 / 70000 rounds to
    // 4586925727 (row 69990), and the step is 65535.
    tall.DrawTo(dest, Rect(0, -69993, 1, 8));
    for (int32_t y = 0; y < 7; ++y) EXPECT_EQ(dest.GetPixel(0, y), Tag(0, 69990 + y)) << y;
}

TEST(DrawTo, EmptyBuffersDrawNothingAndNotifyNobody) {
    const Tagged source(2, 2);
    TBitmap32 empty, dest;
    dest.SetSize(2, 2);
    EventLog log;
    log.Bind(dest);
    empty.DrawTo(dest, Rect(0, 0, 2, 2));
    EXPECT_TRUE(log.Take().empty());
    EventLog emptyLog;
    emptyLog.Bind(empty);
    source.DrawTo(empty, Rect(0, 0, 2, 2));
    EXPECT_TRUE(emptyLog.Take().empty());
    EXPECT_EQ(PixelsOf(dest), std::vector<TColor32>(4, 0));
}

TEST(DrawTo, IntoItselfSamplesThePixelsAsTheyWere) {
    Tagged buffer(4, 4);
    const Tagged copy(4, 4);
    Tagged expected(4, 4);
    copy.DrawTo(expected, Rect(1, 1, 3, 3));
    buffer.DrawTo(buffer, Rect(1, 1, 3, 3));
    EXPECT_EQ(PixelsOf(buffer), PixelsOf(expected));
}

TEST(StretchTransfer, BadArgumentsAreTransformErrors) {
    Tagged source(2, 2), dest(2, 2);
    TBitmap32 empty;
    struct Case {
        TBitmap32* dst;
        TBitmap32* src;
        TRect srcRect;
        const char* message;
    };
    const Case cases[] = {
        {&empty, &source, Rect(0, 0, 2, 2), "Destination bitmap is nil or empty"},
        {&dest, &empty, Rect(0, 0, 2, 2), "Source bitmap is nil or empty"},
        {&dest, &source, Rect(0, 0, 3, 2), "Source rectangle is invalid"},
        {&dest, &source, Rect(-1, 0, 1, 1), "Source rectangle is invalid"},
        {&dest, &source, Rect(1, 1, 2, 3), "Source rectangle is invalid"},
    };
    for (const Case& c : cases) {
        try {
            StretchTransfer(*c.dst, Rect(0, 0, 2, 2), *c.src, c.srcRect);
            ADD_FAILURE() << c.message;
        } catch (const ETransformError& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
    // An empty source rectangle is no error, wherever it lies.
    EXPECT_NO_THROW(StretchTransfer(dest, Rect(0, 0, 2, 2), source, Rect(5, 5, 5, 9)));
    EXPECT_EQ(PixelsOf(dest), PixelsOf(Tagged(2, 2)));
}

TEST(StretchTransfer, PartOfTheSourceIntoPartOfTheDestination) {
    const Tagged source(4, 4);
    TBitmap32 dest;
    dest.SetSize(2, 2);
    StretchTransfer(dest, Rect(0, 0, 2, 2), source, Rect(1, 2, 3, 4));  // same size
    EXPECT_EQ(PixelsOf(dest), (std::vector<TColor32>{Tag(1, 2), Tag(2, 2), Tag(1, 3), Tag(2, 3)}));
    StretchTransfer(dest, Rect(0, 0, 2, 1), source, Rect(2, 0, 4, 4));  // squeezed rows
    EXPECT_EQ(PixelsOf(dest), (std::vector<TColor32>{Tag(2, 0), Tag(3, 0), Tag(1, 3), Tag(2, 3)}));
}

TEST(StretchTransfer, BlendAndCustomModes) {
    TBitmap32 source;
    source.SetSize(2, 1);
    source.SetPixel(0, 0, 0x00FFFFFF);  // transparent white
    source.SetPixel(1, 0, 0xFF204060);  // opaque
    TBitmap32 dest;
    dest.SetSize(2, 1);
    dest.Clear(0xFF102030);
    StretchTransfer(dest, Rect(0, 0, 2, 1), source, Rect(0, 0, 2, 1), sfNearest, dmBlend);
    EXPECT_EQ(PixelsOf(dest), (std::vector<TColor32>{0xFF102030, 0xFF204060}));

    std::vector<std::tuple<TColor32, TColor32, TColor32>> calls;
    const TPixelCombineEvent combine = [&](TColor32 f, TColor32& b, TColor32 m) {
        calls.emplace_back(f, b, m);
        b = f ^ b;
    };
    dest.Clear(0x0F0F0F0F);
    StretchTransfer(dest, Rect(0, 0, 2, 1), source, Rect(0, 0, 2, 1), sfNearest, dmCustom, 99, combine);
    EXPECT_EQ(PixelsOf(dest), (std::vector<TColor32>{0x0FF0F0F0, 0xF02F4F6F}));
    EXPECT_EQ(calls, (std::vector<std::tuple<TColor32, TColor32, TColor32>>{{0x00FFFFFF, 0x0F0F0F0F, 99},
                                                                            {0xFF204060, 0x0F0F0F0F, 99}}));

    // Scaled: each destination pixel meets the source pixel it samples.
    TBitmap32 wide;
    wide.SetSize(4, 2);
    wide.Clear(0xFF102030);
    StretchTransfer(wide, Rect(0, 0, 4, 2), source, Rect(0, 0, 2, 1), sfNearest, dmBlend);
    EXPECT_EQ(PixelsOf(wide), (std::vector<TColor32>{0xFF102030, 0xFF102030, 0xFF204060, 0xFF204060, 0xFF102030,
                                                     0xFF102030, 0xFF204060, 0xFF204060}));
    calls.clear();
    StretchTransfer(wide, Rect(0, 0, 4, 1), source, Rect(0, 0, 2, 1), sfNearest, dmCustom, 7, combine);
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(std::get<0>(calls[1]), 0x00FFFFFFu);
    EXPECT_EQ(std::get<0>(calls[2]), 0xFF204060u);
    // Without a callback a custom draw leaves the destination as it is.
    StretchTransfer(wide, Rect(0, 0, 4, 2), source, Rect(0, 0, 2, 1), sfNearest, dmCustom);
    EXPECT_EQ(wide.GetPixel(0, 1), 0xFF102030u);
}

}  // namespace
}  // namespace nox
