// What a pane holds after taking a GIF picture over (TBitmap32::Assign), and GIF files written by
// other programs read into exact pixels.
#include <gtest/gtest.h>

#include <string>

#include "formats/gif/GifImage.h"
#include "image/Bitmap32.h"
#include "platform/Canvas.h"
#include "platform/Stream.h"
#include "tests/formats/gif/GifTestSupport.h"

namespace nox {
namespace {

using giftest::GifBuilder;
using giftest::Loaded;

uint32_t Opaque(int i) { return 0xFF000000u | static_cast<uint32_t>(i << 16 | (2 * i) << 8 | (3 * i)); }

TEST(GifPane, HoldsTheFirstFrameAtItsPlace) {
    // A 3 x 2 frame at (10, 20) of a 100 x 100 screen, transparent index 2, an index (7) beyond
    // the 4-entry table, and a second frame that the pane never shows.
    const std::vector<uint8_t> px = {0, 1, 2, 3, 7, 1};
    Loaded g;
    g.Load(GifBuilder()
               .Header(100, 100, 4)
               .GraphicControl(0x01, 0, 2)
               .Frame(10, 20, 3, 2, px, 3)
               .Frame(0, 0, 100, 100, std::vector<uint8_t>(10000, 3), 2)
               .Trailer()
               .b);
    TBitmap32 pane;
    pane.SetSize(5, 5);
    pane.Clear(0x00123456);
    pane.Assign(&g.image);
    ASSERT_EQ(pane.Width(), 100);
    ASSERT_EQ(pane.Height(), 100);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x) {
            uint32_t expected = 0xFF000000u;  // unpainted pixels of the freshly sized buffer: 0, made opaque
            if (x >= 10 && x < 13 && y >= 20 && y < 22) {
                const uint8_t index = px[static_cast<size_t>((y - 20) * 3 + (x - 10))];
                if (index != 2) expected = index < 4 ? Opaque(index) : 0xFF000000u;
            }
            ASSERT_EQ(pane.GetPixel(x, y), expected) << x << "," << y;
        }
}

TEST(GifPane, HeaderAndTrailerOnlyGivesTheSizeAndNoPixels) {
    Loaded g;
    g.Load(GifBuilder().Header(4, 3, 2).Trailer().b);
    TBitmap32 pane;
    pane.Assign(&g.image);
    ASSERT_EQ(pane.Width(), 4);
    ASSERT_EQ(pane.Height(), 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(pane.GetPixel(x, y), 0xFF000000u);
}

// ---- files by other programs --------------------------------------------------------------------

std::string Corpus(const std::string& name) { return std::string(NOXSTEG_CORPUS_DIR) + "/gif/" + name; }

// The picture as the pane shows it, 32-bit pixels of the logical screen.
std::vector<uint32_t> Painted(TGIFImage& image) {
    std::vector<uint32_t> pixels(static_cast<size_t>(image.Width()) * static_cast<size_t>(image.Height()));
    TCanvas canvas(pixels.data(), image.Width(), image.Height());
    image.Draw(canvas, Rect(0, 0, image.Width(), image.Height()));
    return pixels;
}

TEST(GifCorpus, FilesOfOtherProgramsLoad) {
    struct Case {
        const char* file;
        int width, height;
        int globalColors;
        int frames;
    };
    const Case cases[] = {
        {"triangle-001.gif", 256, 128, 256, 1},
        {"video-001.gif", 150, 103, 256, 1},
        {"video-001.interlaced.gif", 150, 103, 256, 1},
        {"video-001.5bpp.gif", 150, 103, 32, 1},
        {"video-005.gray.gif", 150, 103, 128, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        Loaded g;
        g.image.LoadFromFile(Corpus(c.file));
        EXPECT_TRUE(g.warnings.empty()) << (g.warnings.empty() ? "" : g.warnings[0]);
        EXPECT_EQ(g.image.Width(), c.width);
        EXPECT_EQ(g.image.Height(), c.height);
        EXPECT_EQ(g.image.Header.ColorMap.Count(), c.globalColors);
        ASSERT_EQ(g.image.Images.Count(), c.frames);
        const TGIFSubImage& f = *g.image.Images[0];
        EXPECT_EQ(f.DataSize(), static_cast<size_t>(f.Width()) * static_cast<size_t>(f.Height()));
    }
}

TEST(GifCorpus, InterlacedAndPlainEncodingsOfOnePictureAgree) {
    Loaded plain, interlaced;
    plain.image.LoadFromFile(Corpus("video-001.gif"));
    interlaced.image.LoadFromFile(Corpus("video-001.interlaced.gif"));
    EXPECT_FALSE(plain.image.Images[0]->Interlaced());
    EXPECT_TRUE(interlaced.image.Images[0]->Interlaced());
    const std::vector<uint32_t> a = Painted(plain.image), b = Painted(interlaced.image);
    ASSERT_EQ(a.size(), b.size());
    EXPECT_TRUE(a == b);
    // Not a uniform picture: the comparison means something.
    EXPECT_NE(std::count(a.begin(), a.end(), a[0]), static_cast<std::ptrdiff_t>(a.size()));
}

TEST(GifCorpus, FewerBitsStayCloseToTheFullPicture) {
    // The 5-bit encoding is the same picture reduced to 32 colours: each channel stays near.
    Loaded full, reduced;
    full.image.LoadFromFile(Corpus("video-001.gif"));
    reduced.image.LoadFromFile(Corpus("video-001.5bpp.gif"));
    const std::vector<uint32_t> a = Painted(full.image), b = Painted(reduced.image);
    ASSERT_EQ(a.size(), b.size());
    double total = 0;
    for (size_t i = 0; i < a.size(); ++i)
        for (int shift : {0, 8, 16}) total += std::abs(int((a[i] >> shift) & 0xFF) - int((b[i] >> shift) & 0xFF));
    EXPECT_LT(total / static_cast<double>(a.size() * 3), 24.0);
}

}  // namespace
}  // namespace nox
