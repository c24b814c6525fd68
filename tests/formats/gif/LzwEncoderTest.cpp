// The GIF image-data coders: sub-blocks, the string table's probing, hand-computed LZW code
// streams, the clear at 4095 against a plain reference coder, and the run-length coder decoded by a
// plain reference decoder.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "formats/gif/LzwEncoder.h"
#include "platform/Errors.h"
#include "tests/formats/gif/GifTestSupport.h"
#include "tests/formats/gif/GifWriteTestSupport.h"

namespace nox {
namespace {

using giftest::BitWriter;
using gifwritetest::ReferenceDecode;
using gifwritetest::Unblock;

// A plain LZW encoder with the writer's rules: a std::map of strings, the table cleared when the
// next free code would be 4095, the code width following the decoder's table.
std::vector<uint8_t> ReferenceEncode(std::span<const uint8_t> pixels, int m) {
    const int clear = 1 << m;
    BitWriter out;
    std::map<std::pair<int, int>, int> table;
    int next = clear + 2, width = m + 1, decoderNext = clear + 2;
    bool first = true;
    auto emit = [&](int code) {
        out.Put(code, width);
        if (code == clear) {
            width = m + 1;
            decoderNext = clear + 2;
            first = true;
        } else if (first) {
            first = false;
        } else if (++decoderNext >= (1 << width) && width < 12) {
            ++width;
        }
    };
    emit(clear);
    int s = pixels[0];
    for (size_t i = 1; i < pixels.size(); ++i) {
        const auto it = table.find({s, pixels[i]});
        if (it != table.end()) {
            s = it->second;
            continue;
        }
        emit(s);
        if (next == 4095) {
            emit(clear);
            table.clear();
            next = clear + 2;
        } else {
            table[{s, pixels[i]}] = next++;
        }
        s = pixels[i];
    }
    emit(s);
    emit(clear + 1);
    return out.Finish();
}

// What WriteImageData writes for `pixels`: the minimum code size, the sub-blocks, the terminator.
std::vector<uint8_t> ImageData(int bits, int colors, std::span<const uint8_t> pixels, int compression = 0) {
    TMemoryStream out;
    WriteImageData(out, bits, colors, pixels, compression);
    const auto bytes = out.Bytes();
    return {bytes.begin(), bytes.end()};
}

TEST(GIFWriterStream, GathersSubBlocksOf255BytesAndNeverAnEmptyOne) {
    const struct {
        size_t count;
        std::vector<size_t> blocks;
    } cases[] = {{0, {}}, {1, {1}}, {254, {254}}, {255, {255}}, {256, {255, 1}}, {510, {255, 255}}, {600, {255, 255, 90}}};
    for (const auto& c : cases) {
        TMemoryStream out;
        TGIFWriter writer(out);
        for (size_t i = 0; i < c.count; ++i) writer.Put(static_cast<uint8_t>(i * 7));
        writer.Flush();
        const auto bytes = out.Bytes();
        std::vector<size_t> sizes;
        size_t at = 0, value = 0;
        while (at < bytes.size()) {
            sizes.push_back(bytes[at]);
            for (size_t i = 1; i <= bytes[at]; ++i) EXPECT_EQ(bytes[at + i], static_cast<uint8_t>(value++ * 7));
            at += 1 + bytes[at];
        }
        EXPECT_EQ(sizes, c.blocks) << c.count << " bytes";
    }
}

TEST(GIFWriterStream, ReadingAndSeekingAreInvalid) {
    TMemoryStream out;
    TGIFWriter writer(out);
    uint8_t byte = 0;
    const std::function<void()> operations[] = {[&] { writer.Read(&byte, 1); },
                                                [&] { writer.Seek(0, TSeekOrigin::soBeginning); },
                                                [&] { writer.Position(); }};
    for (const auto& operation : operations) {
        try {
            operation();
            ADD_FAILURE() << "no error";
        } catch (const GIFException& e) {
            EXPECT_EQ(e.Message(), "Invalid stream operation");
        }
    }
    // Write goes through the same gathering as Put.
    EXPECT_EQ(writer.Write("abc", 3), 3u);
    writer.Flush();
    EXPECT_EQ(std::vector<uint8_t>(out.Bytes().begin(), out.Bytes().end()), (std::vector<uint8_t>{3, 'a', 'b', 'c'}));
}

// Looks a key (string x 256 + pixel) up.
int FindKey(const THashTable& table, uint32_t key, int& slot) { return table.Find(key >> 8, key & 0xFF, slot); }

TEST(HashTable, CollidingKeysProbeTwiceTheSlotModulo8009) {
    // Find three keys whose first slot is the same.
    auto first = [](uint32_t key) { return static_cast<int>((key ^ (key >> 4)) % 8009); };
    std::vector<uint32_t> keys;
    const int target = first(0x12345);
    for (uint32_t k = 0; k < (1u << 20) && keys.size() < 3; ++k)
        if (first(k) == target) keys.push_back(k);
    ASSERT_EQ(keys.size(), 3u);
    THashTable table;
    int slot = -1;
    EXPECT_EQ(FindKey(table, keys[0], slot), -1);
    EXPECT_EQ(slot, target);
    table.Insert(slot, keys[0], 300);
    EXPECT_EQ(FindKey(table, keys[1], slot), -1);
    EXPECT_EQ(slot, 2 * target % 8009);
    table.Insert(slot, keys[1], 301);
    EXPECT_EQ(FindKey(table, keys[2], slot), -1);
    EXPECT_EQ(slot, 4 * target % 8009);
    table.Insert(slot, keys[2], 302);
    EXPECT_EQ(FindKey(table, keys[0], slot), 300);
    EXPECT_EQ(FindKey(table, keys[1], slot), 301);
    EXPECT_EQ(FindKey(table, keys[2], slot), 302);
    table.Clear();
    EXPECT_EQ(FindKey(table, keys[2], slot), -1);
    // From slot 0 the probe goes to the last slot.
    THashTable zero;
    EXPECT_EQ(FindKey(zero, 0, slot), -1);
    ASSERT_EQ(slot, 0);
    zero.Insert(slot, 0, 258);
    uint32_t other = 1;
    while (first(other) != 0) ++other;
    EXPECT_EQ(FindKey(zero, other, slot), -1);
    EXPECT_EQ(slot, 8008);
}

TEST(LZWEncoder, HandComputedCodeStreams) {
    const struct {
        const char* name;
        int bits;
        std::vector<uint8_t> pixels;
        std::vector<std::pair<int, int>> codes;  // code, width
    } cases[] = {
        // Clear 4, then 0 | 0 0 (new string 6 = "00") | 0 (7 = "000"): the decoder's table reaches 8
        // after the last pixel code, so the end code 5 takes 4 bits.
        {"four zeros, m 2", 2, {0, 0, 0, 0}, {{4, 3}, {0, 3}, {6, 3}, {0, 3}, {5, 4}}},
        {"one pixel, m 2", 1, {1}, {{4, 3}, {1, 3}, {5, 3}}},
        // 1 2 1 2 1 2: strings 6 = "12", 7 = "21", 8 = "121"; codes 1, 2, 6, 6 (the last "12").
        {"alternating, m 2", 2, {1, 2, 1, 2, 1, 2}, {{4, 3}, {1, 3}, {2, 3}, {6, 3}, {6, 4}, {5, 4}}},
        {"one black pixel, m 8", 8, {0}, {{256, 9}, {0, 9}, {257, 9}}},
        {"no pixels", 8, {}, {{257, 9}}},
    };
    for (const auto& c : cases) {
        BitWriter expected;
        for (const auto& [code, width] : c.codes) expected.Put(code, width);
        const std::vector<uint8_t> data = expected.Finish();
        std::vector<uint8_t> bytes = {static_cast<uint8_t>(std::max(c.bits, 2)), static_cast<uint8_t>(data.size())};
        bytes.insert(bytes.end(), data.begin(), data.end());
        bytes.push_back(0);
        EXPECT_EQ(ImageData(c.bits, 1 << c.bits, c.pixels), bytes) << c.name;
    }
}

TEST(LZWEncoder, ClearsWhenTheNextFreeCodeWouldBe4095AndGoesOnAtNineBits) {
    std::mt19937 rng(11);
    std::vector<uint8_t> noise(20000);
    for (auto& p : noise) p = static_cast<uint8_t>(rng());
    const std::vector<uint8_t> written = ImageData(8, 256, noise);
    ASSERT_EQ(written[0], 8);
    size_t consumed = 0;
    const std::vector<uint8_t> data = Unblock(std::span(written).subspan(1), &consumed);
    EXPECT_EQ(1 + consumed, written.size());
    const std::vector<uint8_t> expected = ReferenceEncode(noise, 8);
    EXPECT_EQ(data, expected);
    EXPECT_EQ(ReferenceDecode(data, 8), noise);

    // The first clear after the opening one: 3837 strings (258..4094) are made by the first 3838
    // codes after the opening clear; noise makes a new string at nearly every pixel, so the clear
    // code 256 stands at 12 bits right after those codes and the next code is read at 9 bits.
    size_t bit = 9;
    int width = 9, decoderNext = 258, codesRead = 0;
    bool first = true;
    for (;;) {
        int code = 0;
        for (int i = 0; i < width; ++i, ++bit) code |= ((data[bit / 8] >> (bit % 8)) & 1) << i;
        if (code == 256) break;
        ++codesRead;
        if (first) {
            first = false;
        } else if (++decoderNext >= (1 << width) && width < 12) {
            ++width;
        }
    }
    EXPECT_EQ(width, 12);
    EXPECT_EQ(decoderNext, 4095);
    EXPECT_EQ(codesRead, 3838);
}

// Runs of random lengths in a few colours: strings followed now by the same pixel as before and
// now by another, across many clears.
std::vector<uint8_t> MixedRuns(size_t count) {
    std::mt19937 rng(5);
    std::vector<uint8_t> pixels;
    while (pixels.size() < count) pixels.insert(pixels.end(), 1 + rng() % 40, static_cast<uint8_t>(60 * (rng() % 4)));
    pixels.resize(count);
    return pixels;
}

// Stretches of noise and of runs in turn, each longer than the coder's blocks, so that the coder
// switches between its ways of looking strings up, with clears on both sides of each switch.
std::vector<uint8_t> NoiseAndRunsInTurn() {
    std::mt19937 rng(9);
    std::vector<uint8_t> pixels;
    for (int stretch = 0; stretch < 12; ++stretch) {
        const size_t length = 20000 + rng() % 30000;
        if (stretch % 2 == 0) {
            for (size_t i = 0; i < length; ++i) pixels.push_back(static_cast<uint8_t>(rng()));
        } else {
            const std::vector<uint8_t> runs = MixedRuns(length);
            pixels.insert(pixels.end(), runs.begin(), runs.end());
        }
    }
    return pixels;
}

TEST(LZWEncoder, MatchesTheReferenceOnRunsAndSmallTables) {
    const struct {
        int bits, colors;
        std::vector<uint8_t> pixels;
    } cases[] = {
        {8, 256, std::vector<uint8_t>(100000, 7)},             // one long run: strings grow to 12 bits
        {8, 256, MixedRuns(400000)},
        {8, 256, NoiseAndRunsInTurn()},
        {1, 2, {0, 1, 1, 0, 1, 0, 0, 0, 1, 1, 1, 1}},          // m is raised to 2
        {3, 5, {4, 4, 3, 0, 1, 2, 4, 4, 4, 4, 0}},
    };
    for (const auto& c : cases) {
        const std::vector<uint8_t> written = ImageData(c.bits, c.colors, c.pixels);
        const int m = std::max(c.bits, 2);
        EXPECT_EQ(written[0], m);
        const std::vector<uint8_t> data = Unblock(std::span(written).subspan(1));
        EXPECT_EQ(data, ReferenceEncode(c.pixels, m)) << c.pixels.size();
        EXPECT_EQ(ReferenceDecode(data, m), c.pixels);
    }
}

TEST(LZWEncoder, PixelOutsideTheTableFails) {
    const struct {
        int bits, colors;
        std::vector<uint8_t> pixels;
        int compression;
    } cases[] = {{1, 2, {2}, 0}, {1, 2, {0, 1, 0, 2}, 0}, {2, 3, {0, 1, 2, 3}, 0}, {2, 3, {3, 3, 3}, 1}, {1, 1, {0, 0, 1}, 1}};
    for (const auto& c : cases) {
        try {
            ImageData(c.bits, c.colors, c.pixels, c.compression);
            ADD_FAILURE() << "no error";
        } catch (const GIFException& e) {
            EXPECT_EQ(e.Message(), "Color not in color table");
        }
    }
}

TEST(RLEEncoder, CodeStreamsDecodeToThePixels) {
    std::mt19937 rng(3);
    std::vector<uint8_t> runs;
    for (int i = 0; i < 3000; ++i) runs.insert(runs.end(), rng() % 40 + 1, static_cast<uint8_t>(rng() % 4));
    std::vector<uint8_t> noise(9000);
    for (auto& p : noise) p = static_cast<uint8_t>(rng());
    const struct {
        const char* name;
        int bits;
        std::vector<uint8_t> pixels;
    } cases[] = {
        {"one pixel", 8, {9}},
        {"a run of 10", 2, std::vector<uint8_t>(10, 3)},
        {"one run of 200000", 8, std::vector<uint8_t>(200000, 255)},
        {"short runs", 2, runs},
        {"noise: a clear every 3837 codes", 8, noise},
    };
    for (const auto& c : cases) {
        const std::vector<uint8_t> written = ImageData(c.bits, 1 << c.bits, c.pixels, 1);
        const int m = std::max(c.bits, 2);
        EXPECT_EQ(ReferenceDecode(Unblock(std::span(written).subspan(1)), m), c.pixels) << c.name;
        EXPECT_EQ(written.back(), 0) << c.name;
    }
    // Runs are coded with growing strings: far fewer bytes than pixels.
    EXPECT_LT(ImageData(8, 256, std::vector<uint8_t>(200000, 255), 1).size(), 2000u);
}

}  // namespace
}  // namespace nox
