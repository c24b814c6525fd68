// The BMP reader on files built field by field: the exact pixels of every pixel layout, the row
// order, the colour table rules, the pixel offset, short pixel areas and every malformed class.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/bmp/Bmp.h"
#include "platform/Errors.h"
#include "tests/formats/bmp/BmpBuilder.h"

namespace nox {
namespace {

using test::BmpFields;
using test::BuildBmp;
using test::PixelsOf;

TBitmap Read(const std::vector<uint8_t>& bytes) {
    TMemoryStream stream(bytes);
    TBitmap bitmap;
    ReadBmp(bitmap, stream);
    return bitmap;
}

std::vector<uint8_t> Quads(std::initializer_list<uint32_t> bgr) {
    std::vector<uint8_t> out;
    for (uint32_t v : bgr) test::Put(out, v, 4);
    return out;
}

std::vector<uint8_t> Concat(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    std::vector<uint8_t> out = a;
    out.insert(out.end(), b.begin(), b.end());
    return out;
}

// One 3 x 2 picture per pixel layout: its fields (rows given top row first), the pixels expected
// top row first as blue + green << 8 + red << 16 (+ the fourth byte for plain 32 bits).
struct LayoutCase {
    const char* name;
    BmpFields fields;
    std::vector<uint8_t> topRow, bottomRow;
    std::vector<uint32_t> expected;
};

std::vector<uint8_t> Ramp16() {  // 16 entries: blue i, green 2i, red 3i
    std::vector<uint8_t> t;
    for (uint8_t i = 0; i < 16; ++i) t.insert(t.end(), {i, uint8_t(2 * i), uint8_t(3 * i), 0});
    return t;
}

std::vector<uint8_t> CoreTable() {  // 256 three-byte entries: blue i, green 255 - i, red 7
    std::vector<uint8_t> t;
    for (int i = 0; i < 256; ++i) t.insert(t.end(), {uint8_t(i), uint8_t(255 - i), 7});
    return t;
}

uint32_t CoreEntry(uint32_t i) { return i | ((255 - i) << 8) | (7u << 16); }

std::vector<LayoutCase> LayoutCases() {
    std::vector<LayoutCase> cases;
    {
        BmpFields f;
        f.Bits = 1;
        f.Table = Quads({0x000000, 0x302010});
        cases.push_back({"1 bit, two entries", f, {0xA0, 0, 0, 0}, {0x60, 0, 0, 0},
                         {0x302010, 0, 0x302010, 0, 0x302010, 0x302010}});
    }
    {
        BmpFields f;
        f.Bits = 4;
        f.Table = Ramp16();
        auto e = [](uint32_t i) { return i | (2 * i) << 8 | (3 * i) << 16; };
        cases.push_back({"4 bits, sixteen entries", f, {0x12, 0x30, 0, 0}, {0xFE, 0xD0, 0, 0},
                         {e(1), e(2), e(3), e(15), e(14), e(13)}});
    }
    {
        BmpFields f;
        f.Bits = 8;
        f.ClrUsed = 4;
        f.Table = Quads({0x00FF11, 0x00FE51, 0x00FD91, 0x00FCD1});
        cases.push_back({"8 bits, colours used 4, index beyond the table is black", f, {0, 1, 2, 0}, {3, 200, 0, 0},
                         {0x00FF11, 0x00FE51, 0x00FD91, 0x00FCD1, 0, 0x00FF11}});
    }
    {
        BmpFields f;
        f.Bits = 16;
        cases.push_back({"16 bits 5-5-5, fields widened by repeating high bits", f,
                         {0xFF, 0x7F, 0x00, 0x7C, 0x01, 0x00, 0, 0},
                         {0xE0, 0x03, 0x10, 0x42, 0x00, 0x00, 0, 0},
                         {0xFFFFFF, 0xFF0000, 0x000008, 0x00FF00, 0x848484, 0}});
    }
    {
        BmpFields f;
        f.Bits = 16;
        f.Compression = 3;
        f.Masks = {0xF800, 0x07E0, 0x001F};
        cases.push_back({"16 bits 5-6-5 bit fields after a 40-byte header", f,
                         {0xE0, 0x07, 0x20, 0x08, 0xFF, 0xFF, 0, 0},
                         {0x1F, 0x00, 0x00, 0xF8, 0x10, 0x84, 0, 0},
                         {0x00FF00, 0x080400, 0xFFFFFF, 0x0000FF, 0xFF0000, 0x848284}});
    }
    {
        BmpFields f;
        f.HeaderSize = 108;
        f.Bits = 16;
        f.Compression = 3;
        f.Masks = {0xF800, 0x07E0, 0x001F};
        cases.push_back({"16 bits bit fields inside a 108-byte header", f,
                         {0xE0, 0x07, 0x20, 0x08, 0xFF, 0xFF, 0, 0},
                         {0x1F, 0x00, 0x00, 0xF8, 0x10, 0x84, 0, 0},
                         {0x00FF00, 0x080400, 0xFFFFFF, 0x0000FF, 0xFF0000, 0x848284}});
    }
    {
        BmpFields f;
        f.Bits = 24;
        cases.push_back({"24 bits, rows padded to 12 bytes", f,
                         {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0},
                         {10, 11, 12, 13, 14, 15, 16, 17, 18, 0, 0, 0},
                         {0x030201, 0x060504, 0x090807, 0x0C0B0A, 0x0F0E0D, 0x121110}});
    }
    {
        BmpFields f;
        f.Bits = 32;
        cases.push_back({"32 bits, fourth bytes kept in the device bitmap", f,
                         {1, 2, 3, 0xAA, 4, 5, 6, 0, 7, 8, 9, 0xFF},
                         {10, 11, 12, 1, 13, 14, 15, 2, 16, 17, 18, 3},
                         {0xAA030201, 0x060504, 0xFF090807, 0x010C0B0A, 0x020F0E0D, 0x03121110}});
    }
    {
        BmpFields f;
        f.HeaderSize = 124;
        f.Bits = 32;
        f.Compression = 3;
        f.Masks = {0x000000FF, 0x0000FF00, 0x00FF0000};  // red, green, blue in byte order
        cases.push_back({"32 bits bit fields, red in the first byte", f,
                         {0x11, 0x22, 0x33, 0x44, 0xFF, 0, 0, 0, 0, 0, 0xFF, 0},
                         {0, 0xFF, 0, 0, 1, 2, 3, 4, 0, 0, 0, 0xFF},
                         {0x112233, 0xFF0000, 0x0000FF, 0x00FF00, 0x010203, 0}});
    }
    {
        BmpFields f;
        f.HeaderSize = 12;
        f.Bits = 8;
        f.Table = CoreTable();
        cases.push_back({"core header, 8 bits, 256 three-byte entries", f, {0, 128, 255, 0}, {1, 2, 3, 0},
                         {CoreEntry(0), CoreEntry(128), CoreEntry(255), CoreEntry(1), CoreEntry(2), CoreEntry(3)}});
    }
    {
        BmpFields f;
        f.HeaderSize = 12;
        f.Bits = 24;
        cases.push_back({"core header, 24 bits", f,
                         {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0},
                         {10, 11, 12, 13, 14, 15, 16, 17, 18, 0, 0, 0},
                         {0x030201, 0x060504, 0x090807, 0x0C0B0A, 0x0F0E0D, 0x121110}});
    }
    for (auto& c : cases) {
        c.fields.Width = 3;
        c.fields.Height = 2;
    }
    return cases;
}

TEST(BmpRead, EveryPixelLayoutGivesExactPixels) {
    for (const LayoutCase& c : LayoutCases()) {
        SCOPED_TRACE(c.name);
        BmpFields f = c.fields;
        f.Pixels = Concat(c.bottomRow, c.topRow);  // bottom row first
        const TBitmap bitmap = Read(BuildBmp(f));
        EXPECT_EQ(bitmap.GetWidth(), 3);
        EXPECT_EQ(bitmap.GetHeight(), 2);
        EXPECT_EQ(bitmap.BitsPerPixel(), f.Bits);
        EXPECT_EQ(PixelsOf(bitmap), c.expected);
    }
}

TEST(BmpRead, TopDownFileGivesTheSamePictureAsBottomUp) {
    for (const LayoutCase& c : LayoutCases()) {
        if (c.fields.HeaderSize == 12) continue;  // core headers have no sign
        SCOPED_TRACE(c.name);
        BmpFields f = c.fields;
        f.Height = -2;
        f.Pixels = Concat(c.topRow, c.bottomRow);  // top row first
        const TBitmap bitmap = Read(BuildBmp(f));
        EXPECT_EQ(bitmap.GetHeight(), 2);
        EXPECT_EQ(PixelsOf(bitmap), c.expected);
    }
}

TEST(BmpRead, ColourTableIsKept) {
    BmpFields f;
    f.Bits = 1;
    f.Table = Quads({0x010203, 0x0A0B0C});
    f.Pixels = {0, 0, 0, 0};
    const TBitmap bitmap = Read(BuildBmp(f));
    ASSERT_EQ(bitmap.ColorTable().size(), 2u);
    EXPECT_EQ(bitmap.ColorTable()[1], RGBQuad(0x0A, 0x0B, 0x0C));
}

// How many table entries are read decides where the pixels begin, so the pixels show it.
TEST(BmpRead, ColourTableSizeFollowsColoursUsedOrTheDepth) {
    struct Case {
        const char* name;
        uint16_t bits;
        uint32_t clrUsed;
        size_t entries;
    };
    const Case cases[] = {
        {"1 bit, colours used 0", 1, 0, 2},
        {"1 bit, colours used 2", 1, 2, 2},
        {"4 bits, colours used 0", 4, 0, 16},
        {"8 bits, colours used 16", 8, 16, 16},
        {"8 bits, colours used 0", 8, 0, 256},
        {"24 bits, colours used 3: a display palette only", 24, 3, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BmpFields f;
        f.Bits = c.bits;
        f.ClrUsed = c.clrUsed;
        for (size_t i = 0; i < c.entries; ++i) test::Put(f.Table, 0x000000FF, 4);  // all blue
        // The first pixel byte selects entry 0 (blue) at 1-8 bits; at 24 bits it is the pixel.
        f.Pixels = c.bits == 24 ? std::vector<uint8_t>{0x00, 0x80, 0x00, 0} : std::vector<uint8_t>{0, 0, 0, 0};
        f.PixelOffset = 0;  // ignored: inside the headers
        const TBitmap bitmap = Read(BuildBmp(f));
        EXPECT_EQ(bitmap.ColorTable().size(), c.entries);
        EXPECT_EQ(PixelsOf(bitmap)[0], c.bits == 24 ? 0x008000u : 0x0000FFu);
    }
}

TEST(BmpRead, ColourTableBeyond256EntriesIsCutAndTheRestSkipped) {
    BmpFields f;
    f.Bits = 8;
    f.ClrUsed = 300;
    for (uint32_t i = 0; i < 300; ++i) test::Put(f.Table, i < 256 ? i : 0xFFFFFF, 4);
    f.Pixels = {7, 0, 0, 0};
    f.PixelOffset = 0;  // the pixels must be found after all 300 entries
    const TBitmap bitmap = Read(BuildBmp(f));
    EXPECT_EQ(bitmap.ColorTable().size(), 256u);
    EXPECT_EQ(PixelsOf(bitmap)[0], 7u);
}

TEST(BmpRead, PixelOffsetIsHonouredOnlyAtOrAfterTheTableAndInsideTheFile) {
    struct Case {
        const char* name;
        size_t gap;
        int64_t offsetFromTableEnd;  // where the file header says the pixels are
        uint32_t expected;
    };
    // The gap holds the pixel 0x111111; the real pixels 0x222222 follow it.
    const Case cases[] = {
        {"offset past a gap", 4, 4, 0x222222},
        {"offset at the end of the table", 0, 0, 0x222222},
        {"offset inside the table: read after the table", 4, -4, 0x111111},
        {"offset beyond the end of the file: read after the table", 4, 1000, 0x111111},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BmpFields f;
        f.Bits = 24;
        f.ClrUsed = 1;
        f.Table = Quads({0});
        for (size_t i = 0; i < c.gap; ++i) f.Gap.push_back(i < 3 ? 0x11 : 0);
        f.Pixels = {0x22, 0x22, 0x22, 0};
        f.PixelOffset = 14 + 40 + 4 + c.offsetFromTableEnd;
        EXPECT_EQ(PixelsOf(Read(BuildBmp(f)))[0], c.expected);
    }
}

TEST(BmpRead, ShortPixelAreaLeavesTheMissingTopRowsZero) {
    BmpFields f;
    f.Bits = 8;
    f.Width = 2;
    f.Height = 3;
    f.ClrUsed = 2;
    f.Table = Quads({0x0000FF, 0x00FF00});
    // Bottom row complete, middle row one byte short, top row missing.
    f.Pixels = {1, 1, 0, 0, 1};
    const TBitmap bitmap = Read(BuildBmp(f));
    const std::vector<uint32_t> expected = {0x0000FF, 0x0000FF, 0x00FF00, 0x0000FF, 0x00FF00, 0x00FF00};
    EXPECT_EQ(PixelsOf(bitmap), expected);
    EXPECT_EQ(bitmap.ScanLine(0)[0], 0);
}

// Large pictures are read in pieces of many rows; a file cut inside the second piece must still
// put every stored row in its place and leave the rest zero, in both row orders.
TEST(BmpRead, LargeFileCutShortKeepsEveryStoredRowInPlace) {
    const int32_t width = 1000, height = 600;  // 4000-byte rows: three pieces
    const size_t row = 4000;
    const size_t cut = 300 * row + 1234;  // 300 whole rows and part of one more
    for (bool topDown : {false, true}) {
        SCOPED_TRACE(topDown ? "top-down" : "bottom-up");
        BmpFields f;
        f.Bits = 32;
        f.Width = width;
        f.Height = topDown ? -height : height;
        for (size_t i = 0; i < cut; ++i) f.Pixels.push_back(static_cast<uint8_t>(i / row * 7 + i % 251 + 1));
        const TBitmap bitmap = Read(BuildBmp(f));
        ASSERT_EQ(bitmap.GetHeight(), height);
        for (int32_t fileRow = 0; fileRow < height; ++fileRow) {
            const uint8_t* stored = bitmap.ScanLine(topDown ? fileRow : height - 1 - fileRow);
            for (size_t x = 0; x < row; x += 97) {
                const size_t i = static_cast<size_t>(fileRow) * row + x;
                const uint8_t expected = i < cut ? static_cast<uint8_t>(i / row * 7 + i % 251 + 1) : 0;
                ASSERT_EQ(stored[x], expected) << "file row " << fileRow << ", byte " << x;
            }
        }
    }
}

// A stream over a file's bytes that fails (as a disk or network file may) once `failAt` bytes
// have been read.
class TFailingStream : public TMemoryStream {
public:
    TFailingStream(std::vector<uint8_t> bytes, size_t failAt) : TMemoryStream(std::move(bytes)), failAt_(failAt) {}
    size_t Read(void* buffer, size_t count) override {
        if (static_cast<size_t>(Position()) + count > failAt_) throw EReadError("Stream read error");
        return TMemoryStream::Read(buffer, count);
    }

private:
    size_t failAt_;
};

// The reader's bitmap is not cleared before the rows go in, and a large picture gets the memory
// the previous one of its size had. What a file lacks must still read as zero, not as that
// picture's pixels: whole rows, the rest of the row it ends in, and everything after a stream
// that fails part of the way.
TEST(BmpRead, WhatTheFileLacksIsZeroNotThePreviousPicturesPixels) {
    const int32_t width = 1600, height = 1500;  // 9.6 MB: large enough to reuse the previous memory
    const size_t row = 6400;
    struct Case {
        const char* name;
        bool topDown;
        size_t cut;      // bytes of pixels in the file
        size_t failAt;   // 0: the stream does not fail; else the pixel byte at which it does
        size_t present;  // bytes expected in place
    };
    const Case cases[] = {
        {"bottom-up, cut inside a row", false, 700 * row + 999, 0, 700 * row + 999},
        {"top-down, cut inside a row", true, 700 * row + 999, 0, 700 * row + 999},
        {"bottom-up, no pixels", false, 0, 0, 0},
        {"top-down, the stream fails in the third piece", true, height * row, 100 * row + 5, 80 * row},
        {"bottom-up, the stream fails in the third piece", false, height * row, 100 * row + 5, 80 * row},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BmpFields f;
        f.Bits = 32;
        f.Width = width;
        f.Height = c.topDown ? -height : height;
        {
            // A whole picture of the same size with no zero byte, read and let go.
            f.Pixels.assign(size_t{height} * row, 0xA5);
            const TBitmap previous = Read(BuildBmp(f));
            ASSERT_EQ(previous.ScanLine(0)[0], 0xA5);
        }
        f.Pixels.resize(c.cut);
        for (size_t i = 0; i < c.cut; ++i) f.Pixels[i] = static_cast<uint8_t>(i % 251 + 1);
        const std::vector<uint8_t> file = BuildBmp(f);
        TBitmap bitmap;
        if (c.failAt == 0) {
            TMemoryStream stream(file);
            ReadBmp(bitmap, stream);
        } else {
            TFailingStream stream(file, file.size() - c.cut + c.failAt);
            EXPECT_THROW(ReadBmp(bitmap, stream), EReadError);
        }
        ASSERT_EQ(bitmap.GetHeight(), height);
        for (int32_t fileRow = 0; fileRow < height; ++fileRow) {
            const uint8_t* stored = bitmap.ScanLine(c.topDown ? fileRow : height - 1 - fileRow);
            for (size_t x = 0; x < row; ++x) {
                const size_t i = static_cast<size_t>(fileRow) * row + x;
                const uint8_t expected = i < c.present ? static_cast<uint8_t>(i % 251 + 1) : 0;
                if (stored[x] != expected) {
                    ADD_FAILURE() << "file row " << fileRow << ", byte " << x << ": " << int(stored[x]) << " for "
                                  << int(expected);
                    return;
                }
            }
        }
    }
}

TEST(BmpRead, DeclaredPixelSizeLimitsTheBytesRead) {
    BmpFields f;
    f.Bits = 24;
    f.Width = 1;
    f.Height = 2;
    f.SizeImage = 4;  // only the bottom row counts
    f.Pixels = {1, 2, 3, 0, 4, 5, 6, 0};
    EXPECT_EQ(PixelsOf(Read(BuildBmp(f))), (std::vector<uint32_t>{0, 0x030201}));
}

TEST(BmpRead, EmptyStreamIsAnEmptyPicture) {
    TBitmap bitmap;
    bitmap.SetSize(4, 4);
    TMemoryStream empty;
    ReadBmp(bitmap, empty);
    EXPECT_EQ(bitmap.GetWidth(), 0);
    EXPECT_EQ(bitmap.GetHeight(), 0);
}

TEST(BmpRead, ReadsFromTheStreamPositionOn) {
    BmpFields f;
    f.Pixels = {9, 8, 7, 0};
    f.PixelOffset = 54;  // counted from the start of the BMP, not of the stream
    std::vector<uint8_t> bytes = {0xEE, 0xEE, 0xEE};
    const std::vector<uint8_t> bmp = BuildBmp(f);
    bytes.insert(bytes.end(), bmp.begin(), bmp.end());
    TMemoryStream stream(bytes);
    stream.SetPosition(3);
    TBitmap bitmap;
    ReadBmp(bitmap, stream);
    EXPECT_EQ(PixelsOf(bitmap), (std::vector<uint32_t>{0x070809}));
}

// ---- malformed files ---------------------------------------------------------------------------

struct BadCase {
    std::string name;
    std::vector<uint8_t> bytes;
    std::string errorClass;
    std::string message;
};

BadCase Invalid(std::string name, const BmpFields& f) {
    return {std::move(name), BuildBmp(f), "EInvalidGraphic", "Bitmap image is not valid"};
}
BadCase Short(std::string name, std::vector<uint8_t> bytes) {
    return {std::move(name), std::move(bytes), "EReadError", "Stream read error"};
}

std::vector<BadCase> BadCases() {
    std::vector<BadCase> cases;
    cases.push_back(Short("one byte", {'B'}));
    cases.push_back(Short("file header cut at 13 bytes", {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0x36, 0, 0}));
    cases.push_back(Short("file header only", {
        'B', 'M',                // type
        0x36, 0, 0, 0,           // file size
        0, 0, 0, 0,              // reserved
        0x36, 0, 0, 0,           // pixel offset
    }));
    cases.push_back(Short("information header cut after 20 bytes", {
        'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0x36, 0, 0, 0,
        40, 0, 0, 0,             // header size
        1, 0, 0, 0,              // width
        1, 0, 0, 0,              // height
        1, 0, 24, 0,             // planes, bits
        0, 0, 0, 0,              // compression; then the file ends
    }));
    cases.push_back(Short("core header cut after 8 bytes", {
        'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0x1A, 0, 0, 0,
        12, 0, 0, 0,             // header size
        1, 0, 1, 0,              // width, height; planes and bits missing
    }));
    {
        std::vector<uint8_t> b = BuildBmp(BmpFields{});
        b[14] = 0xF0, b[15] = 0xFF, b[16] = 0xFF, b[17] = 0xFF;  // header size 4 GiB - 16
        cases.push_back(Short("header size beyond the file", b));
    }
    {
        BmpFields f;
        f.Type = 0x4142;  // "BA"
        cases.push_back(Invalid("type is not BM", f));
    }
    for (uint32_t size : {0u, 16u, 39u}) {
        BmpFields f;
        f.Pixels = std::vector<uint8_t>(64, 0);
        std::vector<uint8_t> b = BuildBmp(f);
        b[14] = static_cast<uint8_t>(size);
        cases.push_back({"header size " + std::to_string(size), b, "EInvalidGraphic", "Bitmap image is not valid"});
    }
    for (uint16_t planes : {0, 2}) {
        BmpFields f;
        f.Planes = planes;
        cases.push_back(Invalid("planes " + std::to_string(planes), f));
    }
    {
        BmpFields f;
        f.HeaderSize = 12;
        f.Planes = 3;
        cases.push_back(Invalid("core header with planes 3", f));
    }
    for (uint16_t bits : {0, 2, 3, 15, 48, 64}) {
        BmpFields f;
        f.Bits = bits;
        cases.push_back(Invalid("bits per pixel " + std::to_string(bits), f));
    }
    const struct {
        const char* name;
        int32_t width, height;
    } sizes[] = {
        {"width 0", 0, 1},
        {"width -1", -1, 1},
        {"height 0", 1, 0},
        {"height of the most negative value", 1, INT32_MIN},
        {"width x height x bits beyond 32 bits", 65536, 65536},
        {"width x bits beyond 32 bits", 0x7FFFFFFF, 1},
    };
    for (const auto& s : sizes) {
        BmpFields f;
        f.Bits = 32;
        f.Width = s.width;
        f.Height = s.height;
        cases.push_back(Invalid(s.name, f));
    }
    {
        BmpFields f;
        f.HeaderSize = 12;
        f.Width = 0;
        cases.push_back(Invalid("core header with width 0", f));
    }
    const struct {
        const char* name;
        uint16_t bits;
        uint32_t compression;
    } codings[] = {
        {"RLE8 at 16 bits", 16, 1}, {"RLE8 at 32 bits", 32, 1}, {"RLE4 at 16 bits", 16, 2},
        {"RLE4 at 32 bits", 32, 2}, {"RLE8 at 4 bits", 4, 1},   {"RLE4 at 8 bits", 8, 2},
        {"bit fields at 24 bits", 24, 3}, {"bit fields at 8 bits", 8, 3}, {"JPEG coding", 24, 4},
        {"PNG coding", 24, 5}, {"alpha bit fields", 32, 6}, {"coding 0xFFFFFFFF", 24, 0xFFFFFFFF},
    };
    for (const auto& c : codings) {
        BmpFields f;
        f.Bits = c.bits;
        f.Compression = c.compression;
        f.Masks = {0xFF0000, 0xFF00, 0xFF};
        f.Table = std::vector<uint8_t>(4 * 256, 0);
        cases.push_back(Invalid(c.name, f));
    }
    {
        BmpFields f;
        f.Bits = 8;
        f.Compression = 1;
        f.Height = -1;
        cases.push_back(Invalid("top-down run-length data", f));
    }
    {
        BmpFields f;
        f.Bits = 16;
        f.Compression = 3;
        f.Masks = {0xF800, 0x07E0, 0};
        cases.push_back(Invalid("a mask of 0", f));
    }
    {
        BmpFields f;
        f.HeaderSize = 48;
        f.Bits = 32;
        f.Compression = 3;
        f.Masks = {0xFF0000, 0xFF00};
        cases.push_back(Invalid("bit fields with a header that ends inside the masks", f));
    }
    cases.push_back(Short("masks cut short", {
        'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0x42, 0, 0, 0,
        40, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0,   // header size, width 1, height 1
        1, 0, 16, 0, 3, 0, 0, 0,               // planes 1, 16 bits, bit fields
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,    // image size, resolutions
        0, 0, 0, 0, 0, 0, 0, 0,                // colours used, important
        0x00, 0xF8, 0, 0, 0xE0, 0x07, 0, 0,    // red and green masks; blue missing
    }));
    {
        BmpFields f;
        f.Bits = 8;
        f.Table = std::vector<uint8_t>(4 * 200, 0);  // 256 entries expected
        cases.push_back(Short("colour table cut short", BuildBmp(f)));
    }
    {
        BmpFields f;
        f.Bits = 8;
        f.ClrUsed = 0xFFFFFFFF;
        f.Table = std::vector<uint8_t>(4 * 256, 0);
        cases.push_back(Short("colours used 4 billion", BuildBmp(f)));
    }
    {
        BmpFields f;
        f.HeaderSize = 12;
        f.Bits = 8;
        f.Table = std::vector<uint8_t>(3 * 255, 0);
        cases.push_back(Short("core colour table cut short", BuildBmp(f)));
    }
    {
        // Its 1-bit rows fit in 4 GiB, but a pane of 32 billion pixels fits no machine.
        BmpFields f;
        f.Bits = 1;
        f.Width = 0x7FFFFFF0;
        f.Height = 15;
        f.Table = Quads({0, 0xFFFFFF});
        cases.push_back({"picture too big for the machine", BuildBmp(f), "EOutOfMemory", "Out of memory"});
    }
    return cases;
}

TEST(BmpRead, MalformedFilesGiveTheirErrorAndLeaveTheBitmapAlone) {
    for (const BadCase& c : BadCases()) {
        SCOPED_TRACE(c.name);
        TBitmap bitmap;
        bitmap.SetSize(2, 1);
        TMemoryStream stream(c.bytes);
        try {
            ReadBmp(bitmap, stream);
            ADD_FAILURE() << "no error";
        } catch (const Exception& e) {
            EXPECT_EQ(e.ClassName(), c.errorClass);
            EXPECT_EQ(e.Message(), c.message);
        }
        EXPECT_EQ(bitmap.GetWidth(), 2);
        EXPECT_EQ(bitmap.GetHeight(), 1);
    }
}

}  // namespace
}  // namespace nox
