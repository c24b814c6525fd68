// The colour reduction: exact indices and tables of the default path and of every method, the
// look-ups' rules, hand-worked and reference-checked error diffusion, the octree, and the errors.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "formats/gif/ColorReduction.h"
#include "platform/Errors.h"

namespace nox {
namespace {

struct Rgb {
    uint8_t r, g, b;
};

// A 32-bit picture (blue, green, red, alpha) of `width` x `height` pixels from a row-major list.
TBitmap Picture32(int32_t width, int32_t height, const std::vector<Rgb>& pixels, uint8_t alpha = 0xFF) {
    TBitmap b;
    b.SetBitsPerPixel(32);
    b.SetSize(width, height);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            const Rgb& p = pixels[static_cast<size_t>(y * width + x)];
            uint8_t* q = b.ScanLine(y) + 4 * x;
            q[0] = p.b;
            q[1] = p.g;
            q[2] = p.r;
            q[3] = alpha;
        }
    return b;
}

std::vector<uint8_t> Indices(const TBitmap& b) {
    std::vector<uint8_t> out;
    for (int32_t y = 0; y < b.GetHeight(); ++y) out.insert(out.end(), b.ScanLine(y), b.ScanLine(y) + b.GetWidth());
    return out;
}

std::unique_ptr<TBitmap> Reduce(const TBitmap& source, uint8_t method = 6, uint8_t mode = 0, uint32_t bits = 8,
                                std::span<const TRGBQuad> given = {}) {
    return ReduceToPalette(source, method, mode, given, bits);
}

TEST(ColorReduction, DefaultPathMapsEachChannelToItsUnroundedLevel) {
    const struct {
        Rgb in;
        int index;
    } cases[] = {
        {{255, 255, 255}, 215}, {{0, 0, 0}, 0},        {{255, 0, 0}, 180},       {{0, 255, 0}, 30},
        {{0, 0, 255}, 5},       {{47, 47, 47}, 0},     {{48, 48, 48}, 43},       {{251, 251, 251}, 172},
        {{252, 252, 252}, 215}, {{98, 99, 0}, 48},     {{149, 150, 200}, 2 * 36 + 3 * 6 + 3},
        {{201, 0, 0}, 144},     {{254, 1, 254}, 185},
    };
    std::vector<Rgb> pixels;
    for (const auto& c : cases) pixels.push_back(c.in);
    const TBitmap source = Picture32(static_cast<int32_t>(pixels.size()), 1, pixels);
    const auto result = Reduce(source);
    ASSERT_EQ(result->BitsPerPixel(), 8);
    const std::vector<uint8_t> got = Indices(*result);
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(got[i], cases[i].index) << int(cases[i].in.r) << "," << int(cases[i].in.g) << "," << int(cases[i].in.b);
}

TEST(ColorReduction, DefaultResultHasTheCubeThenFortyBlackEntries) {
    const auto result = Reduce(Picture32(3, 2, std::vector<Rgb>(6, Rgb{1, 2, 3})));
    EXPECT_EQ(result->GetWidth(), 3);
    EXPECT_EQ(result->GetHeight(), 2);
    const auto& table = result->ColorTable();
    ASSERT_EQ(table.size(), 256u);
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                EXPECT_EQ(table[static_cast<size_t>(36 * r + 6 * g + b)],
                          RGBQuad(static_cast<uint8_t>(51 * r), static_cast<uint8_t>(51 * g), static_cast<uint8_t>(51 * b)));
    for (size_t i = 216; i < 256; ++i) EXPECT_EQ(table[i], TRGBQuad{}) << i;
    EXPECT_EQ(MakeCubePalette().size(), 216u);
}

TEST(ColorReduction, AlphaAndSourceFormatPlayNoPartAndTheSourceIsKept) {
    std::vector<Rgb> pixels;
    for (int i = 0; i < 20; ++i) pixels.push_back({static_cast<uint8_t>(i * 13), static_cast<uint8_t>(255 - i * 11),
                                                   static_cast<uint8_t>(i * 7)});
    const TBitmap opaque = Picture32(5, 4, pixels, 0xFF);
    const TBitmap clear = Picture32(5, 4, pixels, 0x00);
    const std::vector<uint8_t> expected = Indices(*Reduce(opaque));
    EXPECT_EQ(Indices(*Reduce(clear)), expected);
    EXPECT_EQ(Indices(*Reduce(opaque.ConvertedTo(24))), expected);
    // 32-bit pixels described by bit fields go through the masks.
    TBitmap fields = opaque;
    fields.SetBitFields(0x00FF0000, 0x0000FF00, 0x000000FF);
    EXPECT_EQ(Indices(*Reduce(fields)), expected);
    // The caller's picture is not converted.
    EXPECT_EQ(opaque.BitsPerPixel(), 32);
    EXPECT_EQ(std::memcmp(opaque.ScanLine(0), Picture32(5, 4, pixels).ScanLine(0), 20), 0);
}

TEST(ColorReduction, LowestBitsDoNotSurviveTheReduction) {
    // Colours differing only in their lowest bit fall into one level unless a boundary lies between.
    std::vector<Rgb> even, odd;
    for (int v = 0; v < 256; v += 2) {
        even.push_back({static_cast<uint8_t>(v), static_cast<uint8_t>(v), static_cast<uint8_t>(v)});
        odd.push_back({static_cast<uint8_t>(v + 1), static_cast<uint8_t>(v + 1), static_cast<uint8_t>(v + 1)});
    }
    const auto a = Indices(*Reduce(Picture32(128, 1, even)));
    const auto b = Indices(*Reduce(Picture32(128, 1, odd)));
    int differ = 0;
    for (size_t i = 0; i < a.size(); ++i) differ += a[i] != b[i];
    // Of the level boundaries 48, 99, 150, 201 and 252 only the odd ones split a pair: (98, 99), (200, 201).
    EXPECT_EQ(differ, 2);
}

TEST(ColorReduction, EveryMethodUsesItsPaletteAndLookup) {
    const struct {
        uint8_t method;
        Rgb in;
        int index;
        size_t important;  // entries before the black padding that the method's palette holds
    } cases[] = {
        {1, {255, 0, 0}, 13, 20},       // system colours: pure red is entry 13 of the 20
        {1, {250, 250, 250}, 19, 20},   // near white
        {2, {255, 255, 255}, 225, 256}, // halftone: white of the cube (10 + 215) comes first
        {2, {51, 102, 153}, 10 + 51, 256},
        {3, {100, 100, 100}, 1, 4},     // 4 greys, nearest by sum of differences
        {3, {200, 200, 200}, 2, 4},
        {3, {60, 60, 60}, 0, 4},
        {4, {128, 128, 128}, 1, 2},     // 77 + 150 + 29 = 256: 32768 is above 32512
        {4, {127, 127, 127}, 0, 2},     // 32512 is not
        {5, {10, 20, 30}, 18, 256},     // (770 + 3000 + 870) div 256
        {5, {255, 255, 255}, 255, 256},
    };
    for (const auto& c : cases) {
        const auto result = Reduce(Picture32(1, 1, {c.in}), c.method);
        ASSERT_EQ(result->BitsPerPixel(), 8) << int(c.method);
        EXPECT_EQ(result->ScanLine(0)[0], c.index) << "method " << int(c.method);
        const auto& table = result->ColorTable();
        ASSERT_EQ(table.size(), 256u);
        for (size_t i = c.important; i < 256; ++i) EXPECT_EQ(table[i], TRGBQuad{}) << int(c.method) << " " << i;
    }
    EXPECT_EQ(Reduce(Picture32(1, 1, {{0, 0, 0}}), 3)->ColorTable()[2], RGBQuad(192, 192, 192));
    EXPECT_EQ(Reduce(Picture32(1, 1, {{0, 0, 0}}), 5)->ColorTable()[77], RGBQuad(77, 77, 77));
}

TEST(ColorReduction, GivenPaletteIsCopiedAndAnEmptyOneGivesAnEmptyResult) {
    const std::vector<TRGBQuad> given = {RGBQuad(10, 10, 10), RGBQuad(200, 0, 0), RGBQuad(0, 0, 200)};
    const auto result = Reduce(Picture32(3, 1, {{0, 0, 190}, {12, 9, 10}, {180, 20, 0}}), 9, 0, 8, given);
    EXPECT_EQ(Indices(*result), (std::vector<uint8_t>{2, 0, 1}));
    EXPECT_EQ(result->ColorTable()[1], RGBQuad(200, 0, 0));
    EXPECT_EQ(result->ColorTable()[3], TRGBQuad{});
    const auto empty = Reduce(Picture32(3, 1, {{0, 0, 190}, {12, 9, 10}, {180, 20, 0}}), 9);
    EXPECT_EQ(empty->GetWidth(), 0);
    EXPECT_EQ(empty->GetHeight(), 0);
}

TEST(ColorReduction, UnknownMethodOrModeGivesAnEmptyResultAndMethodZeroACopy) {
    const TBitmap source = Picture32(2, 1, {{1, 2, 3}, {4, 5, 6}}, 0x80);
    for (const auto& [method, mode] : {std::pair<uint8_t, uint8_t>{10, 0}, {255, 0}, {6, 7}, {6, 255}}) {
        const auto result = Reduce(source, method, mode);
        EXPECT_TRUE(result->Empty()) << int(method) << "/" << int(mode);
    }
    const auto copy = Reduce(source, 0);
    EXPECT_EQ(copy->BitsPerPixel(), 24);
    const uint8_t expected[] = {3, 2, 1, 6, 5, 4};
    EXPECT_EQ(std::memcmp(copy->ScanLine(0), expected, 6), 0);
}

TEST(ColorReduction, ErrorsCarryTheirTexts) {
    TBitmap empty;
    empty.SetBitsPerPixel(32);
    try {
        Reduce(empty);
        FAIL() << "no error";
    } catch (const GIFException& e) {
        EXPECT_EQ(e.Message(), "Invalid image dimensions");
    }
    const struct {
        int32_t width, height;
        int bits;
        const char* text;
    } cases[] = {{0, 5, 8, "Invalid image dimensions"}, {5, 0, 24, "Invalid image dimensions"},
                 {-1, 5, 8, "Invalid image dimensions"}, {5, 5, 16, "Unsupported PixelFormat"},
                 {5, 5, 32, "Unsupported PixelFormat"}, {5, 5, 4, "Unsupported PixelFormat"}};
    for (const auto& c : cases) {
        try {
            MakeIndexedPicture(c.width, c.height, c.bits, {});
            ADD_FAILURE() << "no error for " << c.width << "x" << c.height << "@" << c.bits;
        } catch (const GIFException& e) {
            EXPECT_EQ(e.Message(), c.text);
        }
    }
    try {
        MakeIndexedPicture(0x7FFFFFFF, 0x7FFFFFFF, 8, {});
        FAIL() << "no error";
    } catch (const EOutOfMemory& e) {
        EXPECT_EQ(e.Message(), "Failed to allocate memory for GIF DIB");
    }
    // Method 0 and unknown methods need no 8-bit picture: an empty source is no error there.
    EXPECT_TRUE(Reduce(empty, 0)->Empty());
    EXPECT_TRUE(Reduce(empty, 12)->Empty());
}

TEST(ColorLookup, FastLookupCachesPerCellAndPrefersTheLowestIndex) {
    // Two entries in one cell: the lower index owns it, even for the higher one's exact colour.
    TFastColorLookup same(std::vector<TRGBQuad>{RGBQuad(8, 8, 8), RGBQuad(9, 9, 9)});
    TRGBQuad chosen;
    EXPECT_EQ(same.NearestEntry(9, 9, 9, chosen), 0);
    EXPECT_EQ(chosen, RGBQuad(8, 8, 8));
    // A tie in the search goes to the first entry.
    TFastColorLookup tie(std::vector<TRGBQuad>{RGBQuad(0, 0, 0), RGBQuad(20, 20, 20)});
    EXPECT_EQ(tie.NearestEntry(10, 10, 10, chosen), 0);
    // The first colour to fill a cell decides it for the whole cell.
    TFastColorLookup cached(std::vector<TRGBQuad>{RGBQuad(0, 0, 0), RGBQuad(250, 250, 250)});
    EXPECT_EQ(cached.NearestEntry(127, 127, 127, chosen), 1);
    EXPECT_EQ(cached.NearestEntry(120, 120, 120, chosen), 1);
    TFastColorLookup fresh(std::vector<TRGBQuad>{RGBQuad(0, 0, 0), RGBQuad(250, 250, 250)});
    EXPECT_EQ(fresh.NearestEntry(120, 120, 120, chosen), 0);
    // More than 256 entries: only the first 256 count.
    TFastColorLookup big(std::vector<TRGBQuad>(300, RGBQuad(1, 1, 1)));
    EXPECT_EQ(big.Colors(), 256);
}

TEST(ColorLookup, CubeLookupReportsTheChosenColour) {
    TNetscapeColorLookup cube;
    TRGBQuad chosen;
    EXPECT_EQ(cube.NearestEntry(48, 48, 48, chosen), 43);
    EXPECT_EQ(chosen, RGBQuad(51, 51, 51));
    EXPECT_EQ(cube.NearestEntry(252, 99, 47, chosen), 180 + 12);
    EXPECT_EQ(chosen, RGBQuad(255, 102, 0));
    EXPECT_EQ(cube.Colors(), 216);
}

TEST(ColorLookup, CubeRowsMapEveryChannelValueLikeTheSinglePixelLookup) {
    // Rows of 3- and 4-byte pixels, of widths around the 16-pixel steps of the vector loop and
    // starting off its alignment; every value of every channel occurs, with the fourth byte set.
    TNetscapeColorLookup cube;
    std::mt19937 rng(11);
    for (const int pixelBytes : {3, 4})
        for (const int32_t width : {1, 15, 16, 17, 256, 300})
            for (const size_t offset : {0, 1, 5}) {
                std::vector<uint8_t> row(offset + static_cast<size_t>(width) * pixelBytes);
                std::vector<uint8_t> expected(static_cast<size_t>(width));
                for (int32_t x = 0; x < width; ++x) {
                    uint8_t* p = row.data() + offset + static_cast<size_t>(x) * pixelBytes;
                    // Each channel walks through every value in its own order.
                    p[0] = static_cast<uint8_t>(x);
                    p[1] = static_cast<uint8_t>(7 * x);
                    p[2] = static_cast<uint8_t>(13 * x + 5);
                    if (pixelBytes == 4) p[3] = static_cast<uint8_t>(rng());
                    TRGBQuad chosen;
                    expected[static_cast<size_t>(x)] = static_cast<uint8_t>(cube.NearestEntry(p[2], p[1], p[0], chosen));
                }
                std::vector<uint8_t> indices(static_cast<size_t>(width) + 1, 0xEE);
                cube.MapRow(row.data() + offset, pixelBytes, indices.data(), width);
                EXPECT_EQ(indices.back(), 0xEE) << pixelBytes << " bytes, width " << width;
                indices.pop_back();
                EXPECT_EQ(indices, expected) << pixelBytes << " bytes, width " << width << ", offset " << offset;
            }
}

TEST(Ditherers, FlatPaletteColourGivesItsIndexEverywhereInEveryMode) {
    const TBitmap source = Picture32(7, 5, std::vector<Rgb>(35, Rgb{51, 102, 153}));
    for (uint8_t mode = 0; mode <= 6; ++mode) {
        const auto result = Reduce(source, 6, mode);
        EXPECT_EQ(Indices(*result), std::vector<uint8_t>(35, 36 + 12 + 3)) << "mode " << int(mode);
    }
}

TEST(Ditherers, FloydSteinbergWorkedByHandOnGreyWithBlackAndWhite) {
    // 3 x 2 of grey 100 with the black-and-white look-up; see the comments for the sums.
    // Row 0, left to right: 100 -> black (err 100); 100 + (700 + 8) div 16 = 144 -> white (err -111);
    //   100 + (-777 + 8) div 16 = 52 -> black.
    // Row 1, right to left: accumulators 167, -299, 149 (shares 5,3,1 and 3,5 from row 0):
    //   x2: 109 -> black; x1: 100 + (464 + 8) div 16 = 129 -> white; x0: 100 + (-707 + 8) div 16 = 56 -> black.
    const auto result = Reduce(Picture32(3, 2, std::vector<Rgb>(6, Rgb{100, 100, 100})), 4, 1);
    EXPECT_EQ(Indices(*result), (std::vector<uint8_t>{0, 1, 0, 0, 1, 0}));
}

// A plain reference for every error-diffusion mode: full-size error planes, no ring of rows.
struct Tap {
    int row, offset, weight;
};
struct Kernel {
    int divisor;
    std::vector<Tap> taps;
};

Kernel KernelOf(int mode) {
    switch (mode) {
        case 1: return {16, {{0, 1, 7}, {1, -1, 3}, {1, 0, 5}, {1, 1, 1}}};
        case 2: return {42, {{0, 1, 8}, {0, 2, 4}, {1, -2, 2}, {1, -1, 4}, {1, 0, 8}, {1, 1, 4}, {1, 2, 2},
                             {2, -2, 1}, {2, -1, 2}, {2, 0, 4}, {2, 1, 2}, {2, 2, 1}}};
        case 3: return {32, {{0, 1, 5}, {0, 2, 3}, {1, -2, 2}, {1, -1, 4}, {1, 0, 5}, {1, 1, 4}, {1, 2, 2},
                             {2, -1, 2}, {2, 0, 3}, {2, 1, 2}}};
        case 4: return {48, {{0, 1, 7}, {0, 2, 5}, {1, -2, 3}, {1, -1, 5}, {1, 0, 7}, {1, 1, 5}, {1, 2, 3},
                             {2, -2, 1}, {2, -1, 3}, {2, 0, 5}, {2, 1, 3}, {2, 2, 1}}};
        case 5: return {200, {{0, 2, 32}, {1, -3, 12}, {1, -1, 26}, {1, 1, 30}, {1, 3, 16}, {2, -2, 12},
                              {2, 0, 26}, {2, 2, 12}, {3, -3, 5}, {3, -1, 12}, {3, 1, 12}, {3, 3, 5}}};
        default: return {32, {{0, 1, 8}, {0, 2, 4}, {1, -2, 2}, {1, -1, 4}, {1, 0, 8}, {1, 1, 4}, {1, 2, 2}}};
    }
}

std::vector<uint8_t> ReferenceGreyDither(const std::vector<Rgb>& pixels, int w, int h, int mode) {
    const Kernel k = KernelOf(mode);
    std::vector<std::array<long, 3>> err(static_cast<size_t>(w * h), {0, 0, 0});
    std::vector<uint8_t> out(static_cast<size_t>(w * h));
    for (int y = 0; y < h; ++y) {
        const int dir = y % 2 == 0 ? 1 : -1;
        for (int i = 0; i < w; ++i) {
            const int x = dir > 0 ? i : w - 1 - i;
            const Rgb& p = pixels[static_cast<size_t>(y * w + x)];
            const int in[3] = {p.r, p.g, p.b};
            int v[3];
            for (int c = 0; c < 3; ++c) {
                const long s = err[static_cast<size_t>(y * w + x)][static_cast<size_t>(c)];
                v[c] = std::clamp(static_cast<int>(in[c] + (s + k.divisor / 2) / k.divisor), 0, 255);
            }
            const int grey = (77 * v[0] + 150 * v[1] + 29 * v[2]) / 256;
            out[static_cast<size_t>(y * w + x)] = static_cast<uint8_t>(grey);
            for (const Tap& t : k.taps) {
                const int tx = x + t.offset * dir, ty = y + t.row;
                if (tx < 0 || tx >= w || ty >= h) continue;
                for (int c = 0; c < 3; ++c) err[static_cast<size_t>(ty * w + tx)][static_cast<size_t>(c)] += (v[c] - grey) * t.weight;
            }
        }
    }
    return out;
}

TEST(Ditherers, EveryKernelMatchesAPlainReferenceOnNoise) {
    const int w = 13, h = 9;
    std::mt19937 rng(7);
    std::vector<Rgb> pixels;
    for (int i = 0; i < w * h; ++i)
        pixels.push_back({static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng())});
    const TBitmap source = Picture32(w, h, pixels);
    for (int mode = 1; mode <= 6; ++mode) {
        const auto result = Reduce(source, 5, static_cast<uint8_t>(mode));
        EXPECT_EQ(Indices(*result), ReferenceGreyDither(pixels, w, h, mode)) << "mode " << mode;
    }
}

TEST(Ditherers, PaintingWalkDithersRowsInAlternatingDirections) {
    TNetscapeColorLookup cube;
    TFloydSteinbergDitherer fs(cube, 4);
    EXPECT_EQ(fs.Column(), 0);
    EXPECT_EQ(fs.Direction(), 1);
    const uint8_t row[12] = {0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255};  // pure red, blue-green-red order
    uint8_t out[4] = {};
    fs.DitherRow(row, out);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 4), std::vector<uint8_t>(4, 180));
    EXPECT_EQ(fs.Column(), 3);
    EXPECT_EQ(fs.Direction(), -1);
    TRGBQuad chosen;
    EXPECT_EQ(fs.DitherPixel(255, 255, 255, chosen), 215);
    EXPECT_EQ(fs.Column(), 2);
}

TEST(ColorQuantizer, OctreeFoldsTheNewestDeepestNodesWorkedByHand) {
    // Limit 2 (ReductionBits 1). Red and (250, 0, 0) part at level 5; blue makes a third leaf, and
    // folding the newest deepest nodes reaches the shared level-5 node only after blue's own
    // chain: red and (250, 0, 0) merge into (252, 0, 0). Depth first, blue (child 1) comes first.
    const auto result = Reduce(Picture32(3, 1, {{255, 0, 0}, {250, 0, 0}, {0, 0, 255}}), 7, 0, 1);
    EXPECT_EQ(Indices(*result), (std::vector<uint8_t>{1, 1, 0}));
    EXPECT_EQ(result->ColorTable()[0], RGBQuad(0, 0, 255));
    EXPECT_EQ(result->ColorTable()[1], RGBQuad(252, 0, 0));
    EXPECT_EQ(result->ColorTable()[2], TRGBQuad{});
}

TEST(ColorQuantizer, ReductionBitsAreHeldToAnEightBitPicture) {
    // 0 bits: one colour, the average of all.
    const auto one = Reduce(Picture32(2, 1, {{0, 0, 0}, {254, 254, 254}}), 7, 0, 0);
    EXPECT_EQ(Indices(*one), (std::vector<uint8_t>{0, 0}));
    EXPECT_EQ(one->ColorTable()[0], RGBQuad(127, 127, 127));
    // Any number of bits above 8 still gives at most 256 colours.
    std::vector<Rgb> pixels;
    for (int i = 0; i < 1000; ++i)
        pixels.push_back({static_cast<uint8_t>(i), static_cast<uint8_t>(i * 7), static_cast<uint8_t>(i / 4)});
    TColorQuantizer q(256);
    for (const Rgb& p : pixels) q.AddColor(p.r, p.g, p.b);
    EXPECT_LE(q.LeafCount(), 256);
    EXPECT_EQ(q.Palette().size(), static_cast<size_t>(q.LeafCount()));
    const auto many = Reduce(Picture32(1000, 1, pixels), 7, 0, 0xFFFFFFFF);
    EXPECT_EQ(many->ColorTable().size(), 256u);
}

TEST(ColorQuantizer, MethodEightPlacesFoundColoursBetweenTheSystemColours) {
    const auto result = Reduce(Picture32(2, 1, {{17, 34, 51}, {17, 34, 51}}), 8);
    EXPECT_EQ(Indices(*result), (std::vector<uint8_t>{10, 10}));
    const auto& table = result->ColorTable();
    const TPaletteEntries system = MakeSystemPalette();
    for (size_t i = 0; i < 10; ++i) EXPECT_EQ(table[i], system[i]) << i;
    for (size_t i = 0; i < 10; ++i) EXPECT_EQ(table[246 + i], system[10 + i]) << i;
    EXPECT_EQ(table[10], RGBQuad(17, 34, 51));
    for (size_t i = 11; i < 246; ++i) EXPECT_EQ(table[i], TRGBQuad{}) << i;
}

}  // namespace
}  // namespace nox
