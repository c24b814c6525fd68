// The Inspector's computations: exact pixels of every view, the bitwise combinations and the
// differences (smaller size, saturation, clamping), the histogram and the pixel's text.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "analysis/Bitwise.h"
#include "analysis/Difference.h"
#include "analysis/Histogram.h"
#include "analysis/PixelText.h"
#include "analysis/Views.h"

namespace nox::analysis {
namespace {

// A w x h picture of the pixels, row by row.
std::unique_ptr<TBitmap32> Picture(int32_t w, int32_t h, const std::vector<TColor32>& pixels) {
    auto b = std::make_unique<TBitmap32>();
    b->SetSize(w, h);
    for (size_t i = 0; i < pixels.size(); ++i) b->SetPixel(static_cast<int32_t>(i % w), static_cast<int32_t>(i / w), pixels[i]);
    return b;
}

std::vector<TColor32> Pixels(const TBitmap32& b) { return {b.Bits(), b.Bits() + b.PixelCount()}; }

constexpr TColor32 W = 0xFFFFFFFF, K = 0xFF000000;

TEST(InspectViews, ListAndNames) {
    const auto& views = InspectorViews();
    ASSERT_EQ(views.size(), 38u);
    const std::pair<size_t, const char*> names[] = {{0, "Normal"},     {1, "Red as grey"},   {3, "Blue as grey"},
                                                    {4, "Red bit 0"},  {19, "Green bit 7"},  {27, "Blue bit 7"},
                                                    {28, "RGB bit 0"}, {35, "RGB bit 7"},    {36, "Inverted"},
                                                    {37, "Grey pixels"}};
    for (const auto& [i, name] : names) EXPECT_EQ(ViewName(views[i]), name) << i;
}

// Pixel i (0..7) has only bit i of red set and every bit of green but bit i; blue is 0; pixel 8
// is white. So plane "Red bit n" is white at pixel n and 8 only, "Green bit n" black at pixel n
// only, "Blue bit n" white at pixel 8 only.
TEST(InspectViews, EveryBitPlaneShowsExactlyItsBit) {
    std::vector<TColor32> source;
    for (int i = 0; i < 8; ++i) source.push_back(Color32(uint8_t(1u << i), uint8_t(~(1u << i)), 0, 0));
    source.push_back(0x00FFFFFF);
    const auto picture = Picture(9, 1, source);
    TBitmap32 view;
    for (const TView& v : InspectorViews()) {
        if (v.Kind != TViewKind::BitPlane) continue;
        std::vector<TColor32> expected(9, K);
        for (int i = 0; i < 8; ++i)
            if ((v.Channel == TChannel::Red && i == v.Bit) || (v.Channel == TChannel::Green && i != v.Bit)) expected[i] = W;
        expected[8] = W;
        RenderView(*picture, v, view);
        EXPECT_EQ(Pixels(view), expected) << ViewName(v);
    }
    RenderView(*picture, {TViewKind::BitPlane, TChannel::Alpha, 7}, view);
    EXPECT_EQ(Pixels(view), std::vector<TColor32>(9, K));
}

TEST(InspectViews, OtherViewsExactPixels) {
    // (100, 50, 0) alpha 0; (7, 7, 7); (255, 254, 1); (0, 0, 0) alpha 0x80.
    const auto picture = Picture(2, 2, {0x00643200, 0xFF070707, 0xFFFFFE01, 0x80000000});
    const struct {
        TView view;
        std::vector<TColor32> expected;
    } cases[] = {
        {{TViewKind::Normal}, {0x00643200, 0xFF070707, 0xFFFFFE01, 0x80000000}},
        {{TViewKind::ChannelGrey, TChannel::Red}, {0xFF646464, 0xFF070707, 0xFFFFFFFF, K}},
        {{TViewKind::ChannelGrey, TChannel::Green}, {0xFF323232, 0xFF070707, 0xFFFEFEFE, K}},
        {{TViewKind::ChannelGrey, TChannel::Blue}, {K, 0xFF070707, 0xFF010101, K}},
        {{TViewKind::RgbBit, TChannel::Red, 0}, {K, W, 0xFFFF00FF, K}},
        {{TViewKind::RgbBit, TChannel::Red, 2}, {0xFFFF0000, W, 0xFFFFFF00, K}},
        {{TViewKind::RgbBit, TChannel::Red, 7}, {K, K, 0xFFFFFF00, K}},
        {{TViewKind::Inverted}, {0xFF9BCDFF, 0xFFF8F8F8, 0xFF0001FE, W}},
        {{TViewKind::GreyPixels}, {K, W, K, W}},
    };
    TBitmap32 view;
    for (const auto& c : cases) {
        RenderView(*picture, c.view, view);
        EXPECT_EQ(view.Width(), 2);
        EXPECT_EQ(Pixels(view), c.expected) << ViewName(c.view);
    }
    RenderView(TBitmap32{}, {TViewKind::Inverted}, view);
    EXPECT_TRUE(view.IsEmpty());
}

TEST(InspectCompare, CombinationsAndDifferencesOverTheSmallerSize) {
    // a is 3 x 2, b is 2 x 3: results are 2 x 2.
    const auto a = Picture(3, 2, {0x00F00F01, 0xFF000000, 0xFF123456, 0xFF808080, 0xFFFFFFFF, 0});
    const auto b = Picture(2, 3, {0x000FF001, 0xFF000002, 0xFF7F8180, 0xFF0000FF, 1, 2});
    const struct {
        const char* what;
        std::function<void(TBitmap32&)> run;
        std::vector<TColor32> expected;
    } cases[] = {
        {"xor", [&](TBitmap32& r) { CombineBitwise(TBitwiseOp::Xor, *a, *b, r); }, {0xFFFFFF00, 0xFF000002, 0xFFFF0100, 0xFFFFFF00}},
        {"and", [&](TBitmap32& r) { CombineBitwise(TBitwiseOp::And, *a, *b, r); }, {0xFF000001, K, 0xFF008080, 0xFF0000FF}},
        {"or", [&](TBitmap32& r) { CombineBitwise(TBitwiseOp::Or, *a, *b, r); }, {0xFFFFFF01, 0xFF000002, 0xFFFF8180, W}},
        {"x1", [&](TBitmap32& r) { AmplifiedDifference(*a, *b, 1, r); }, {0xFFE1E100, 0xFF000002, 0xFF010100, 0xFFFFFF00}},
        {"x0 as x1", [&](TBitmap32& r) { AmplifiedDifference(*a, *b, 0, r); }, {0xFFE1E100, 0xFF000002, 0xFF010100, 0xFFFFFF00}},
        {"x64", [&](TBitmap32& r) { AmplifiedDifference(*a, *b, 64, r); }, {0xFFFFFF00, 0xFF000080, 0xFF404000, 0xFFFFFF00}},
        {"x128", [&](TBitmap32& r) { AmplifiedDifference(*a, *b, 128, r); }, {0xFFFFFF00, 0xFF0000FF, 0xFF808000, 0xFFFFFF00}},
        {"x1000 as x128", [&](TBitmap32& r) { AmplifiedDifference(*a, *b, 1000, r); }, {0xFFFFFF00, 0xFF0000FF, 0xFF808000, 0xFFFFFF00}},
        {"map", [&](TBitmap32& r) { DifferenceMap(*a, *b, r); }, {W, W, W, W}},
        {"map of equal colours, other alpha", [&](TBitmap32& r) { DifferenceMap(*a, *Picture(1, 1, {0x80F00F01}), r); }, {K}},
    };
    for (const auto& c : cases) {
        TBitmap32 result;
        c.run(result);
        EXPECT_EQ(Pixels(result), c.expected) << c.what;
    }
    TBitmap32 result;
    AmplifiedDifference(*a, TBitmap32{}, 4, result);
    EXPECT_TRUE(result.IsEmpty());
}

TEST(InspectText, HistogramAndPixelText) {
    const THistogram h = ComputeHistogram(*Picture(3, 1, {0xFF000000, 0x00FF00FF, 0xFFFF0100}));
    EXPECT_EQ(h.Red[0], 1u);
    EXPECT_EQ(h.Red[255], 2u);
    EXPECT_EQ(h.Green[0], 2u);
    EXPECT_EQ(h.Green[1], 1u);
    EXPECT_EQ(h.Blue[0], 2u);
    EXPECT_EQ(h.Blue[255], 1u);
    uint64_t total = 0;
    for (int v = 0; v < 256; ++v) total += h.Red[v] + h.Green[v] + h.Blue[v];
    EXPECT_EQ(total, 9u);

    EXPECT_EQ(PixelLine(3, 14, 0x80643201), "x=3 y=14 r=100 g=50 b=1 a=128 bits=01100100,00110010,00000001");
    EXPECT_EQ(PixelHex(0x0A0B0C0D), "#0A0B0C0D");
    EXPECT_EQ(PixelChannels(0xFF64FF01), "#FF64FF01  r=100 01100100  g=255 11111111  b=  1 00000001");
}

}  // namespace
}  // namespace nox::analysis
