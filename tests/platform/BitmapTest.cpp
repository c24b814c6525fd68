// The device bitmap's conversions of every pixel layout and the canvas's stretches.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Errors.h"

namespace nox {
namespace {

// Row 0 of a 1-row bitmap, converted to 32 bits.
std::vector<uint32_t> Row32(const TBitmap& b) {
    std::vector<uint32_t> row(static_cast<size_t>(b.GetWidth()));
    b.RowTo32(0, row.data());
    return row;
}

TBitmap OneRow(int bits, int width, std::vector<uint8_t> bytes) {
    TBitmap b;
    b.SetBitsPerPixel(bits);
    b.SetSize(width, 1);
    std::memcpy(b.ScanLine(0), bytes.data(), std::min(bytes.size(), b.RowBytes()));
    return b;
}

TEST(Bitmap, RowsArePaddedToFourBytes) {
    const struct {
        int bits, width;
        size_t row;
    } cases[] = {{1, 1, 4}, {1, 33, 8}, {4, 9, 8}, {8, 5, 8}, {16, 3, 8}, {24, 3, 12}, {24, 5, 16}, {32, 3, 12}};
    for (const auto& c : cases) EXPECT_EQ(TBitmap::RowBytesFor(c.width, c.bits), c.row) << c.bits << "x" << c.width;
}

TEST(Bitmap, IndexedPixelsLookUpTheTableAndIndicesBeyondItAreBlack) {
    const std::vector<TRGBQuad> table = {RGBQuad(0x10, 0x20, 0x30), RGBQuad(0xA0, 0xB0, 0xC0)};
    TBitmap b1 = OneRow(1, 10, {0b10100000, 0b01000000});
    b1.SetColorTable(table);
    EXPECT_EQ(Row32(b1), (std::vector<uint32_t>{0xA0B0C0, 0x102030, 0xA0B0C0, 0x102030, 0x102030, 0x102030,
                                                 0x102030, 0x102030, 0x102030, 0xA0B0C0}));
    TBitmap b4 = OneRow(4, 3, {0x10, 0x70});
    b4.SetColorTable(table);
    EXPECT_EQ(Row32(b4), (std::vector<uint32_t>{0xA0B0C0, 0x102030, 0}));
    TBitmap b8 = OneRow(8, 3, {1, 0, 255});
    b8.SetColorTable(table);
    EXPECT_EQ(Row32(b8), (std::vector<uint32_t>{0xA0B0C0, 0x102030, 0}));
}

TEST(Bitmap, SixteenBitPixelsAre555OrBitFieldsWithHighBitsRepeated) {
    // 0x7FFF is white in 5-5-5; 0x7C00 pure red; 0x0421 is 1,1,1 -> 0x08 each.
    TBitmap plain = OneRow(16, 3, {0xFF, 0x7F, 0x00, 0x7C, 0x21, 0x04});
    EXPECT_EQ(Row32(plain), (std::vector<uint32_t>{0xFFFFFF, 0xFF0000, 0x080808}));
    // 5-6-5 bit fields: green 6 bits 100000b widens to 10000010b.
    TBitmap fields = OneRow(16, 2, {0x00, 0x04, 0xFF, 0xFF});
    fields.SetBitFields(0xF800, 0x07E0, 0x001F);
    EXPECT_EQ(Row32(fields), (std::vector<uint32_t>{0x008200, 0xFFFFFF}));
}

TEST(Bitmap, TrueColourRowsKeepTheirByteOrder) {
    TBitmap b24 = OneRow(24, 2, {0x01, 0x02, 0x03, 0x04, 0x05, 0x06});
    EXPECT_EQ(Row32(b24), (std::vector<uint32_t>{0x030201, 0x060504}));
    TBitmap b32 = OneRow(32, 1, {0x01, 0x02, 0x03, 0x7F});
    EXPECT_EQ(Row32(b32), (std::vector<uint32_t>{0x7F030201}));
    TBitmap fields = OneRow(32, 1, {0x01, 0x02, 0x03, 0x7F});
    fields.SetBitFields(0x000000FF, 0x0000FF00, 0x00FF0000);  // red in the first byte
    EXPECT_EQ(Row32(fields), (std::vector<uint32_t>{0x010203}));
    uint8_t out[3];
    b32.RowTo24(0, out);
    EXPECT_EQ(out[0], 0x01);
    EXPECT_EQ(out[2], 0x03);
}

TEST(Bitmap, TwentyFourBitRowsOfEveryWidthConvertEveryPixel) {
    // Widths around the four-pixel steps of the fast path and its tail, rows filled to the padding.
    for (int width = 1; width <= 19; ++width) {
        std::vector<uint8_t> bytes(TBitmap::RowBytesFor(width, 24));
        for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(0x11 * (i % 15) + i / 15);
        const TBitmap b = OneRow(24, width, bytes);
        const std::vector<uint32_t> row = Row32(b);
        for (int x = 0; x < width; ++x) {
            const uint32_t expected = bytes[3 * x] | (uint32_t{bytes[3 * x + 1]} << 8) | (uint32_t{bytes[3 * x + 2]} << 16);
            ASSERT_EQ(row[static_cast<size_t>(x)], expected) << "width " << width << ", pixel " << x;
        }
    }
}

TEST(Bitmap, HugeSizesAreRefusedBeforeAllocating) {
    TBitmap b;
    b.SetBitsPerPixel(32);
    try {
        b.SetSize(0x7FFFFFFF, 0x7FFFFFFF);
        FAIL() << "no error";
    } catch (const EOutOfMemory& e) {
        EXPECT_EQ(e.Message(), "Out of memory");
    }
    EXPECT_EQ(b.GetWidth(), 0);
}

TEST(Canvas, StretchBitmapDoublesEachPixelAndClipsToTheSurface) {
    TBitmap b = OneRow(32, 2, {1, 0, 0, 0, 2, 0, 0, 0});
    std::vector<uint32_t> pixels(3 * 2, 0xEEEEEEEE);
    TCanvas canvas(pixels.data(), 3, 2);
    canvas.StretchBitmap(Rect(-1, 0, 3, 2), b);  // 4 wide, one column off the left edge
    EXPECT_EQ(pixels, (std::vector<uint32_t>{1, 2, 2, 1, 2, 2}));
}

// Rows converted whole into the surface are made opaque and remembered as such only when asked,
// and only until something else writes into them; clipped or masked copies never count.
TEST(Canvas, CoveredRowsAreMadeOpaqueOnlyWhenAskedAndOnlyWhileUntouched) {
    TBitmap b;
    b.SetBitsPerPixel(32);
    b.SetSize(2, 2);
    const uint8_t bytes[16] = {1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0};
    std::memcpy(b.ScanLine(0), bytes, 8);
    std::memcpy(b.ScanLine(1), bytes + 8, 8);

    std::vector<uint32_t> plain(4, 0);
    TCanvas untracked(plain.data(), 2, 2);
    untracked.StretchBitmap(Rect(0, 0, 2, 2), b);
    EXPECT_EQ(plain, (std::vector<uint32_t>{1, 2, 3, 4}));
    EXPECT_FALSE(untracked.RowIsOpaque(0));

    std::vector<uint32_t> pixels(4, 0);
    TCanvas canvas(pixels.data(), 2, 2);
    canvas.MakeCoveredRowsOpaque();
    canvas.StretchBitmap(Rect(0, 0, 2, 2), b);
    EXPECT_EQ(pixels, (std::vector<uint32_t>{0xFF000001, 0xFF000002, 0xFF000003, 0xFF000004}));
    EXPECT_TRUE(canvas.RowIsOpaque(0));
    EXPECT_TRUE(canvas.RowIsOpaque(1));
    canvas.Row(1)[0] = 9;
    EXPECT_TRUE(canvas.RowIsOpaque(0));
    EXPECT_FALSE(canvas.RowIsOpaque(1));

    std::vector<uint32_t> wider(3 * 2, 0);
    TCanvas clipped(wider.data(), 3, 2);
    clipped.MakeCoveredRowsOpaque();
    clipped.StretchBitmap(Rect(1, 0, 3, 2), b);  // same size, but rows not whole
    EXPECT_EQ(wider, (std::vector<uint32_t>{0, 1, 2, 0, 3, 4}));
    EXPECT_FALSE(clipped.RowIsOpaque(0));
    const uint8_t mask[2] = {0, 0};
    clipped.StretchBitmapMasked(Rect(0, 0, 3, 2), b, mask, 1);
    EXPECT_FALSE(clipped.RowIsOpaque(1));
}

TEST(Canvas, MaskedCopyKeepsTheSurfaceWhereTheMaskIsSet) {
    TBitmap b = OneRow(8, 3, {0, 0, 0});
    b.SetColorTable({RGBQuad(0, 0, 0xFF)});
    std::vector<uint32_t> pixels(3, 7);
    TCanvas canvas(pixels.data(), 3, 1);
    const uint8_t mask[2] = {0b01000000, 0};
    canvas.StretchBitmapMasked(Rect(0, 0, 3, 1), b, mask, 2);
    EXPECT_EQ(pixels, (std::vector<uint32_t>{0xFF, 7, 0xFF}));
}

}  // namespace
}  // namespace nox
