// Reading GIF streams into the model: hand-built files with a comment per field, every warning
// and error text, interlacing, transparency fill, extensions, and hostile files.
#include <gtest/gtest.h>

#include <cstring>

#include "formats/gif/GifImage.h"
#include "platform/Errors.h"
#include "platform/Stream.h"
#include "tests/formats/gif/GifTestSupport.h"

namespace nox {
namespace {

using giftest::GifBuilder;
using giftest::Loaded;
using giftest::LoadError;
using Strings = std::vector<std::string>;

// A 2 x 2 GIF89a with a 2-entry global table and the pixels 0 1 / 1 0.
const std::vector<uint8_t> kTiny = {
    'G', 'I', 'F', '8', '9', 'a',  // signature and version
    0x02, 0x00,                    // logical screen width 2
    0x02, 0x00,                    // logical screen height 2
    0x80,                          // global table, colour resolution 0, size 0: 2 entries
    0x01,                          // background colour index 1
    0x00,                          // pixel aspect ratio
    0x10, 0x20, 0x30,              // entry 0
    0xF0, 0xE0, 0xD0,              // entry 1
    0x2C,                          // image separator
    0x00, 0x00, 0x00, 0x00,        // left 0, top 0
    0x02, 0x00, 0x02, 0x00,        // width 2, height 2
    0x00,                          // no local table, not interlaced
    0x02,                          // LZW minimum code size 2
    0x03,                          // sub-block of 3 bytes: codes 4 0 1 1 (adds 6, 7: width 4) 0 5
    0x44, 0x02, 0x05,              // 4 | 0<<3 | 1<<6 | 1<<9 | 0<<12 | 5<<16
    0x00,                          // block terminator
    0x3B,                          // trailer
};

TEST(GifReader, ReadsTheTinyFileField_by_field) {
    Loaded g;
    g.Load(kTiny);
    EXPECT_TRUE(g.warnings.empty());
    TGIFImage& image = g.image;
    EXPECT_EQ(image.Width(), 2);
    EXPECT_EQ(image.Height(), 2);
    EXPECT_FALSE(image.Empty());
    EXPECT_EQ(std::string(image.Header.Signature.begin(), image.Header.Signature.end()), "GIF89a");
    EXPECT_EQ(image.Header.Descriptor.PackedFields, 0x80);
    EXPECT_EQ(image.Header.BackgroundColorIndex(), 1);
    ASSERT_EQ(image.Header.ColorMap.Count(), 2);
    EXPECT_EQ(image.Header.ColorMap[0], (TGIFColor{0x10, 0x20, 0x30}));
    EXPECT_EQ(image.Header.ColorMap[1], (TGIFColor{0xF0, 0xE0, 0xD0}));
    ASSERT_EQ(image.Images.Count(), 1);
    TGIFSubImage& f = *image.Images[0];
    EXPECT_EQ(f.Descriptor.Separator, 0x2C);
    EXPECT_EQ(f.BoundsRect(), Rect(0, 0, 2, 2));
    EXPECT_EQ(std::vector<uint8_t>(f.Data(), f.Data() + f.DataSize()), std::vector<uint8_t>({0, 1, 1, 0}));
    EXPECT_FALSE(f.Transparent());
    EXPECT_EQ(f.Extensions.Count(), 0);
}

TEST(GifReader, SignatureRules) {
    auto withHead = [](const std::string& head) {
        std::vector<uint8_t> v(head.begin(), head.end());
        v.insert(v.end(), kTiny.begin() + 6, kTiny.end());
        return v;
    };
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        std::string error;
    };
    std::vector<uint8_t> prefixed = {'J', 'U', 'N', 'K'};
    prefixed.insert(prefixed.end(), kTiny.begin(), kTiny.end());
    const Case cases[] = {
        {"lower case, any version", withHead("gif12x"), ""},
        {"mixed case", withHead("GiF87a"), ""},
        {"4-byte prefix", prefixed, ""},
        {"not a GIF", withHead("PNG89a"), "Invalid GIF signature"},
        {"too short", {'G', 'I', 'F', '8'}, "Premature end of data"},
        {"short after a prefix", {'X', 'X', 'X', 'X', 'X', 'X', 'G', 'I'}, "Premature end of data"},
        {"no screen descriptor", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1}, "Premature end of data"},
        {"short global table", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x81, 0, 0, 1, 2, 3}, "Premature end of data"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(LoadError(c.bytes), c.error);
    }
    Loaded g;
    g.Load(withHead("gif12x"));
    EXPECT_EQ(std::string(g.image.Header.Signature.begin(), g.image.Header.Signature.end()), "gif12x");
    EXPECT_EQ(g.image.Images[0]->Data()[1], 1);
}

TEST(GifReader, AnErrorPutsTheStreamBackAndPassesOn) {
    std::vector<uint8_t> bytes = {1, 2, 3};
    bytes.insert(bytes.end(), {'P', 'N', 'G', '8', '9', 'a', 0, 0, 0, 0, 0, 0, 0});
    TMemoryStream stream(bytes);
    stream.SetPosition(3);
    TGIFImage image;
    std::vector<std::pair<TProgressStage, int>> progress;
    image.OnProgress = [&](TGIFImage*, TProgressStage stage, int percent, const std::string& text) {
        EXPECT_EQ(text, "Loading...");
        progress.push_back({stage, percent});
    };
    EXPECT_THROW(image.LoadFromStream(stream), GIFException);
    EXPECT_EQ(stream.Position(), 3);
    EXPECT_EQ(progress, (std::vector<std::pair<TProgressStage, int>>{{TProgressStage::psStarting, 0},
                                                                     {TProgressStage::psEnding, 0}}));
}

TEST(GifReader, ProgressAroundALoad) {
    const std::vector<uint8_t> one = {0};
    const std::vector<uint8_t> bytes = GifBuilder()
                                           .Header(1, 1, 2)
                                           .Frame(0, 0, 1, 1, one)
                                           .Frame(0, 0, 1, 1, one)
                                           .Trailer()
                                           .b;
    TMemoryStream stream(bytes);
    TGIFImage image;
    std::vector<std::pair<TProgressStage, int>> progress;
    image.OnProgress = [&](TGIFImage*, TProgressStage stage, int percent, const std::string&) {
        progress.push_back({stage, percent});
    };
    image.LoadFromStream(stream);
    // Header 13 and table 6 bytes; each frame 17 (descriptor 10, code size 1, a sub-block of 4
    // bytes for three 9-bit codes, size byte 0); the trailer.
    const int size = static_cast<int>(bytes.size());
    EXPECT_EQ(size, 13 + 6 + 2 * 17 + 1);
    EXPECT_EQ(progress, (std::vector<std::pair<TProgressStage, int>>{{TProgressStage::psStarting, 0},
                                                                     {TProgressStage::psRunning, 36 * 100 / size},
                                                                     {TProgressStage::psRunning, 53 * 100 / size},
                                                                     {TProgressStage::psEnding, 100}}));
}

TEST(GifReader, BlockLoopAndTrailer) {
    const std::vector<uint8_t> px = {1, 0, 1, 0};
    auto base = [&] { return GifBuilder().Header(2, 2, 2).Frame(0, 0, 2, 2, px); };
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        int frames;
        Strings warnings;
    };
    const Case cases[] = {
        {"plain", base().Trailer().b, 1, {}},
        {"no trailer", base().b, 1, {}},
        {"zeros between blocks", base().Bytes({0, 0, 0}).Frame(0, 0, 2, 2, px).Bytes({0}).Trailer().b, 2, {}},
        {"unknown block", base().Bytes({0x99, 0x3B}).b, 1, {"Unknown GIF block type", "Invalid Image trailer"}},
        {"bytes after the trailer are not read", base().Trailer().Bytes({0x99}).b, 1, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Loaded g;
        g.Load(c.bytes);
        EXPECT_EQ(g.image.Images.Count(), c.frames);
        EXPECT_EQ(g.warnings, c.warnings);
        EXPECT_EQ(g.image.Images[0]->Data()[0], 1);
    }
}

TEST(GifReader, ZeroSizedFrameTakesTheLogicalScreen) {
    // A frame of width 0 and height 3 in a 3 x 2 screen: 3 x 2 pixels are decoded.
    const std::vector<uint8_t> px = {1, 2, 3, 4, 5, 6};
    GifBuilder b;
    b.Header(3, 2, 8);
    b.Bytes({0x2C}).Word(0).Word(0).Word(0).Word(3).Bytes({0x00, 8});
    giftest::AppendSubBlocks(b.b, giftest::EncodeLZW(px, 8));
    b.Trailer();
    Loaded g;
    g.Load(b.b);
    EXPECT_EQ(g.warnings, Strings({"Image exceeds Logical Screen size"}));
    const TGIFSubImage& f = *g.image.Images[0];
    EXPECT_EQ(f.Width(), 3);
    EXPECT_EQ(f.Height(), 2);
    EXPECT_EQ(std::vector<uint8_t>(f.Data(), f.Data() + 6), px);
}

TEST(GifReader, FramesOutsideTheScreenAreKeptAsTheyAre) {
    const std::vector<uint8_t> px = {7, 7};
    Loaded g;
    g.Load(GifBuilder().Header(4, 4, 8).Frame(60000, 50000, 2, 1, px).Trailer().b);
    EXPECT_TRUE(g.warnings.empty());
    EXPECT_EQ(g.image.Images[0]->BoundsRect(), Rect(60000, 50000, 60002, 50001));
    EXPECT_EQ(g.image.Width(), 4);
}

TEST(GifReader, InterlacedRowsEachOnce) {
    for (int height : {1, 2, 3, 4, 5, 8, 9, 17, 33}) {
        SCOPED_TRACE(height);
        const int width = 3;
        std::vector<uint8_t> px;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) px.push_back(static_cast<uint8_t>(y * 4 + x));
        const std::vector<uint8_t> stored = giftest::Interlace(px, width, height);
        Loaded g;
        g.Load(GifBuilder().Header(width, height, 256).Frame(0, 0, width, height, stored, 8, 0, true).Trailer().b);
        const TGIFSubImage& f = *g.image.Images[0];
        EXPECT_TRUE(f.Interlaced());
        EXPECT_EQ(std::vector<uint8_t>(f.Data(), f.Data() + f.DataSize()), px);
        EXPECT_TRUE(g.warnings.empty());
    }
}

TEST(GifReader, DataEndingEarlyLeavesTheFillValue) {
    // 4 x 2 frame; the codes give only 3 pixels (clear, 5, 6, 7, end) before the size byte 0.
    const std::vector<uint8_t> three = {5, 6, 7};
    struct Case {
        const char* name;
        bool transparent;
        bool interlaced;
        std::vector<uint8_t> expected;
    };
    const Case cases[] = {
        {"opaque", false, false, {5, 6, 7, 0, 0, 0, 0, 0}},
        {"transparent index 9", true, false, {5, 6, 7, 9, 9, 9, 9, 9}},
        // Interlaced: the first decoded row is row 0.
        {"interlaced", true, true, {5, 6, 7, 9, 9, 9, 9, 9}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GifBuilder b;
        b.Header(4, 2, 16);
        if (c.transparent) b.GraphicControl(0x01, 0, 9);
        b.Bytes({0x2C}).Word(0).Word(0).Word(4).Word(2).Bytes({static_cast<uint8_t>(c.interlaced ? 0x40 : 0), 4});
        giftest::AppendSubBlocks(b.b, giftest::EncodeLZW(three, 4));
        b.Frame(0, 0, 1, 1, std::vector<uint8_t>{3}, 4).Trailer();
        Loaded g;
        g.Load(b.b);
        ASSERT_EQ(g.image.Images.Count(), 2);
        const TGIFSubImage& f = *g.image.Images[0];
        EXPECT_EQ(f.Transparent(), c.transparent);
        EXPECT_EQ(std::vector<uint8_t>(f.Data(), f.Data() + f.DataSize()), c.expected);
        // The next frame is read from just after the first one's size byte 0.
        EXPECT_EQ(g.image.Images[1]->BoundsRect(), Rect(0, 0, 1, 1));
        EXPECT_TRUE(g.warnings.empty());
    }
}

TEST(GifReader, ExtraDataAfterTheLastPixelIsSkipped) {
    // The codes carry 6 pixels for a 2 x 1 frame and no end code where the decoder stops: the
    // following frame is still found.
    const std::vector<uint8_t> six = {1, 2, 3, 4, 5, 6};
    GifBuilder b;
    b.Header(2, 1, 16);
    b.Bytes({0x2C}).Word(0).Word(0).Word(2).Word(1).Bytes({0, 4});
    giftest::AppendSubBlocks(b.b, giftest::EncodeLZW(six, 4), 1);
    b.Frame(0, 0, 1, 1, std::vector<uint8_t>{8}, 4).Trailer();
    Loaded g;
    g.Load(b.b);
    ASSERT_EQ(g.image.Images.Count(), 2);
    EXPECT_EQ(g.image.Images[0]->Data()[1], 2);
    EXPECT_EQ(g.image.Images[1]->BoundsRect(), Rect(0, 0, 1, 1));
}

TEST(GifReader, DataWarnings) {
    struct Case {
        const char* name;
        std::vector<uint8_t> tail;  // after a 2 x 2 frame's descriptor (no local table)
        std::vector<uint8_t> pixels;
        Strings warnings;
    };
    const Case cases[] = {
        // Minimum code size, then a sub-block of 200 bytes of which 3 are there.
        {"sub-block past the end", {2, 200, 0x44, 0x02, 0x05}, {0, 1, 1, 0}, {"Premature end of data"}},
        // Codes 4, 3 (m = 3 would be 4 bits; here m = 2, 3-bit codes 4 3 then 2 bits left), then 0.
        {"under-run", {2, 1, 0x1C, 0}, {3, 0, 0, 0}, {}},
        // No minimum code size at all: the frame keeps the fill value.
        {"no data", {}, {0, 0, 0, 0}, {}},
        // Only the minimum code size and the size byte 0: every code request under-runs.
        {"empty data", {2, 0}, {0, 0, 0, 0}, {"Decoder bit buffer under-run"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GifBuilder b;
        b.Header(2, 2, 4).Bytes({0x2C}).Word(0).Word(0).Word(2).Word(2).Bytes({0});
        b.b.insert(b.b.end(), c.tail.begin(), c.tail.end());
        Loaded g;
        g.Load(b.b);
        ASSERT_EQ(g.image.Images.Count(), 1);
        const TGIFSubImage& f = *g.image.Images[0];
        EXPECT_EQ(std::vector<uint8_t>(f.Data(), f.Data() + f.DataSize()), c.pixels);
        EXPECT_EQ(g.warnings, c.warnings);
    }
}

TEST(GifReader, LocalTablesAndSeveralFrames) {
    const std::vector<uint8_t> a = {0, 1, 2, 3}, b2 = {3, 2, 1, 0, 1, 2};
    Loaded g;
    g.Load(GifBuilder()
               .Header(5, 5, 0)
               .Frame(0, 0, 2, 2, a, 2, 4)
               .GraphicControl(0x08 | 0x01, 25, 2)
               .Frame(1, 2, 3, 2, b2, 2, 0)
               .Trailer()
               .b);
    ASSERT_EQ(g.image.Images.Count(), 2);
    EXPECT_EQ(g.image.Header.ColorMap.Count(), 0);
    const TGIFSubImage& f1 = *g.image.Images[0];
    EXPECT_EQ(f1.ColorMap.Count(), 4);
    EXPECT_EQ(f1.ColorMap[3], (TGIFColor{3, 6, 9}));
    EXPECT_EQ(f1.Descriptor.PackedFields, 0x81);
    const TGIFSubImage& f2 = *g.image.Images[1];
    EXPECT_EQ(f2.ColorMap.Count(), 0);
    EXPECT_EQ(f2.BoundsRect(), Rect(1, 2, 4, 4));
    EXPECT_TRUE(f2.Transparent());
    EXPECT_EQ(f2.TransparentIndex(), 2);
    ASSERT_NE(f2.GraphicControlExtension(), nullptr);
    EXPECT_EQ(f2.GraphicControlExtension()->Disposal(), 2);
    EXPECT_EQ(f2.GraphicControlExtension()->Delay(), 25);
    // Only the first frame is shown, so only it keeps its pixels.
    EXPECT_EQ(f1.DataSize(), 4u);
    EXPECT_EQ(f2.DataSize(), 0u);
}

TEST(GifReader, EveryExtensionKind) {
    GifBuilder b;
    b.Header(1, 1, 2);
    b.GraphicControl(0x05, 0x0102, 1);  // disposal 1, transparent, delay 258, index 1
    b.Bytes({0x21, 0x01, 12}).Word(1).Word(2).Word(3).Word(4).Bytes({5, 6, 7, 8});  // plain text header
    b.Bytes({3, 'a', 'b', 'c', 1, 'd', 0});                                          // two text lines
    b.Bytes({0x21, 0xFE, 2, 'h', 'i', 0});                                           // a comment
    b.Bytes({0x21, 0xFF, 11}).Text("NETSCAPE2.0").Bytes({3, 1, 5, 0, 0});            // loop 5 times
    b.Bytes({0x21, 0xFF, 11}).Text("ANIMEXTS1.0").Bytes({5, 2, 0x00, 0x10, 0, 0, 0});  // buffer 4096
    b.Bytes({0x21, 0xFF, 11}).Text("XMP DataXMP").Bytes({2, 'x', 'y', 1, 'z', 0});  // unknown: kept
    b.Bytes({0x21, 0xFF, 10}).Text("ABCDEFGHIJ").Bytes({1, 'q', 0});                 // 10-byte form
    b.Bytes({0x21, 0xFF, 13}).Text("OTHERAPP1.0").Bytes({'+', '+', 1, 'r', 0});      // longer block
    b.Frame(0, 0, 1, 1, std::vector<uint8_t>{1}, 2).Trailer();
    Loaded g;
    g.Load(b.b);
    EXPECT_TRUE(g.warnings.empty());
    ASSERT_EQ(g.image.Images.Count(), 1);
    const TGIFExtensionList& ext = g.image.Images[0]->Extensions;
    ASSERT_EQ(ext.Count(), 8);
    const Strings classes = {"TGIFGraphicControlExtension", "TGIFTextExtension", "TGIFCommentExtension",
                             "TGIFAppExtNSLoop",            "TGIFAppExtNSLoop",  "TGIFUnknownAppExtension",
                             "TGIFUnknownAppExtension",     "TGIFUnknownAppExtension"};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(ext[i]->ClassName(), classes[static_cast<size_t>(i)]) << i;
        EXPECT_EQ(ext[i]->Version(), gv89a);
    }
    auto* gce = dynamic_cast<TGIFGraphicControlExtension*>(ext[0]);
    EXPECT_EQ(gce->Body.BlockSize, 4);
    EXPECT_EQ(gce->Disposal(), 1);
    EXPECT_EQ(gce->Delay(), 258);
    EXPECT_TRUE(gce->Transparent());
    EXPECT_EQ(g.image.Images[0]->GraphicControlExtension(), gce);
    auto* text = dynamic_cast<TGIFTextExtension*>(ext[1]);
    EXPECT_EQ(text->Body.Left, 1);
    EXPECT_EQ(text->Body.Height, 4);
    EXPECT_EQ(text->Body.CellWidth, 5);
    EXPECT_EQ(text->Body.TextBGColorIndex, 8);
    EXPECT_EQ(text->Text, Strings({"abc", "d"}));
    EXPECT_EQ(dynamic_cast<TGIFCommentExtension*>(ext[2])->Text, Strings({"hi"}));
    auto* loop = dynamic_cast<TGIFAppExtNSLoop*>(ext[3]);
    EXPECT_EQ(loop->Loops, 5);
    EXPECT_EQ(loop->IdentifierText(), "NETSCAPE2.0");
    EXPECT_EQ(dynamic_cast<TGIFAppExtNSLoop*>(ext[4])->BufferSize, 4096u);
    auto* xmp = dynamic_cast<TGIFUnknownAppExtension*>(ext[5]);
    ASSERT_EQ(xmp->Blocks.size(), 2u);
    EXPECT_EQ(xmp->Blocks[0].Data, std::vector<uint8_t>({'x', 'y'}));
    EXPECT_EQ(xmp->Blocks[1].Data, std::vector<uint8_t>({'z'}));
    // The 10-byte form reads 11 bytes into the identifier and steps back one: the data
    // sub-blocks begin right after the 10 bytes.
    auto* ten = dynamic_cast<TGIFUnknownAppExtension*>(ext[6]);
    EXPECT_EQ(ten->BlockSize, 10);
    EXPECT_EQ(ten->IdentifierText(), std::string("ABCDEFGHIJ\x01", 11));
    ASSERT_EQ(ten->Blocks.size(), 1u);
    EXPECT_EQ(ten->Blocks[0].Data, std::vector<uint8_t>({'q'}));
    auto* longer = dynamic_cast<TGIFUnknownAppExtension*>(ext[7]);
    EXPECT_EQ(longer->IdentifierText(), "OTHERAPP1.0");
    ASSERT_EQ(longer->Blocks.size(), 1u);
    EXPECT_EQ(longer->Blocks[0].Data, std::vector<uint8_t>({'r'}));
    EXPECT_TRUE(g.image.Images[0]->Transparent());
}

TEST(GifReader, ExtensionErrorsAndWarnings) {
    auto file = [](std::initializer_list<uint8_t> extension) {
        GifBuilder b;
        b.Header(1, 1, 2).Bytes(extension);
        return b.Frame(0, 0, 1, 1, std::vector<uint8_t>{1}, 2).Trailer().b;
    };
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        std::string error;
        Strings warnings;
        int frames;
    };
    const Case cases[] = {
        {"unknown label", file({0x21, 0x77, 0}), "Unknown extension type", {}, 0},
        {"application block size 9", file({0x21, 0xFF, 9, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0}),
         "Unsupported Application Extension block size", {}, 0},
        {"loop sub-block too short", file({0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 2, 1, 5, 0}),
         "Invalid GIF data", {}, 0},
        {"buffer sub-block too short", file({0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 4, 2, 1, 1, 1, 0}),
         "Invalid GIF data", {}, 0},
        {"other loop sub-block skipped", file({0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 1, 3, 0}),
         "", {}, 1},
        {"truncated plain text", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, 0x21, 0x01, 12, 0, 0},
         "Premature end of data", {}, 0},
        {"truncated comment line", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, 0x21, 0xFE, 5, 'a'},
         "Premature end of data", {}, 0},
        {"comment at the end", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, 0x21, 0xFE, 1, 'a'}, "", {}, 1},
        {"short graphic control", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, 0x21, 0xF9, 4, 1},
         "", {"Premature end of data"}, 1},
        // 0x21 0xF9 ... then 0x99: the frame's extensions end there, the frame reads the byte
        // as the start of its image descriptor.
        {"stray byte among extensions",
         file({0x21, 0xFE, 0, 0x99, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x4C, 0x01, 0}), "",
         {"Invalid extension introducer"}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Loaded g;
        std::string error;
        try {
            g.Load(c.bytes);
        } catch (const GIFException& e) {
            error = e.Message();
        }
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(g.warnings, c.warnings);
        EXPECT_EQ(g.image.Images.Count(), c.frames);
    }
}

TEST(GifReader, ExtensionChecksItsOwnIntroducerAndLabel) {
    struct Case {
        std::vector<uint8_t> bytes;
        std::string error;
    };
    const Case cases[] = {
        {{0x2C, 0xFE, 0}, "Invalid extension introducer"},
        {{0x21, 0xF9, 4, 0, 0, 0, 0, 0}, "Internal error: Extension Instance does not match Extension Label"},
        {{0x21}, "Premature end of data"},
    };
    for (const Case& c : cases) {
        TGIFImage image;
        TGIFSubImage frame(&image);
        TGIFCommentExtension comment(&frame);
        TMemoryStream s(c.bytes);
        try {
            comment.LoadFromStream(s);
            ADD_FAILURE() << "no error";
        } catch (const GIFException& e) {
            EXPECT_EQ(e.Message(), c.error);
        }
    }
}

TEST(GifReader, LaterFramesWithoutPixelsAreLetGo) {
    // Extensions before the trailer, or before padding, make a frame without image data. As the
    // first frame it stays (it is what a painter shows); after it, it is read and let go.
    const auto emptyComment = {uint8_t{0x21}, uint8_t{0xFE}, uint8_t{0}, uint8_t{0}};
    for (const bool commentFirst : {false, true}) {
        SCOPED_TRACE(commentFirst ? "comment first" : "picture first");
        GifBuilder b;
        b.Header(1, 1, 2);
        if (commentFirst) b.Bytes(emptyComment);
        b.Frame(0, 0, 1, 1, std::vector<uint8_t>{1}, 2);
        for (int i = 0; i < 1000; ++i) b.Bytes(emptyComment);
        b.Bytes({0x21, 0xFE, 1, 'x', 0}).Trailer();
        Loaded g;
        g.Load(b.b);
        ASSERT_EQ(g.image.Images.Count(), commentFirst ? 2 : 1);
        EXPECT_EQ(g.image.Images[0]->Empty(), commentFirst);
        EXPECT_EQ(g.image.Images[0]->Extensions.Count(), commentFirst ? 1 : 0);
        EXPECT_EQ(g.image.Images[g.image.Images.Count() - 1]->BoundsRect(), Rect(0, 0, 1, 1));
    }
}

TEST(GifReader, HugeFramesInTinyFiles) {
    struct Case {
        const char* name;
        int width, height;
        int frames;                 // frames of that size after a 1 x 1 first frame, or 0
        std::vector<uint8_t> data;  // after each large frame's descriptor
        std::string error;
    };
    const Case cases[] = {
        // Beyond what one allocation may take: refused before anything is allocated.
        {"65535 x 65535, no codes", 65535, 65535, 0, {8, 0}, "Out of memory"},
        {"65535 x 65535, no data at all", 65535, 65535, 0, {}, "Out of memory"},
        // Within it, data that ends early is filled: one byte of codes (clear, then 1).
        {"12000 x 12000, one byte of data", 12000, 12000, 0, {2, 1, 0x0C, 0}, ""},
        // Frames after the first are checked and let go, whatever their size or number.
        {"later frames beyond the limit", 65535, 65535, 40, {2, 1, 0x0C, 0}, ""},
        {"a damaged later frame", 10, 10, 1, {2, 2, 0xCC, 0x7D, 0}, "Circular decoder table entry"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GifBuilder b;
        b.Header(c.width, c.height, 4);
        if (c.frames > 0) b.Frame(0, 0, 1, 1, std::vector<uint8_t>{3}, 4);
        for (int i = 0; i < std::max(c.frames, 1); ++i) {
            b.Bytes({0x2C}).Word(0).Word(0).Word(c.width).Word(c.height).Bytes({0});
            b.b.insert(b.b.end(), c.data.begin(), c.data.end());
        }
        EXPECT_EQ(LoadError(b.b), c.error);
        if (!c.error.empty()) continue;
        Loaded g;
        g.Load(b.b);
        ASSERT_EQ(g.image.Images.Count(), c.frames + 1);
        const TGIFSubImage& first = *g.image.Images[0];
        ASSERT_EQ(first.DataSize(), static_cast<size_t>(first.Width()) * static_cast<size_t>(first.Height()));
        EXPECT_EQ(first.Data()[0], c.frames > 0 ? 3 : 1);
        EXPECT_EQ(first.Data()[first.DataSize() - 1], c.frames > 0 ? 3 : 0);
        for (int i = 1; i <= c.frames; ++i) EXPECT_EQ(g.image.Images[i]->DataSize(), 0u);
    }
}

TEST(GifReader, EveryTruncationFailsCleanlyOrLoads) {
    GifBuilder b;
    b.Header(6, 5, 4);
    b.Bytes({0x21, 0xFF, 11}).Text("NETSCAPE2.0").Bytes({3, 1, 0, 0, 0});
    b.Bytes({0x21, 0xFE, 3, 'a', 'b', 'c', 0});
    b.Bytes({0x21, 0x01, 12}).Word(1).Word(2).Word(3).Word(4).Bytes({5, 6, 7, 8, 1, 'T', 0});
    b.GraphicControl(0x09, 10, 2);
    std::vector<uint8_t> px(30);
    for (size_t i = 0; i < px.size(); ++i) px[i] = static_cast<uint8_t>(i % 4);
    b.Frame(0, 0, 6, 5, giftest::Interlace(px, 6, 5), 2, 4, true);
    b.Frame(1, 1, 3, 2, std::vector<uint8_t>(6, 3), 2, 0);
    b.Trailer();
    const std::vector<uint8_t> full = b.b;
    for (size_t n = 0; n <= full.size(); ++n) {
        SCOPED_TRACE(n);
        std::vector<uint8_t> cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
        TMemoryStream stream(cut);
        TGIFImage image;
        try {
            image.LoadFromStream(stream);
            // A load that succeeds has the shown frame's pixel memory complete.
            if (image.Images.Count() > 0) {
                const TGIFSubImage& f = *image.Images[0];
                EXPECT_EQ(f.DataSize(), static_cast<size_t>(f.Width()) * static_cast<size_t>(f.Height()));
            }
        } catch (const GIFException& e) {
            EXPECT_EQ(e.Message(), "Premature end of data");
            EXPECT_EQ(stream.Position(), 0);
        }
    }
    Loaded g;
    g.Load(full);
    ASSERT_EQ(g.image.Images.Count(), 2);
    EXPECT_EQ(std::vector<uint8_t>(g.image.Images[0]->Data(), g.image.Images[0]->Data() + 30), px);
}

TEST(GifReader, ExtensionFloodIsBounded) {
    GifBuilder b;
    b.Header(1, 1, 2);
    for (int i = 0; i < 20000; ++i) b.Bytes({0x21, 0xFE, 1, 'x', 0});
    b.Frame(0, 0, 1, 1, std::vector<uint8_t>{1}, 2).Trailer();
    Loaded g;
    g.Load(b.b);
    ASSERT_EQ(g.image.Images.Count(), 1);
    EXPECT_EQ(g.image.Images[0]->Extensions.Count(), 20000);
}

TEST(GifReader, CodeSizesZeroToTwelve) {
    std::vector<uint8_t> noise(40);
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<uint8_t>(i * 73 + 5);
    for (int m = 0; m <= 12; ++m) {
        SCOPED_TRACE(m);
        GifBuilder b;
        b.Header(8, 8, 2).Bytes({0x2C}).Word(0).Word(0).Word(8).Word(8).Bytes({0, static_cast<uint8_t>(m)});
        giftest::AppendSubBlocks(b.b, noise);
        b.Trailer();
        const std::string error = LoadError(b.b);
        if (m == 12)
            EXPECT_EQ(error, "Invalid GIF data");
        else
            EXPECT_TRUE(error.empty() || error == "Circular decoder table entry") << error;
    }
}

TEST(GifColorMap, CapacityAndBitsPerPixel) {
    struct Case {
        int count, capacity, bits;
    };
    const Case cases[] = {{0, 0, 0},    {1, 16, 1},   {2, 16, 1},   {3, 16, 2},    {16, 16, 4},  {17, 32, 5},
                          {32, 32, 5},  {33, 64, 6},  {200, 224, 8}, {216, 224, 8}, {256, 256, 8}, {300, 256, 8}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        TGIFColorMap map;
        map.SetCount(c.count);
        EXPECT_EQ(map.Count(), std::min(c.count, 256));
        EXPECT_EQ(map.Capacity(), c.capacity);
        EXPECT_EQ(map.BitsPerPixel(), c.bits);
    }
    TGIFColorMap map;
    for (int i = 0; i < 256; ++i) EXPECT_EQ(map.Add({static_cast<uint8_t>(i), 0, 0}), i);
    EXPECT_EQ(map.Add({1, 2, 3}), -1);
}

TEST(GifColorMap, LookupOutsideTheTable) {
    Loaded g;
    TGIFSubImage frame(&g.image);
    frame.ColorMap.Add({1, 2, 3});
    frame.ColorMap.Add({4, 5, 6});
    EXPECT_EQ(frame.ColorMap.Color(1), (TGIFColor{4, 5, 6}));
    EXPECT_TRUE(g.warnings.empty());
    EXPECT_EQ(frame.ColorMap.Color(7), (TGIFColor{1, 2, 3}));
    EXPECT_EQ(g.warnings, Strings({"Invalid color index"}));
    frame.ColorMap.Clear();
    try {
        frame.ColorMap.Color(0);
        ADD_FAILURE() << "no error";
    } catch (const GIFException& e) {
        EXPECT_EQ(e.Message(), "Color table is empty");
    }
    EXPECT_EQ(g.warnings, Strings({"Invalid color index", "Invalid color index"}));
    const std::vector<TRGBQuad> palette = [] {
        TGIFColorMap m;
        m.Add({10, 20, 30});
        return m.Palette();
    }();
    EXPECT_EQ(palette, std::vector<TRGBQuad>({RGBQuad(10, 20, 30)}));
}

TEST(GifImage, DefaultsOfANewImage) {
    TGIFImage image;
    EXPECT_EQ(image.PaintOptions, 0x060F);
    EXPECT_EQ(image.PaintOptions, PaintAsync | PaintTransparent | Animate | LoopAnimation | DitherToWeb |
                                      DitherOnPaletteDisplay);
    EXPECT_EQ(image.ReductionMethod, 6);
    EXPECT_EQ(image.ReductionBits, 8u);
    EXPECT_EQ(image.DitherMode, 0);
    EXPECT_EQ(image.WriteCompression, 0);
    EXPECT_EQ(image.PainterPriority, 3);
    EXPECT_EQ(image.AnimationSpeed, 100);
    EXPECT_EQ(image.PaintBackground, 0x1FFFFFFFu);
    EXPECT_TRUE(image.Empty());
    EXPECT_EQ(image.Width(), 0);
    EXPECT_FALSE(RenderOnLoad);
    EXPECT_FALSE(OptimizeOnStore);
}

TEST(GifImage, RegistriesFindTheirClasses) {
    TExtensionList& ext = TExtensionList::Instance();
    EXPECT_EQ(ext.Find(0xF9), &GIFGraphicControlExtensionClass);
    EXPECT_EQ(ext.Find(0x01), &GIFTextExtensionClass);
    EXPECT_EQ(ext.Find(0xFE), &GIFCommentExtensionClass);
    EXPECT_EQ(ext.Find(0xFF), &GIFApplicationExtensionClass);
    EXPECT_EQ(ext.Find(0x02), nullptr);
    std::array<uint8_t, 11> id{};
    std::memcpy(id.data(), "NETSCAPE2.0", 11);
    EXPECT_EQ(TAppExtensionList::Instance().Find(id), &GIFAppExtNSLoopClass);
    id[10] = '1';  // all 11 bytes count
    EXPECT_EQ(TAppExtensionList::Instance().Find(id), nullptr);
    TGIFImage image;
    TGIFSubImage frame(&image);
    EXPECT_EQ(TGIFAppExtNSLoop(&frame).IdentifierText(), "NETSCAPE2.0");
}

TEST(GifImage, FrameSizeRaisesTheLogicalScreen) {
    TGIFImage image;
    auto* frame = image.Images.Add(std::make_unique<TGIFSubImage>(&image));
    frame->SetLeft(3);
    frame->SetWidth(5);
    EXPECT_EQ(image.Width(), 8);
    EXPECT_EQ(image.Height(), 0);
    frame->SetHeight(2);
    EXPECT_EQ(image.Height(), 2);
    EXPECT_EQ(frame->DataSize(), 10u);
    EXPECT_FALSE(frame->Empty());
    EXPECT_EQ(frame->Version(), gv87a);
    frame->ColorMap.SetSorted(true);
    EXPECT_EQ(frame->Version(), gv89a);
}

TEST(GifImage, GraphicControlExtensionIsTheFirstOneMade) {
    TGIFImage image;
    TGIFSubImage frame(&image);
    auto first = std::make_unique<TGIFGraphicControlExtension>(&frame);
    auto* firstRaw = first.get();
    frame.Extensions.Add(std::move(first));
    frame.Extensions.Add(std::make_unique<TGIFGraphicControlExtension>(&frame));
    EXPECT_EQ(frame.GraphicControlExtension(), firstRaw);
    {
        // Released again (as after a failed read), it no longer counts.
        TGIFImage other;
        TGIFSubImage f2(&other);
        { TGIFGraphicControlExtension temporary(&f2); EXPECT_NE(f2.GraphicControlExtension(), nullptr); }
        EXPECT_EQ(f2.GraphicControlExtension(), nullptr);
    }
}

}  // namespace
}  // namespace nox
