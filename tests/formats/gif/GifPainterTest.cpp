// Painting GIF pictures onto a drawing surface: exact pixels for frame placement, scaling,
// transparency, tiling, indices beyond the table, the dithered path of palette displays, the
// rendered bitmap with its mask, and the registration of the format.
#include <gtest/gtest.h>

#include "formats/gif/GifImage.h"
#include "platform/Canvas.h"
#include "platform/Clipboard.h"
#include "platform/Errors.h"
#include "platform/Picture.h"
#include "tests/formats/gif/GifTestSupport.h"

namespace nox {
namespace {

using giftest::GifBuilder;
using giftest::Loaded;
using Pixels = std::vector<uint32_t>;

// Entry i of the builder's tables is (i, 2i, 3i): as a surface pixel, blue 3i, green 2i, red i.
uint32_t Entry(int i) {
    return static_cast<uint32_t>((i & 0xFF) << 16 | ((2 * i) & 0xFF) << 8 | ((3 * i) & 0xFF));
}

// Paints `image` into `rect` of a `width` x `height` surface whose pixels start as `background`.
Pixels Paint(TGIFImage& image, int width, int height, const TRect& rect, uint32_t background = 0) {
    Pixels pixels(static_cast<size_t>(width) * static_cast<size_t>(height), background);
    TCanvas canvas(pixels.data(), width, height);
    image.Draw(canvas, rect);
    return pixels;
}

// A surface with `background` everywhere except `rect`, whose pixels come from `at(x, y)`
// (relative to the rectangle).
template <typename At>
Pixels Expected(int width, int height, const TRect& rect, uint32_t background, At at) {
    Pixels pixels(static_cast<size_t>(width) * static_cast<size_t>(height), background);
    for (int y = rect.Top; y < rect.Bottom; ++y)
        for (int x = rect.Left; x < rect.Right; ++x)
            pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] =
                at(x - rect.Left, y - rect.Top);
    return pixels;
}

TEST(GifPainter, FrameAtItsPlaceInTheLogicalScreen) {
    const std::vector<uint8_t> px = {0, 1, 2, 3, 1, 0};
    Loaded g;
    g.Load(GifBuilder().Header(100, 100, 4).Frame(10, 20, 3, 2, px, 2).Trailer().b);
    const Pixels painted = Paint(g.image, 100, 100, Rect(0, 0, 100, 100));
    EXPECT_EQ(painted, Expected(100, 100, Rect(10, 20, 13, 22), 0, [&](int x, int y) {
                  return Entry(px[static_cast<size_t>(y * 3 + x)]);
              }));
}

TEST(GifPainter, FrameRectangleIsScaledWithRounding) {
    // A 1 x 1 frame at (1, 1) of a 3 x 3 screen drawn into 10 x 10: left 10/3 = 3.33 -> 3,
    // right 20/3 = 6.67 -> 7.
    Loaded g;
    g.Load(GifBuilder().Header(3, 3, 4).Frame(1, 1, 1, 1, std::vector<uint8_t>{2}, 2).Trailer().b);
    EXPECT_EQ(Paint(g.image, 10, 10, Rect(0, 0, 10, 10)),
              Expected(10, 10, Rect(3, 3, 7, 7), 0, [](int, int) { return Entry(2); }));
    // Into a rectangle that does not start at the corner, 6 x 6 at (2, 1): 2 + 2 = 4 to 2 + 4 = 6.
    EXPECT_EQ(Paint(g.image, 10, 10, Rect(2, 1, 8, 7)),
              Expected(10, 10, Rect(4, 3, 6, 5), 0, [](int, int) { return Entry(2); }));
}

TEST(GifPainter, Transparency) {
    const std::vector<uint8_t> px = {0, 1, 2, 1};
    const uint32_t kBack = 0xDEADBEEF;
    struct Case {
        const char* name;
        uint8_t packed;            // graphic control packed fields
        uint8_t transparentIndex;
        uint16_t paintOptions;
        bool mask;
        std::vector<uint32_t> row;  // the 4 painted pixels
    };
    const Case cases[] = {
        {"transparent index 1", 0x01, 1, 0x060F, true, {Entry(0), kBack, Entry(2), kBack}},
        {"index that never occurs", 0x01, 3, 0x060F, false, {Entry(0), Entry(1), Entry(2), Entry(1)}},
        {"flag clear", 0x00, 1, 0x060F, false, {Entry(0), Entry(1), Entry(2), Entry(1)}},
        {"painted opaque without PaintTransparent", 0x01, 1, 0x060D, true, {Entry(0), Entry(1), Entry(2), Entry(1)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Loaded g;
        g.Load(GifBuilder().Header(4, 1, 4).GraphicControl(c.packed, 0, c.transparentIndex).Frame(0, 0, 4, 1, px, 2).Trailer().b);
        g.image.PaintOptions = c.paintOptions;
        EXPECT_EQ(Paint(g.image, 4, 1, Rect(0, 0, 4, 1), kBack), c.row);
        EXPECT_EQ(g.image.Images[0]->HasMask(), c.mask);
    }
}

TEST(GifPainter, IndicesBeyondTheTablePaintBlack) {
    const std::vector<uint8_t> px = {1, 5, 200, 0};
    Loaded g;
    g.Load(GifBuilder().Header(4, 1, 2).Frame(0, 0, 4, 1, px, 8).Trailer().b);
    EXPECT_EQ(Paint(g.image, 4, 1, Rect(0, 0, 4, 1), 0xFFFFFFFF), Pixels({Entry(1), 0, 0, Entry(0)}));
    EXPECT_TRUE(g.warnings.empty());
}

TEST(GifPainter, LocalTableBeforeGlobal) {
    GifBuilder b;
    b.Header(2, 1, 4);
    b.Bytes({0x2C}).Word(0).Word(0).Word(2).Word(1).Bytes({0x80});  // local table of 2 entries
    b.Bytes({9, 9, 9, 7, 7, 7});
    b.Bytes({2});
    giftest::AppendSubBlocks(b.b, giftest::EncodeLZW(std::vector<uint8_t>{1, 0}, 2));
    b.Trailer();
    Loaded g;
    g.Load(b.b);
    EXPECT_EQ(Paint(g.image, 2, 1, Rect(0, 0, 2, 1)), Pixels({0x070707, 0x090909}));
}

TEST(GifPainter, NothingToPaint) {
    // Header and trailer only: no frames, no pixels painted.
    Loaded g;
    g.Load(GifBuilder().Header(5, 4, 2).Trailer().b);
    EXPECT_EQ(Paint(g.image, 5, 4, Rect(0, 0, 5, 4), 0x12345678), Pixels(20, 0x12345678));
}

TEST(GifPainter, ExtraEmptyFrameShowsTheFirstFrame) {
    Loaded g;
    g.Load(GifBuilder()
               .Header(2, 1, 4)
               .Frame(0, 0, 2, 1, std::vector<uint8_t>{3, 2}, 2)
               .Bytes({0x21, 0xFE, 1, 'x', 0})
               .Trailer()
               .b);
    EXPECT_EQ(Paint(g.image, 2, 1, Rect(0, 0, 2, 1)), Pixels({Entry(3), Entry(2)}));
}

TEST(GifPainter, AnimationShowsItsFirstFrame) {
    // Frame 2 restores to the background (disposal 2); frame 1 has the reserved disposal 5 and
    // is painted all the same.
    Loaded g;
    g.Load(GifBuilder()
               .Header(2, 1, 4)
               .GraphicControl(5 << 2, 10, 0)
               .Frame(0, 0, 2, 1, std::vector<uint8_t>{1, 2}, 2)
               .GraphicControl(2 << 2, 10, 0)
               .Frame(0, 0, 2, 1, std::vector<uint8_t>{3, 3}, 2)
               .Trailer()
               .b);
    EXPECT_EQ(Paint(g.image, 2, 1, Rect(0, 0, 2, 1)), Pixels({Entry(1), Entry(2)}));
}

TEST(GifPainter, NoColourTable) {
    Loaded g;
    g.Load(GifBuilder().Header(2, 1, 0).Frame(0, 0, 2, 1, std::vector<uint8_t>{1, 0}, 2).Trailer().b);
    Pixels pixels(2, 0x55);
    TCanvas canvas(pixels.data(), 2, 1);
    try {
        g.image.Draw(canvas, Rect(0, 0, 2, 1));
        ADD_FAILURE() << "no error";
    } catch (const GIFException& e) {
        EXPECT_EQ(e.Message(), "No global or local color table defined");
    }
    EXPECT_EQ(pixels, Pixels(2, 0x55));
    // A later paint fails the same way (nothing half-made was cached).
    EXPECT_THROW(g.image.Draw(canvas, Rect(0, 0, 2, 1)), GIFException);
}

TEST(GifPainter, Tiling) {
    // A 2 x 1 frame at (1, 0) repeated across a 7 x 2 rectangle from (1, 0).
    Loaded g;
    g.Load(GifBuilder().Header(3, 1, 4).Frame(1, 0, 2, 1, std::vector<uint8_t>{1, 2}, 2).Trailer().b);
    g.image.PaintOptions |= TileImage;
    const uint32_t k = 0xAA;
    EXPECT_EQ(Paint(g.image, 7, 2, Rect(0, 0, 7, 2), k),
              Pixels({k, Entry(1), Entry(2), Entry(1), Entry(2), Entry(1), Entry(2),  //
                      k, Entry(1), Entry(2), Entry(1), Entry(2), Entry(1), Entry(2)}));
    // Clipped to the rectangle: 3 x 1 at (2, 1) of the surface.
    EXPECT_EQ(Paint(g.image, 7, 2, Rect(2, 1, 5, 2), k),
              Pixels({k, k, k, k, k, k, k,  //
                      k, k, k, Entry(1), Entry(2), k, k}));
}

TEST(GifPainter, TilingThroughTheMask) {
    Loaded g;
    g.Load(GifBuilder()
               .Header(2, 1, 4)
               .GraphicControl(0x01, 0, 0)
               .Frame(0, 0, 2, 1, std::vector<uint8_t>{0, 3}, 2)
               .Trailer()
               .b);
    g.image.PaintOptions |= TileImage;
    EXPECT_EQ(Paint(g.image, 5, 1, Rect(0, 0, 5, 1), 7), Pixels({7, Entry(3), 7, Entry(3), 7}));
}

TEST(GifPainter, RenderedBitmapAndMask) {
    // 17 x 2 with transparent index 4 at x = 0, 8 and 16 of row 0 and x = 9 of row 1.
    std::vector<uint8_t> px(34, 1);
    px[0] = px[8] = px[16] = px[17 + 9] = 4;
    Loaded g;
    g.Load(GifBuilder().Header(17, 2, 8).GraphicControl(0x01, 0, 4).Frame(0, 0, 17, 2, px, 3).Trailer().b);
    std::vector<std::pair<TProgressStage, std::string>> progress;
    g.image.OnProgress = [&](TGIFImage*, TProgressStage stage, int, const std::string& text) {
        progress.push_back({stage, text});
    };
    TGIFSubImage& f = *g.image.Images[0];
    TBitmap* bitmap = f.Bitmap();
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(progress, (std::vector<std::pair<TProgressStage, std::string>>{
                            {TProgressStage::psStarting, "Rendering..."}, {TProgressStage::psEnding, "Rendering..."}}));
    EXPECT_EQ(bitmap->BitsPerPixel(), 8);
    EXPECT_EQ(bitmap->GetWidth(), 17);
    ASSERT_EQ(bitmap->ColorTable().size(), 256u);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(bitmap->ColorTable()[static_cast<size_t>(i)], i < 8 ? RGBQuad(i, 2 * i, 3 * i) : TRGBQuad{}) << i;
    EXPECT_EQ(std::vector<uint8_t>(bitmap->ScanLine(1), bitmap->ScanLine(1) + 17),
              std::vector<uint8_t>(px.begin() + 17, px.end()));
    // Rows padded to 16 bits: 17 pixels take 4 bytes.
    EXPECT_EQ(f.MaskRowBytes(), 4u);
    EXPECT_EQ(f.Mask(), std::vector<uint8_t>({0x80, 0x80, 0x80, 0x00, 0x00, 0x40, 0x00, 0x00}));
    // Cached: a second call renders nothing.
    EXPECT_EQ(f.Bitmap(), bitmap);
    EXPECT_EQ(progress.size(), 2u);
}

TEST(GifPainter, AbortFromProgressLeavesNoBitmap) {
    Loaded g;
    g.Load(GifBuilder().Header(1, 1, 2).Frame(0, 0, 1, 1, std::vector<uint8_t>{1}, 2).Trailer().b);
    g.image.OnProgress = [](TGIFImage*, TProgressStage stage, int, const std::string&) {
        if (stage == TProgressStage::psStarting) throw EAbort("");
    };
    EXPECT_EQ(g.image.Images[0]->Bitmap(), nullptr);
    EXPECT_EQ(Paint(g.image, 1, 1, Rect(0, 0, 1, 1), 9), Pixels({9}));
}

TEST(GifPainter, DitheredOntoTheWebPaletteOnPaletteDisplays) {
    // A flat colour of the 216-colour cube (51, 102, 153) is entry 36 + 12 + 3 = 51 everywhere.
    GifBuilder b;
    b.Header(3, 2, 0);
    b.Bytes({0x2C}).Word(0).Word(0).Word(3).Word(2).Bytes({0x80, 51, 102, 153, 0, 0, 0, 2});
    giftest::AppendSubBlocks(b.b, giftest::EncodeLZW(std::vector<uint8_t>(6, 0), 2));
    b.Trailer();
    struct Case {
        const char* name;
        bool paletteDisplay;
        uint16_t options;
        bool dithered;
    };
    const Case cases[] = {
        {"palette display", true, 0x060F, true},
        {"true-colour display", false, 0x060F, false},
        {"always when only DitherToWeb", false, 0x020F, true},
        {"never without DitherToWeb", true, 0x040F, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PaletteDisplay = c.paletteDisplay;
        Loaded g;
        g.Load(b.b);
        g.image.PaintOptions = c.options;
        EXPECT_EQ(g.image.DitherApplies(), c.dithered);
        TBitmap* bitmap = g.image.Images[0]->Bitmap();
        ASSERT_NE(bitmap, nullptr);
        if (c.dithered) {
            EXPECT_EQ(bitmap->ScanLine(1)[2], 51);
            EXPECT_EQ(bitmap->ColorTable()[215], RGBQuad(255, 255, 255));
            EXPECT_EQ(bitmap->ColorTable()[216], TRGBQuad{});
        } else {
            EXPECT_EQ(bitmap->ScanLine(1)[2], 0);
        }
        EXPECT_EQ(Paint(g.image, 3, 2, Rect(0, 0, 3, 2)), Pixels(6, 0x336699));
    }
    PaletteDisplay = false;
}

TEST(GifPainter, DitheringMixesCubeColours) {
    // A colour between cube levels (25, 25, 25) dithers to a mix of black (0) and grey 43.
    PaletteDisplay = true;
    GifBuilder b;
    b.Header(8, 8, 0);
    b.Bytes({0x2C}).Word(0).Word(0).Word(8).Word(8).Bytes({0x80, 25, 25, 25, 0, 0, 0, 2});
    giftest::AppendSubBlocks(b.b, giftest::EncodeLZW(std::vector<uint8_t>(64, 0), 2));
    b.Trailer();
    Loaded g;
    g.Load(b.b);
    TBitmap* bitmap = g.image.Images[0]->Bitmap();
    PaletteDisplay = false;
    ASSERT_NE(bitmap, nullptr);
    int black = 0, grey = 0;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const uint8_t v = bitmap->ScanLine(y)[x];
            black += v == 0;
            grey += v == 43;
        }
    EXPECT_EQ(black + grey, 64);
    EXPECT_GT(black, 0);
    EXPECT_GT(grey, 0);
}

TEST(GifFormat, Registration) {
    const unsigned format = RegisterGIFFormat(8);
    EXPECT_TRUE(PaletteDisplay);
    EXPECT_EQ(CF_GIF(), format);
    EXPECT_EQ(ClipboardFormatName(format), "GIF Image");
    const TPicture::TFileFormat* entry = TPicture::FindFormat("GIF");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->Description, "GIF Image");
    EXPECT_STREQ(entry->Create()->ClassName(), "TGIFImage");
    RegisterGIFFormat(32);
    EXPECT_FALSE(PaletteDisplay);
    EXPECT_EQ(RegisterGIFFormat(24), format);
}

}  // namespace
}  // namespace nox
