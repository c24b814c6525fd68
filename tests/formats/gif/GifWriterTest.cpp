// The GIF writer: exact bytes of saved pictures (header, logical screen, tables, descriptor, code
// stream, trailer), the packed fields and version rules on hand-built models, taking device
// bitmaps of every depth, progress notifications, errors, files, the clipboard, and round trips
// through the reader.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>

#include <unistd.h>

#include "formats/gif/ColorReduction.h"
#include "formats/gif/GifClipboard.h"
#include "formats/gif/GifWriter.h"
#include "platform/Errors.h"
#include "platform/Stream.h"
#include "tests/formats/gif/GifWriteTestSupport.h"

namespace nox {
namespace {

using gifwritetest::ReferenceDecode;
using gifwritetest::Unblock;
using Bytes = std::vector<uint8_t>;

class GIFWriter : public ::testing::Test {
protected:
    void SetUp() override { InstallGIFWriter(); }
};

TBitmap Bitmap32(int32_t width, int32_t height, const std::function<uint32_t(int32_t, int32_t)>& colour) {
    TBitmap b;
    b.SetBitsPerPixel(32);
    b.SetSize(width, height);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t c = colour(x, y);
            std::memcpy(b.ScanLine(y) + 4 * x, &c, 4);
        }
    return b;
}

Bytes Save(TGIFImage& image) {
    TMemoryStream out;
    image.SaveToStream(out);
    return {out.Bytes().begin(), out.Bytes().end()};
}

Bytes SaveBitmap(TBitmap& bitmap) {
    TGIFImage image;
    image.Assign(&bitmap);
    return Save(image);
}

// "GIF87a", the logical screen, and the descriptor of one W x H frame at (0, 0) with the
// 256-entry cube table: the 791 bytes every saved picture starts with, then the code size 8.
Bytes SavedPrefix(int w, int h) {
    Bytes b = {'G', 'I', 'F', '8', '7', 'a', static_cast<uint8_t>(w), static_cast<uint8_t>(w >> 8),
               static_cast<uint8_t>(h), static_cast<uint8_t>(h >> 8), 0x77, 0x00, 0x00,
               0x2C, 0, 0, 0, 0, static_cast<uint8_t>(w), static_cast<uint8_t>(w >> 8),
               static_cast<uint8_t>(h), static_cast<uint8_t>(h >> 8), 0x87};
    for (int i = 0; i < 256; ++i) {
        const int r = i / 36, g = i / 6 % 6, bl = i % 6;
        if (i < 216) {
            b.insert(b.end(), {static_cast<uint8_t>(51 * r), static_cast<uint8_t>(51 * g), static_cast<uint8_t>(51 * bl)});
        } else {
            b.insert(b.end(), {0, 0, 0});
        }
    }
    b.push_back(0x08);
    return b;
}

TEST_F(GIFWriter, SavedPictureHasTheFixedLayoutAndCodesTheReducedIndices) {
    // 5 x 3: pure colours, a level boundary and greys; alpha bytes vary and play no part.
    const uint32_t colours[15] = {0xFF000000, 0x00FFFFFF, 0x12FF0000, 0xFF00FF00, 0x000000FF,
                                  0x002F2F2F, 0x00303030, 0x00FBFBFB, 0x00FCFCFC, 0x00336699,
                                  0x00000000, 0x00000000, 0x00000000, 0x00FFFFFF, 0x00FFFFFF};
    const Bytes expectedIndices = {0, 215, 180, 30, 5, 0, 43, 172, 215, 36 + 12 + 3, 0, 0, 0, 215, 215};
    TBitmap bitmap = Bitmap32(5, 3, [&](int32_t x, int32_t y) { return colours[y * 5 + x]; });
    const Bytes file = SaveBitmap(bitmap);
    const Bytes prefix = SavedPrefix(5, 3);
    ASSERT_GT(file.size(), prefix.size());
    EXPECT_EQ(Bytes(file.begin(), file.begin() + static_cast<ptrdiff_t>(prefix.size())), prefix);
    size_t consumed = 0;
    const Bytes data = Unblock(std::span(file).subspan(792), &consumed);
    EXPECT_EQ(ReferenceDecode(data, 8), expectedIndices);
    ASSERT_EQ(792 + consumed + 1, file.size());
    EXPECT_EQ(file[792 + consumed - 1], 0x00);
    EXPECT_EQ(file.back(), 0x3B);
    // Saving the same picture again gives the same file.
    EXPECT_EQ(SaveBitmap(bitmap), file);
}

TEST_F(GIFWriter, EmptyPictureIsFourteenBytes) {
    TBitmap empty;
    empty.SetBitsPerPixel(32);
    const Bytes expected = {'G', 'I', 'F', '8', '7', 'a', 0, 0, 0, 0, 0x77, 0, 0, 0x3B};
    EXPECT_EQ(SaveBitmap(empty), expected);
    TGIFImage image;
    image.Assign(&empty);
    EXPECT_EQ(image.Images.Count(), 1);  // the empty frame is still appended
    EXPECT_TRUE(image.Images[0]->Empty());
}

TEST_F(GIFWriter, OneBlackPixelGivesTheDocumentedBytes) {
    TBitmap bitmap = Bitmap32(1, 1, [](int32_t, int32_t) { return 0xFF000000u; });
    Bytes expected = SavedPrefix(1, 1);
    expected.insert(expected.end(), {0x04, 0x00, 0x01, 0x04, 0x04, 0x00, 0x3B});
    EXPECT_EQ(SaveBitmap(bitmap), expected);
}

TEST_F(GIFWriter, LargePictureSplitsItsDataInto255ByteSubBlocks) {
    std::mt19937 rng(5);
    TBitmap bitmap = Bitmap32(301, 97, [&](int32_t, int32_t) { return static_cast<uint32_t>(rng()); });
    const Bytes file = SaveBitmap(bitmap);
    size_t at = 792;
    std::vector<int> sizes;
    while (file[at] != 0) {
        sizes.push_back(file[at]);
        at += 1 + file[at];
    }
    ASSERT_GT(sizes.size(), 2u);
    for (size_t i = 0; i + 1 < sizes.size(); ++i) EXPECT_EQ(sizes[i], 255) << i;
    EXPECT_GT(sizes.back(), 0);
    EXPECT_EQ(at + 2, file.size());
    const std::unique_ptr<TBitmap> reduced = ReduceToPalette(bitmap, 6, 0, {}, 8);
    Bytes indices;
    for (int32_t y = 0; y < 97; ++y) indices.insert(indices.end(), reduced->ScanLine(y), reduced->ScanLine(y) + 301);
    EXPECT_EQ(ReferenceDecode(Unblock(std::span(file).subspan(792)), 8), indices);
}

// A model built by hand: a global table of `global` entries, frames with local tables of the
// given sizes (0: none), 2 x 1 pixels of index 0 each.
struct Model {
    TGIFImage image;
    explicit Model(int global, std::vector<int> locals) {
        image.Header.ColorMap.SetCount(global);
        for (int i = 0; i < global; ++i) image.Header.ColorMap[i] = {static_cast<uint8_t>(i + 1), 2, 3};
        for (int count : locals) {
            auto frame = std::make_unique<TGIFSubImage>(&image);
            frame->ColorMap.SetCount(count);
            for (int i = 0; i < count; ++i) frame->ColorMap[i] = {9, static_cast<uint8_t>(i), 7};
            frame->SetWidth(2);
            frame->SetHeight(1);
            image.Images.Add(std::move(frame));
        }
    }
    TGIFSubImage& Frame(int i) { return *image.Images[i]; }
};

TEST_F(GIFWriter, LogicalScreenPackedFieldsAndGlobalTablePadding) {
    const struct {
        const char* name;
        int global;
        bool sorted;
        std::vector<int> locals;
        uint8_t packed;
        size_t globalBytes;
    } cases[] = {
        {"no tables at all: -1 stored as 7 twice", 0, false, {0}, 0x77, 0},
        {"global of 3, padded to 4", 3, false, {0}, 0x80 | 0x10 | 0x01, 12},
        {"global of 3 sorted, a local of 16", 3, true, {16}, 0x80 | 0x08 | 0x30 | 0x01, 12},
        {"global of 2, locals of 5 and 200", 2, false, {5, 200}, 0x80 | 0x70 | 0x00, 6},
        {"locals only: largest 5 gives size 2", 0, false, {2, 5}, 0x20 | 0x02, 0},
        {"a local of 256", 0, false, {256}, 0x77, 0},
    };
    for (const auto& c : cases) {
        Model m(c.global, c.locals);
        m.image.Header.ColorMap.SetSorted(c.sorted);
        m.image.Header.Descriptor.BackgroundColorIndex = 2;
        m.image.Header.Descriptor.AspectRatio = 49;
        const Bytes file = Save(m.image);
        EXPECT_EQ(file[6], 2) << c.name;  // the frames raised the logical screen to 2 x 1
        EXPECT_EQ(file[8], 1) << c.name;
        EXPECT_EQ(file[10], c.packed) << c.name;
        EXPECT_EQ(file[11], 2) << c.name;
        EXPECT_EQ(file[12], 49) << c.name;
        for (size_t i = 0; i < c.globalBytes; ++i) {
            const size_t entry = i / 3;
            const int expected = entry < static_cast<size_t>(c.global) ? (i % 3 == 0 ? static_cast<int>(entry) + 1 : i % 3 == 1 ? 2 : 3) : 0;
            EXPECT_EQ(file[13 + i], expected) << c.name << " byte " << i;
        }
        EXPECT_EQ(file[13 + c.globalBytes], 0x2C) << c.name;
    }
}

TEST_F(GIFWriter, FrameDescriptorTableAndCodeSize) {
    const struct {
        const char* name;
        int global, local;
        bool sortedLocal;
        uint8_t oldPacked;  // the frame's packed fields before saving
        uint8_t packed;
        size_t localBytes;
        uint8_t codeSize;
    } cases[] = {
        {"local of 3", 0, 3, false, 0x00, 0x81, 12, 2},
        {"local of 3 sorted", 0, 3, true, 0x00, 0xA1, 12, 2},
        {"local of 17: 32 entries", 0, 17, false, 0x40, 0x84, 96, 5},
        {"interlaced, no local: plain rows, flag cleared", 4, 0, false, 0x40, 0x00, 0, 2},
        {"reserved bits kept without a local table", 32, 0, false, 0x58, 0x18, 0, 5},
        {"local of 1: code size 2", 0, 1, false, 0x00, 0x80, 6, 2},
    };
    for (const auto& c : cases) {
        Model m(c.global, {c.local});
        m.Frame(0).ColorMap.SetSorted(c.sortedLocal);
        m.Frame(0).Descriptor.PackedFields = c.oldPacked;
        const Bytes file = Save(m.image);
        const size_t d = 13 + (c.global ? (size_t{3} << m.image.Header.ColorMap.BitsPerPixel()) : 0);
        const Bytes descriptor(file.begin() + static_cast<ptrdiff_t>(d), file.begin() + static_cast<ptrdiff_t>(d + 10));
        EXPECT_EQ(descriptor, (Bytes{0x2C, 0, 0, 0, 0, 2, 0, 1, 0, c.packed})) << c.name;
        for (size_t i = 0; i < c.localBytes; ++i) {
            const size_t entry = i / 3;
            const int expected = entry < static_cast<size_t>(c.local) ? (i % 3 == 0 ? 9 : i % 3 == 1 ? static_cast<int>(entry) : 7) : 0;
            EXPECT_EQ(file[d + 10 + i], expected) << c.name << " byte " << i;
        }
        const size_t code = d + 10 + c.localBytes;
        EXPECT_EQ(file[code], c.codeSize) << c.name;
        EXPECT_EQ(ReferenceDecode(Unblock(std::span(file).subspan(code + 1)), c.codeSize), (Bytes{0, 0})) << c.name;
        EXPECT_EQ(file.back(), 0x3B);
    }
}

TEST_F(GIFWriter, VersionFollowsSortedTablesAndExtensions) {
    Model plain(0, {2, 2});
    const Bytes p = Save(plain.image);
    EXPECT_EQ(Bytes(p.begin() + 3, p.begin() + 6), (Bytes{'8', '7', 'a'}));

    Model sorted(0, {2, 2});
    sorted.Frame(1).ColorMap.SetSorted(true);
    const Bytes s = Save(sorted.image);
    EXPECT_EQ(Bytes(s.begin() + 3, s.begin() + 6), (Bytes{'8', '9', 'a'}));

    // An extension makes GIF89a and is written before the frame's descriptor.
    Model commented(0, {2});
    auto comment = std::make_unique<TGIFCommentExtension>(&commented.Frame(0));
    comment->Text = {"hi", std::string(300, 'x')};
    commented.Frame(0).Extensions.Add(std::move(comment));
    auto control = std::make_unique<TGIFGraphicControlExtension>(&commented.Frame(0));
    control->Body.PackedFields = 0x09;
    control->Body.DelayTime = 0x1234;
    control->Body.TransparentColorIndex = 1;
    commented.Frame(0).Extensions.Add(std::move(control));
    const Bytes c = Save(commented.image);
    EXPECT_EQ(Bytes(c.begin() + 3, c.begin() + 6), (Bytes{'8', '9', 'a'}));
    Bytes expected = {0x21, 0xFE, 2, 'h', 'i', 255};
    expected.insert(expected.end(), 255, 'x');
    expected.push_back(45);
    expected.insert(expected.end(), 45, 'x');
    expected.insert(expected.end(), {0, 0x21, 0xF9, 4, 0x09, 0x34, 0x12, 1, 0, 0x2C});
    EXPECT_EQ(Bytes(c.begin() + 13, c.begin() + 13 + static_cast<ptrdiff_t>(expected.size())), expected);
}

TEST_F(GIFWriter, ErrorsCarryTheirTexts) {
    const struct {
        const char* name;
        std::function<void()> save;
        const char* text;
    } cases[] = {
        {"no frames", [] { TGIFImage image; Save(image); }, "Unsupported GIF version"},
        {"index beyond a local table of 2",
         [] {
             Model m(0, {2});
             m.Frame(0).Data()[1] = 2;
             Save(m.image);
         },
         "Color not in color table"},
        {"index beyond 2^bits of the global table",
         [] {
             Model m(3, {0});
             m.Frame(0).Data()[0] = 4;
             Save(m.image);
         },
         "Color not in color table"},
        {"run-length coding checks too",
         [] {
             Model m(0, {2});
             m.image.WriteCompression = 1;
             m.Frame(0).Data()[0] = 5;
             Save(m.image);
         },
         "Color not in color table"},
    };
    for (const auto& c : cases) {
        try {
            c.save();
            ADD_FAILURE() << c.name << ": no error";
        } catch (const GIFException& e) {
            EXPECT_EQ(e.Message(), c.text) << c.name;
        }
    }
}

TEST_F(GIFWriter, IndexedBitmapsAreCopiedWithTheirTables) {
    const std::vector<TRGBQuad> table = {RGBQuad(1, 2, 3), RGBQuad(4, 5, 6), RGBQuad(7, 8, 9)};
    const struct {
        int bits;
        int32_t width;
        Bytes row;       // the bitmap's first row bytes (the second row repeats them)
        Bytes indices;   // of one row
    } cases[] = {
        {8, 5, {2, 0, 1, 1, 0}, {2, 0, 1, 1, 0}},
        {4, 5, {0x21, 0x10, 0x20}, {2, 1, 1, 0, 2}},           // high half first, odd width
        {1, 11, {0b10110000, 0b01100000}, {1, 0, 1, 1, 0, 0, 0, 0, 0, 1, 1}},
    };
    for (const auto& c : cases) {
        TBitmap bitmap;
        bitmap.SetBitsPerPixel(c.bits);
        bitmap.SetSize(c.width, 2);
        bitmap.SetColorTable(table);
        for (int32_t y = 0; y < 2; ++y) std::memcpy(bitmap.ScanLine(y), c.row.data(), c.row.size());
        TGIFImage image;
        image.Assign(&bitmap);
        ASSERT_EQ(image.Images.Count(), 1);
        TGIFSubImage& frame = *image.Images[0];
        EXPECT_EQ(image.Width(), c.width);
        EXPECT_EQ(image.Height(), 2);
        EXPECT_EQ(frame.Left(), 0);
        EXPECT_EQ(frame.Top(), 0);
        EXPECT_EQ(frame.Extensions.Count(), 0);
        EXPECT_EQ(image.Header.ColorMap.Count(), 0);
        ASSERT_EQ(frame.ColorMap.Count(), 3) << c.bits;
        EXPECT_EQ(frame.ColorMap[2], (TGIFColor{7, 8, 9}));
        Bytes expected = c.indices;
        expected.insert(expected.end(), c.indices.begin(), c.indices.end());
        EXPECT_EQ(Bytes(frame.Data(), frame.Data() + frame.DataSize()), expected) << c.bits;
    }
}

// Records an image's progress notifications as "stage percent text".
void RecordProgress(TGIFImage& image, std::vector<std::string>& events) {
    image.OnProgress = [&image, &events](TGIFImage* sender, TProgressStage stage, int percent, const std::string& text) {
        EXPECT_EQ(sender, &image);
        events.push_back(std::to_string(static_cast<int>(stage)) + " " + std::to_string(percent) + " " + text);
    };
}

TEST_F(GIFWriter, TrueColourTableIsBuiltInOrderOfFirstAppearance) {
    // ReductionMethod 0 hands the 24-bit copy to the table builder. Ten colours cycle so that the
    // ring of eight recent colours misses and the table search has to find them.
    const uint32_t palette[10] = {0x102030, 0x405060, 0xFF0000, 0x00FF00, 0x0000FF,
                                  0x111111, 0x222222, 0x333333, 0x444444, 0x555555};
    TBitmap bitmap = Bitmap32(7, 5, [&](int32_t x, int32_t y) { return palette[(y * 7 + x) % 10] | 0xAB000000u; });
    TGIFImage image;
    image.ReductionMethod = 0;
    image.Assign(&bitmap);
    TGIFSubImage& frame = *image.Images[0];
    ASSERT_EQ(frame.ColorMap.Count(), 10);
    EXPECT_EQ(frame.ColorMap[0], (TGIFColor{0x10, 0x20, 0x30}));
    EXPECT_EQ(frame.ColorMap[4], (TGIFColor{0, 0, 0xFF}));
    for (int i = 0; i < 35; ++i) EXPECT_EQ(frame.Data()[i], i % 10) << i;
    const Bytes file = Save(image);
    EXPECT_EQ(file[22], 0x83);  // 10 entries: 16 in the file
    EXPECT_EQ(file[23 + 48], 4);  // code size 4
}

TEST_F(GIFWriter, MoreThan256ColoursOverflowTheTable) {
    TBitmap bitmap = Bitmap32(257, 1, [](int32_t x, int32_t) { return static_cast<uint32_t>(x * 3); });
    TGIFImage image;
    image.ReductionMethod = 0;
    std::vector<std::string> events;
    RecordProgress(image, events);
    try {
        image.Assign(&bitmap);
        FAIL() << "no error";
    } catch (const GIFException& e) {
        EXPECT_EQ(e.Message(), "Color table overflow");
    }
    EXPECT_EQ(image.Images.Count(), 0);
    EXPECT_EQ(events, (std::vector<std::string>{"0 0 Converting...", "2 0 Converting..."}));
    // 256 colours fit.
    TBitmap fits = Bitmap32(256, 1, [](int32_t x, int32_t) { return static_cast<uint32_t>(x * 3); });
    image.Assign(&fits);
    EXPECT_EQ(image.Images[0]->ColorMap.Count(), 256);
}

TEST_F(GIFWriter, PicturesBeyondTheGIFSizeLimitAreRefused) {
    for (const auto& [w, h] : {std::pair<int32_t, int32_t>{65536, 1}, {1, 65536}}) {
        TBitmap bitmap;
        bitmap.SetBitsPerPixel(1);
        bitmap.SetSize(w, h);
        TGIFImage image;
        try {
            image.Assign(&bitmap);
            ADD_FAILURE() << "no error";
        } catch (const GIFException& e) {
            EXPECT_EQ(e.Message(), "Invalid image dimensions");
        }
        EXPECT_EQ(image.Images.Count(), 0);
    }
    TBitmap widest;
    widest.SetBitsPerPixel(1);
    widest.SetSize(65535, 1);
    TGIFImage image;
    image.Assign(&widest);
    EXPECT_EQ(image.Width(), 65535);
}

TEST_F(GIFWriter, ProgressIsReportedEvery32RowsAndOncePerFrame) {
    TBitmap bitmap = Bitmap32(3, 70, [](int32_t, int32_t) { return 0u; });
    TGIFImage image;
    std::vector<std::string> events;
    RecordProgress(image, events);
    image.Assign(&bitmap);
    Save(image);
    EXPECT_EQ(events, (std::vector<std::string>{"0 0 Converting...", "1 45 Converting...", "1 91 Converting...",
                                                "2 100 Converting...", "0 0 Saving...", "1 100 Saving...",
                                                "2 100 Saving..."}));
    events.clear();
    TGIFImage empty;
    RecordProgress(empty, events);
    EXPECT_THROW(Save(empty), GIFException);
    EXPECT_EQ(events, (std::vector<std::string>{"0 0 Saving...", "2 0 Saving..."}));
}

TEST_F(GIFWriter, RoundTripsThroughTheReaderOnOddSizes) {
    const std::pair<int32_t, int32_t> sizes[] = {{47, 33}, {1, 57}, {61, 1}, {1, 1}, {256, 3}};
    for (const auto& [w, h] : sizes) {
        for (const uint8_t compression : {0, 1}) {
            std::mt19937 rng(static_cast<unsigned>(w * 1000 + h));
            TBitmap bitmap;
            bitmap.SetBitsPerPixel(8);
            bitmap.SetSize(w, h);
            std::vector<TRGBQuad> table(256);
            for (int i = 0; i < 256; ++i) table[static_cast<size_t>(i)] = RGBQuad(static_cast<uint8_t>(i), 0, static_cast<uint8_t>(255 - i));
            bitmap.SetColorTable(table);
            Bytes indices;
            for (int32_t y = 0; y < h; ++y)
                for (int32_t x = 0; x < w; ++x) {
                    const uint8_t v = (rng() % 4 == 0) ? static_cast<uint8_t>(rng()) : static_cast<uint8_t>(x / 5 + y);
                    bitmap.ScanLine(y)[x] = v;
                    indices.push_back(v);
                }
            TGIFImage image;
            image.WriteCompression = compression;
            image.Assign(&bitmap);
            const Bytes file = Save(image);
            TGIFImage loaded;
            TMemoryStream in = TMemoryStream::View(file);
            loaded.LoadFromStream(in);
            ASSERT_EQ(loaded.Images.Count(), 1) << w << "x" << h;
            const TGIFSubImage& frame = *loaded.Images[0];
            EXPECT_EQ(loaded.Width(), w);
            EXPECT_EQ(loaded.Height(), h);
            EXPECT_EQ(Bytes(frame.Data(), frame.Data() + frame.DataSize()), indices)
                << w << "x" << h << " compression " << int(compression);
            EXPECT_EQ(frame.ColorMap.Count(), 256);
            EXPECT_EQ(frame.ColorMap[7], (TGIFColor{7, 0, 248}));
        }
    }
}

TEST_F(GIFWriter, SaveToFileReplacesOnlyWhenComplete) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("noxsteg-gifwrite-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "out.gif").string();
    TBitmap bitmap = Bitmap32(9, 4, [](int32_t x, int32_t y) { return static_cast<uint32_t>(x * 0x1F0F07 + y * 0x330000); });
    TGIFImage image;
    image.Assign(&bitmap);
    image.SaveToFile(path);
    const Bytes written = ReadWholeFile(path);
    EXPECT_EQ(written, Save(image));

    // A save that fails midway leaves the earlier file as it was, and no temporary file behind.
    image.Images[0]->ColorMap.SetCount(2);
    image.Images[0]->Data()[35] = 3;
    try {
        image.SaveToFile(path);
        ADD_FAILURE() << "no error";
    } catch (const GIFException& e) {
        EXPECT_EQ(e.Message(), "Color not in color table");
    }
    EXPECT_EQ(ReadWholeFile(path), written);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()), 1);
    std::filesystem::remove_all(dir);
}

// A clipboard with one picture or one block of data.
class ScriptedClipboard : public TClipboard {
public:
    void Open() override {}
    void Close() override {}
    void Clear() override {}
    std::vector<unsigned> Formats() override { return {}; }
    std::optional<std::vector<uint8_t>> GetData(unsigned format) override {
        if (format == dataFormat && data) return data;
        return std::nullopt;
    }
    std::unique_ptr<TBitmap> GetBitmap() override { return bitmap ? std::make_unique<TBitmap>(*bitmap) : nullptr; }
    void SetBitmap(const TBitmap& b) override { bitmap = std::make_unique<TBitmap>(b); }

    unsigned dataFormat = 0;
    std::optional<std::vector<uint8_t>> data;
    std::unique_ptr<TBitmap> bitmap;
};

TEST_F(GIFWriter, ClipboardGivesGIFDataOrABitmap) {
    const unsigned gifFormat = RegisterGIFFormat();
    ASSERT_EQ(gifFormat, CF_GIF());
    TBitmap source = Bitmap32(4, 2, [](int32_t x, int32_t) { return x == 0 ? 0xFFFFFFu : 0xFF0000u; });
    const Bytes file = SaveBitmap(source);

    ScriptedClipboard clipboard;
    clipboard.dataFormat = gifFormat;
    clipboard.data = file;
    TGIFImage fromData;
    LoadGIFFromClipboard(fromData, clipboard, gifFormat);
    ASSERT_EQ(fromData.Images.Count(), 1);
    EXPECT_EQ(Bytes(fromData.Images[0]->Data(), fromData.Images[0]->Data() + 8), (Bytes{215, 180, 180, 180, 215, 180, 180, 180}));

    clipboard.SetBitmap(source);
    TGIFImage fromBitmap;
    LoadGIFFromClipboard(fromBitmap, clipboard, CF_BITMAP);
    EXPECT_EQ(Save(fromBitmap), file);

    const struct {
        const char* name;
        unsigned format;
        bool withData, withBitmap;
    } failures[] = {
        {"GIF format without data", gifFormat, false, true},
        {"bitmap format without a bitmap", CF_BITMAP, true, false},
        {"a metafile", CF_ENHMETAFILE, true, true},
        {"text", 1, true, true},
    };
    for (const auto& f : failures) {
        ScriptedClipboard c;
        c.dataFormat = gifFormat;
        if (f.withData) c.data = file;
        if (f.withBitmap) c.SetBitmap(source);
        TGIFImage image;
        try {
            LoadGIFFromClipboard(image, c, f.format);
            ADD_FAILURE() << f.name << ": no error";
        } catch (const GIFException& e) {
            EXPECT_EQ(e.Message(), "Unsupported clipboard format") << f.name;
        }
    }
}

}  // namespace
}  // namespace nox
