// The LZW decoder on short hand-computed code streams, damaged streams and long streams from the
// tests' own plain encoder.
#include <gtest/gtest.h>

#include "formats/gif/GifImage.h"
#include "formats/gif/LzwDecoder.h"
#include "platform/Errors.h"
#include "tests/formats/gif/GifTestSupport.h"

namespace nox {
namespace {

using giftest::BitWriter;
using giftest::EncodeLZW;

// Codes written at the given widths, least significant bit first.
std::vector<uint8_t> Bytes(const TPixelBytes& out) { return {out.begin(), out.end()}; }

std::vector<uint8_t> Codes(std::initializer_list<std::pair<int, int>> codesAndWidths) {
    BitWriter w;
    for (auto [code, width] : codesAndWidths) w.Put(code, width);
    return w.Finish();
}

struct HandCase {
    const char* name;
    std::vector<uint8_t> bytes;
    int m;
    size_t pixels;
    std::vector<uint8_t> expected;
    bool endCode;
    bool underrun;
};

TEST(LzwDecoder, HandComputedStreams) {
    const HandCase cases[] = {
        // m = 2: clear 4, 1, 1 (adds 6 = "1 1"), 6 (adds 7, width grows to 4), end 5 in 4 bits:
        // 4 | 1<<3 | 1<<6 | 6<<9 | 5<<12 = 0x5C4C.
        {"repeat", {0x4C, 0x5C}, 2, 10, {1, 1, 1, 1}, true, false},
        // The code that is being defined (6 right after 2): the previous string plus its first byte.
        // 4 | 2<<3 | 6<<6 | 5<<9 = 0x0B94.
        {"kwkwk", {0x94, 0x0B}, 2, 10, {2, 2, 2}, true, false},
        // Repeated clear codes are skipped; a clear mid-stream starts the table afresh.
        {"clears", Codes({{4, 3}, {4, 3}, {3, 3}, {4, 3}, {0, 3}, {6, 3}, {5, 3}}), 2, 10, {3, 0, 0, 0}, true, false},
        // The pixel count is reached inside a string: the rest is dropped, one more code is read.
        // (The code after 6 is the end code 5 in 4 bits.)
        {"stops at count", {0x4C, 0x5C}, 2, 3, {1, 1, 1}, true, false},
        // The data ends after the last pixel without an end code (m = 3, two 4-bit codes fill one
        // byte): the extra request finds no bit at all and under-runs.
        {"no end code", Codes({{8, 4}, {2, 4}}), 3, 1, {2}, false, true},
        {"data ends", Codes({{8, 4}, {3, 4}}), 3, 10, {3}, false, true},
        // 18 bits of 9-bit codes in 3 bytes: the 6 bits left are too few for a code, which ends
        // the data without an under-run.
        {"short data", Codes({{256, 9}, {65, 9}}), 8, 10, {65}, false, false},
        // Padding bits of the last byte are codes like any others (0 in 3 bits, then 4 bits).
        {"padding", Codes({{4, 3}, {3, 3}, {3, 3}}), 2, 10, {3, 3, 0, 0}, false, true},
        // The first code after a clear may be any code: it is both the first index and the previous code.
        {"odd first code", Codes({{4, 3}, {7, 3}, {5, 3}}), 2, 10, {7}, true, false},
        // Only an end code.
        {"end only", Codes({{4, 3}, {5, 3}}), 2, 10, {}, true, false},
        // m = 8 with 9-bit codes: clear 256, 65, 66, 258 ("A B"), end 257.
        {"nine bits", Codes({{256, 9}, {65, 9}, {66, 9}, {258, 9}, {257, 9}}), 8, 10, {65, 66, 65, 66}, true, false},
    };
    for (const HandCase& c : cases) {
        SCOPED_TRACE(c.name);
        TPixelBytes out;
        const TLZWResult r = DecodeLZW(c.bytes, c.m, c.pixels, out);
        EXPECT_EQ(Bytes(out), c.expected);
        EXPECT_EQ(r.Pixels, c.expected.size());
        EXPECT_EQ(r.EndCode, c.endCode);
        EXPECT_EQ(r.Underrun, c.underrun);
    }
}

TEST(LzwDecoder, DamagedStreamsFailWithCircularEntry) {
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {
        // 1, then 7 beyond the next free code 6 (the previous code becomes 7), 6, then 7, whose
        // entry was made with itself as prefix.
        {"self reference", {0xCC, 0x7D}},
        // 7 first (prefix of entry 6), 6, 1 (entry 7 gets prefix 6), then 6: 6 -> 7 -> 6 -> ...
        {"two-entry loop", Codes({{4, 3}, {7, 3}, {6, 3}, {1, 3}, {6, 4}})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TPixelBytes out;
        try {
            DecodeLZW(c.bytes, 2, 100, out);
            ADD_FAILURE() << "no error";
        } catch (const GIFException& e) {
            EXPECT_EQ(e.Message(), "Circular decoder table entry");
        }
    }
}

TEST(LzwDecoder, MinimumCodeSizes) {
    // Sizes above 11 are refused before anything is decoded; 0 to 11 decode without fault.
    std::vector<uint8_t> noise(64);
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<uint8_t>(i * 37 + 11);
    for (int m = 0; m <= 13; ++m) {
        SCOPED_TRACE(m);
        TPixelBytes out;
        if (m > 11) {
            try {
                DecodeLZW(noise, m, 1000, out);
                ADD_FAILURE() << "no error";
            } catch (const GIFException& e) {
                EXPECT_EQ(e.Message(), "Invalid GIF data");
            }
            EXPECT_TRUE(out.empty());
            continue;
        }
        try {
            const TLZWResult r = DecodeLZW(noise, m, 1000, out);
            EXPECT_EQ(out.size(), r.Pixels);
            EXPECT_LE(r.Pixels, 1000u);
        } catch (const GIFException& e) {
            EXPECT_EQ(e.Message(), "Circular decoder table entry");
        }
    }
}

// Pseudo-random indices below `colors`.
std::vector<uint8_t> Noise(size_t count, int colors, uint32_t seed) {
    std::vector<uint8_t> v(count);
    for (auto& p : v) {
        seed = seed * 1664525u + 1013904223u;
        p = static_cast<uint8_t>((seed >> 24) % static_cast<uint32_t>(colors));
    }
    return v;
}

TEST(LzwDecoder, RoundTripsThePlainEncoder) {
    struct Case {
        int m;
        int colors;
        size_t count;
        bool clearWhenFull;
    };
    const Case cases[] = {
        {2, 4, 1, true},       {2, 4, 5000, true},     {8, 256, 100000, true}, {4, 16, 60000, true},
        // No clear code when the table is full: it stays at 4096 entries and 12-bit codes.
        {8, 256, 100000, false}, {2, 3, 200000, false}, {2, 2, 1000, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "m=" << c.m << " count=" << c.count << " clear=" << c.clearWhenFull);
        const std::vector<uint8_t> pixels = Noise(c.count, c.colors, 7u + static_cast<uint32_t>(c.count));
        const std::vector<uint8_t> codes = EncodeLZW(pixels, c.m, c.clearWhenFull);
        TPixelBytes out;
        const TLZWResult r = DecodeLZW(codes, c.m, pixels.size(), out);
        EXPECT_EQ(Bytes(out), pixels);
        EXPECT_TRUE(r.EndCode);
        EXPECT_FALSE(r.Underrun);
    }
}

TEST(LzwDecoder, OutputGrowsOnlyWithDecodedData) {
    // A huge pixel count with a few bytes of codes must not reserve memory for the count.
    TPixelBytes out;
    const TLZWResult r = DecodeLZW(std::vector<uint8_t>{0x4C, 0x5C}, 2, size_t{1} << 32, out);
    EXPECT_EQ(r.Pixels, 4u);
    EXPECT_LE(out.capacity(), 1u << 16);
}

TEST(LzwDecoder, AppendsAfterExistingContent) {
    TPixelBytes out{9, 9};
    DecodeLZW(std::vector<uint8_t>{0x4C, 0x5C}, 2, 10, out);
    EXPECT_EQ(Bytes(out), std::vector<uint8_t>({9, 9, 1, 1, 1, 1}));
}

}  // namespace
}  // namespace nox
