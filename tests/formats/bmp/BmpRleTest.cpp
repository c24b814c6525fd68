// Run-length decoding: exact colour indices for runs, absolute runs with their padding, line and
// picture ends, deltas, and the clipping of everything that leaves a row or the picture.
#include <gtest/gtest.h>

#include <vector>

#include "formats/bmp/Bmp.h"
#include "formats/bmp/BmpRle.h"
#include "tests/formats/bmp/BmpBuilder.h"

namespace nox {
namespace {

// The pixel memory rows, top row first (RLE4 rows as their packed bytes).
std::vector<std::vector<uint8_t>> Rows(const TBitmap& bitmap) {
    std::vector<std::vector<uint8_t>> rows;
    for (int32_t y = 0; y < bitmap.GetHeight(); ++y)
        rows.emplace_back(bitmap.ScanLine(y), bitmap.ScanLine(y) + bitmap.RowBytes());
    return rows;
}

struct RleCase {
    const char* name;
    int bits;
    int32_t width, height;
    std::vector<uint8_t> data;
    std::vector<std::vector<uint8_t>> rows;  // top row first, whole padded rows
};

const RleCase kCases[] = {
    {"RLE8 run, end of line, padded absolute run, end of bitmap", 8, 4, 3,
     {0x03, 0x05, 0x00, 0x00,                     // 3 x index 5; end of line
      0x00, 0x03, 0x01, 0x02, 0x03, 0x00,         // absolute 1 2 3 and a pad byte
      0x00, 0x00, 0x02, 0x07, 0x00, 0x01,         // end of line; 2 x index 7; end
      0x01, 0x09},                                // after the end: ignored
     {{7, 7, 0, 0}, {1, 2, 3, 0}, {5, 5, 5, 0}}},
    {"RLE8 run past the row is clipped, not wrapped", 8, 4, 3,
     {0x06, 0x09, 0x01, 0x04, 0x00, 0x00, 0x01, 0x04},
     {{0, 0, 0, 0}, {4, 0, 0, 0}, {9, 9, 9, 9}}},
    {"RLE8 absolute run of odd length skips its pad byte", 8, 4, 3,
     {0x00, 0x05, 0x01, 0x02, 0x03, 0x04, 0x05, 0x00,  // 5 indices (clipped to 4) and a pad
      0x00, 0x00, 0x01, 0x08},
     {{0, 0, 0, 0}, {8, 0, 0, 0}, {1, 2, 3, 4}}},
    {"RLE8 deltas move right and up; one beyond the top ends the picture", 8, 4, 3,
     {0x01, 0x03, 0x00, 0x02, 0x01, 0x01, 0x01, 0x06,  // 3; delta (1, 1); 6
      0x00, 0x02, 0x00, 0x05, 0x01, 0x07},             // delta up 5: outside
     {{0, 0, 0, 0}, {0, 0, 6, 0}, {3, 0, 0, 0}}},
    {"RLE8 delta past the right edge clips the rest of the row", 8, 4, 3,
     {0x00, 0x02, 0xFF, 0x00, 0x01, 0x09, 0x00, 0x00, 0x01, 0x01},
     {{0, 0, 0, 0}, {1, 0, 0, 0}, {0, 0, 0, 0}}},
    {"RLE8 more rows than the picture: the extra rows are dropped", 8, 4, 3,
     {0x01, 0x01, 0x00, 0x00, 0x01, 0x02, 0x00, 0x00, 0x01, 0x03, 0x00, 0x00, 0x04, 0x04, 0x00, 0x00},
     {{3, 0, 0, 0}, {2, 0, 0, 0}, {1, 0, 0, 0}}},
    {"RLE8 data ending inside a command", 8, 4, 3,
     {0x02, 0x05, 0x00},
     {{0, 0, 0, 0}, {0, 0, 0, 0}, {5, 5, 0, 0}}},
    {"RLE8 absolute run cut by the end of the data", 8, 4, 3,
     {0x00, 0x04, 0x01, 0x02},
     {{0, 0, 0, 0}, {0, 0, 0, 0}, {1, 2, 0, 0}}},
    {"RLE8 delta cut by the end of the data", 8, 4, 3,
     {0x01, 0x03, 0x00, 0x02, 0x01},
     {{0, 0, 0, 0}, {0, 0, 0, 0}, {3, 0, 0, 0}}},
    {"RLE4 run alternates high and low nibble", 4, 5, 1,
     {0x05, 0x12},
     {{0x12, 0x12, 0x10, 0x00}}},
    {"RLE4 absolute runs, odd one padded", 4, 5, 3,
     {0x00, 0x05, 0x12, 0x34, 0x50, 0x00,  // 1 2 3 4 5 in 3 bytes and a pad
      0x00, 0x00, 0x03, 0x7A,              // end of line; 7 A 7
      0x00, 0x00, 0x00, 0x03, 0xAB, 0xC0,  // end of line; A B C in 2 bytes, no pad
      0x00, 0x01},
     {{0xAB, 0xC0, 0x00, 0x00}, {0x7A, 0x70, 0x00, 0x00}, {0x12, 0x34, 0x50, 0x00}}},
    {"RLE4 run past the row leaves the row's padding alone", 4, 5, 1,
     {0x07, 0x34, 0x00, 0x06, 0x11, 0x11, 0x11, 0x00},
     {{0x34, 0x34, 0x30, 0x00}}},
};

TEST(BmpRle, DecodesAndClipsExactly) {
    for (const RleCase& c : kCases) {
        SCOPED_TRACE(c.name);
        TBitmap bitmap;
        bitmap.SetBitsPerPixel(c.bits);
        bitmap.SetSize(c.width, c.height);
        bmp::DecodeRle(c.data, bitmap);
        EXPECT_EQ(Rows(bitmap), c.rows);
    }
}

// The whole file path: the table's colours through a run-length picture.
TEST(BmpRle, Rle8FileGivesItsColours) {
    test::BmpFields f;
    f.Bits = 8;
    f.Compression = 1;
    f.Width = 2;
    f.Height = 2;
    f.ClrUsed = 2;
    test::Put(f.Table, 0x0000FF, 4);
    test::Put(f.Table, 0xFF0000, 4);
    f.Pixels = {0x02, 0x01, 0x00, 0x00, 0x01, 0x00, 0x01, 0x01, 0x00, 0x01};
    f.SizeImage = static_cast<uint32_t>(f.Pixels.size());
    TMemoryStream stream(test::BuildBmp(f));
    TBitmap bitmap;
    ReadBmp(bitmap, stream);
    EXPECT_EQ(test::PixelsOf(bitmap), (std::vector<uint32_t>{0x0000FF, 0xFF0000, 0xFF0000, 0xFF0000}));
}

}  // namespace
}  // namespace nox
