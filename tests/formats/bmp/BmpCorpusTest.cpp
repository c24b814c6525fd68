// The BMP reader on files written by other programs (bmpsuite and others): every good file reads
// to the same pixels as its plainest sibling, and every questionable and bad file has a decided
// outcome: a picture, or an exact error.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/bmp/Bmp.h"
#include "platform/Errors.h"
#include "tests/formats/bmp/BmpBuilder.h"

namespace nox {
namespace {

const std::string kCorpus = NOXSTEG_CORPUS_DIR;

TBitmap ReadFile(const std::string& name) {
    TFileStream in(kCorpus + "/" + name, TFileStream::Mode::fmOpenRead);
    TBitmap bitmap;
    ReadBmp(bitmap, in);
    return bitmap;
}

// A file that reads: its size, and a file whose pixels it must equal ("" for none).
struct Readable {
    const char* file;
    int32_t width, height;
    const char* sameAs;
};

void CheckReadable(const Readable& c) {
    SCOPED_TRACE(c.file);
    const TBitmap bitmap = ReadFile(c.file);
    EXPECT_EQ(bitmap.GetWidth(), c.width);
    EXPECT_EQ(bitmap.GetHeight(), c.height);
    if (*c.sameAs != 0) {
        EXPECT_EQ(test::PixelsOf(bitmap), test::PixelsOf(ReadFile(c.sameAs))) << "differs from " << c.sameAs;
    }
}

const Readable kGood[] = {
    {"bmpsuite/g/pal1.bmp", 127, 64, ""},
    {"bmpsuite/g/pal1bg.bmp", 127, 64, ""},
    {"bmpsuite/g/pal1wb.bmp", 127, 64, ""},
    {"bmpsuite/g/pal4.bmp", 127, 64, ""},
    {"bmpsuite/g/pal4gs.bmp", 127, 64, ""},
    {"bmpsuite/g/pal4rle.bmp", 127, 64, "bmpsuite/g/pal4.bmp"},
    {"bmpsuite/g/pal8.bmp", 127, 64, ""},
    {"bmpsuite/g/pal8-0.bmp", 127, 64, "bmpsuite/g/pal8.bmp"},
    {"bmpsuite/g/pal8gs.bmp", 127, 64, ""},
    {"bmpsuite/g/pal8nonsquare.bmp", 127, 32, ""},
    {"bmpsuite/g/pal8os2.bmp", 127, 64, "bmpsuite/g/pal8.bmp"},
    {"bmpsuite/g/pal8rle.bmp", 127, 64, "bmpsuite/g/pal8.bmp"},
    {"bmpsuite/g/pal8topdown.bmp", 127, 64, "bmpsuite/g/pal8.bmp"},
    {"bmpsuite/g/pal8v4.bmp", 127, 64, "bmpsuite/g/pal8.bmp"},
    {"bmpsuite/g/pal8v5.bmp", 127, 64, "bmpsuite/g/pal8.bmp"},
    {"bmpsuite/g/pal8w124.bmp", 124, 61, ""},
    {"bmpsuite/g/pal8w125.bmp", 125, 62, ""},
    {"bmpsuite/g/pal8w126.bmp", 126, 63, ""},
    {"bmpsuite/g/rgb16.bmp", 127, 64, ""},
    {"bmpsuite/g/rgb16bfdef.bmp", 127, 64, "bmpsuite/g/rgb16.bmp"},
    {"bmpsuite/g/rgb16-565.bmp", 127, 64, ""},
    {"bmpsuite/g/rgb16-565pal.bmp", 127, 64, "bmpsuite/g/rgb16-565.bmp"},
    {"bmpsuite/g/rgb24.bmp", 127, 64, ""},
    {"bmpsuite/g/rgb24pal.bmp", 127, 64, "bmpsuite/g/rgb24.bmp"},
    {"bmpsuite/g/rgb32.bmp", 127, 64, "bmpsuite/g/rgb24.bmp"},
    {"bmpsuite/g/rgb32bf.bmp", 127, 64, "bmpsuite/g/rgb24.bmp"},
    {"bmpsuite/g/rgb32bfdef.bmp", 127, 64, "bmpsuite/g/rgb24.bmp"},
    {"bmp-more/colormap.bmp", 150, 103, ""},
    {"bmp-more/video-001.bmp", 150, 103, ""},
    {"bmp-more/yellow_rose-small.bmp", 16, 12, ""},
    {"bmp-more/yellow_rose-small-v5.bmp", 16, 12, ""},
};

TEST(BmpCorpus, GoodFilesReadToTheSamePicturesAsTheirPlainSiblings) {
    for (const Readable& c : kGood) CheckReadable(c);
}

// An independent look at two files: the first bytes of the pixel area decoded by hand.
TEST(BmpCorpus, FirstStoredPixelIsTheBottomLeftPixel) {
    const std::vector<uint8_t> raw = ReadWholeFile(kCorpus + "/bmpsuite/g/rgb24.bmp");
    const uint32_t stored = raw[54] | (raw[55] << 8) | (raw[56] << 16);
    EXPECT_EQ(test::PixelsOf(ReadFile("bmpsuite/g/rgb24.bmp"))[127 * 63], stored);

    const std::vector<uint8_t> pal = ReadWholeFile(kCorpus + "/bmpsuite/g/pal8.bmp");
    const size_t index = pal[1062];  // the first pixel byte; the table starts at 54
    const uint32_t entry = pal[54 + 4 * index] | (pal[55 + 4 * index] << 8) | (pal[56 + 4 * index] << 16);
    EXPECT_EQ(test::PixelsOf(ReadFile("bmpsuite/g/pal8.bmp"))[127 * 63], entry);
}

const Readable kQuestionableReadable[] = {
    {"bmpsuite/q/pal1p1.bmp", 127, 64, ""},                                   // a one-entry table
    {"bmpsuite/q/pal4rlecut.bmp", 127, 64, ""},                               // RLE ending early
    {"bmpsuite/q/pal4rletrns.bmp", 127, 64, ""},                              // deltas leave index 0
    {"bmpsuite/q/pal8offs.bmp", 127, 64, "bmpsuite/g/pal8.bmp"},              // offset past a gap honoured
    {"bmpsuite/q/pal8os2-hs.bmp", 127, 64, ""},
    {"bmpsuite/q/pal8os2-sz.bmp", 127, 64, ""},
    {"bmpsuite/q/pal8os2sp.bmp", 127, 64, ""},
    {"bmpsuite/q/pal8os2v2-40sz.bmp", 127, 64, "bmpsuite/g/pal8.bmp"},
    {"bmpsuite/q/pal8os2v2-sz.bmp", 127, 64, "bmpsuite/g/pal8.bmp"},
    {"bmpsuite/q/pal8os2v2.bmp", 127, 64, "bmpsuite/g/pal8.bmp"},
    {"bmpsuite/q/pal8oversizepal.bmp", 127, 64, "bmpsuite/g/pal8.bmp"},       // table cut to 256
    {"bmpsuite/q/pal8rlecut.bmp", 127, 64, ""},
    {"bmpsuite/q/pal8rletrns.bmp", 127, 64, ""},
    {"bmpsuite/q/rgb16-231.bmp", 127, 64, ""},
    {"bmpsuite/q/rgb16-3103.bmp", 127, 64, ""},
    {"bmpsuite/q/rgb16faketrns.bmp", 127, 64, ""},
    {"bmpsuite/q/rgb24largepal.bmp", 127, 64, "bmpsuite/g/rgb24.bmp"},
    {"bmpsuite/q/rgb32-111110.bmp", 127, 64, ""},
    {"bmpsuite/q/rgb32-7187.bmp", 127, 64, ""},
    {"bmpsuite/q/rgb32-xbgr.bmp", 127, 64, "bmpsuite/g/rgb24.bmp"},
    {"bmpsuite/q/rgb32fakealpha.bmp", 127, 64, ""},
    {"bmpsuite/q/rgb32h52.bmp", 127, 64, "bmpsuite/g/rgb24.bmp"},
    {"bmpsuite/q/rgba16-1924.bmp", 127, 64, ""},
    {"bmpsuite/q/rgba16-4444.bmp", 127, 64, ""},
    {"bmpsuite/q/rgba16-5551.bmp", 127, 64, ""},
    {"bmpsuite/q/rgba32-1.bmp", 127, 64, ""},
    {"bmpsuite/q/rgba32-1010102.bmp", 127, 64, ""},
    {"bmpsuite/q/rgba32-2.bmp", 127, 64, ""},
    {"bmpsuite/q/rgba32-61754.bmp", 127, 64, ""},
    {"bmpsuite/q/rgba32-81284.bmp", 127, 64, ""},
    {"bmpsuite/q/rgba32h56.bmp", 127, 64, ""},
};

// Files read with a recovered picture: cut and overlong data are clipped, not refused.
const Readable kBadReadable[] = {
    {"bmpsuite/b/badbitssize.bmp", 127, 64, ""},      // pixel size beyond the file: what is there
    {"bmpsuite/b/baddens1.bmp", 127, 64, ""},         // resolutions are ignored
    {"bmpsuite/b/baddens2.bmp", 127, 64, ""},
    {"bmpsuite/b/badfilesize.bmp", 127, 64, ""},      // the file size field is ignored
    {"bmpsuite/b/badheadersize.bmp", 127, 64, ""},    // a 66-byte header is a longer header
    {"bmpsuite/b/badrle.bmp", 127, 64, ""},           // runs past the row: clipped
    {"bmpsuite/b/badrle4.bmp", 127, 64, ""},
    {"bmpsuite/b/badrle4bis.bmp", 127, 64, ""},
    {"bmpsuite/b/badrle4ter.bmp", 127, 64, ""},
    {"bmpsuite/b/badrlebis.bmp", 127, 64, ""},
    {"bmpsuite/b/badrleter.bmp", 127, 64, ""},
    {"bmpsuite/b/pal8badindex.bmp", 127, 64, ""},     // indices beyond the table are black
    {"bmpsuite/b/shortfile.bmp", 127, 64, ""},        // missing rows stay zero
};

TEST(BmpCorpus, QuestionableAndDamagedFilesThatStillMakeAPicture) {
    for (const Readable& c : kQuestionableReadable) CheckReadable(c);
    for (const Readable& c : kBadReadable) CheckReadable(c);
}

struct Refused {
    const char* file;
    const char* errorClass;
    const char* message;
};

constexpr const char* kInvalidMessage = "Bitmap image is not valid";

const Refused kRefused[] = {
    {"bmpsuite/q/pal1huffmsb.bmp", "EInvalidGraphic", kInvalidMessage},    // Huffman coding
    {"bmpsuite/q/pal2.bmp", "EInvalidGraphic", kInvalidMessage},           // 2 bits per pixel
    {"bmpsuite/q/pal2color.bmp", "EInvalidGraphic", kInvalidMessage},
    {"bmpsuite/q/pal8os2v2-16.bmp", "EInvalidGraphic", kInvalidMessage},   // 16-byte header
    {"bmpsuite/q/rgb24jpeg.bmp", "EInvalidGraphic", kInvalidMessage},      // JPEG inside
    {"bmpsuite/q/rgb24png.bmp", "EInvalidGraphic", kInvalidMessage},       // PNG inside
    {"bmpsuite/q/rgb24rle24.bmp", "EInvalidGraphic", kInvalidMessage},     // 24-bit RLE
    {"bmpsuite/q/rgba32abf.bmp", "EInvalidGraphic", kInvalidMessage},      // alpha bit fields
    {"bmpsuite/q/rgba64.bmp", "EInvalidGraphic", kInvalidMessage},         // 64 bits per pixel
    {"bmpsuite/b/badbitcount.bmp", "EInvalidGraphic", kInvalidMessage},
    {"bmpsuite/b/badplanes.bmp", "EInvalidGraphic", kInvalidMessage},
    {"bmpsuite/b/badwidth.bmp", "EInvalidGraphic", kInvalidMessage},
    {"bmpsuite/b/reallybig.bmp", "EInvalidGraphic", kInvalidMessage},      // pixel data beyond 4 GiB
    {"bmpsuite/b/rgb16-880.bmp", "EInvalidGraphic", kInvalidMessage},      // a blue mask of 0
    {"bmpsuite/b/rletopdown.bmp", "EInvalidGraphic", kInvalidMessage},
    {"bmpsuite/b/badpalettesize.bmp", "EReadError", "Stream read error"},  // 305 million entries
};

TEST(BmpCorpus, RefusedFilesGiveTheirExactError) {
    for (const Refused& c : kRefused) {
        SCOPED_TRACE(c.file);
        try {
            ReadFile(c.file);
            ADD_FAILURE() << "no error";
        } catch (const Exception& e) {
            EXPECT_EQ(e.ClassName(), std::string(c.errorClass));
            EXPECT_EQ(e.Message(), c.message);
        }
    }
}

}  // namespace
}  // namespace nox
