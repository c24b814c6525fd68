// Saving JPEG files: the exact header the library's defaults give, quality, alpha and pixel
// formats, odd sizes, byte-for-byte resaving, and failures that must not pass as success.
#include <gtest/gtest.h>

#include <jerror.h>

#include <cstdio>
#include <filesystem>

#include "JpegTestSupport.h"
#include "platform/Errors.h"
#include "platform/Picture.h"
#include "platform/Stream.h"

namespace nox {
namespace {

using testing::LoadBytes;
using testing::MakeBitmap;
using testing::Pattern;
using testing::SaveAsJpeg;

TBitmap PatternBitmap(int32_t width, int32_t height, int bits = 24) { return MakeBitmap(width, height, bits, Pattern); }

TEST(JpegSave, EmptyPictureSavesAsZeroBytes) {
    TJPEGImage fresh;
    TMemoryStream out;
    fresh.SaveToStream(out);
    EXPECT_EQ(out.Size(), 0);

    TBitmap empty;
    empty.SetBitsPerPixel(32);
    EXPECT_TRUE(SaveAsJpeg(empty, 95).empty());
    const TBitmap noRows = PatternBitmap(5, 0);
    EXPECT_TRUE(SaveAsJpeg(noRows, 95).empty());
}

TEST(JpegSave, FileStartsWithTheJfifHeaderAndIsBaselineWithTwoByTwoLuminance) {
    const auto file = SaveAsJpeg(PatternBitmap(40, 24), 95);
    const std::vector<uint8_t> expectedStart = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F',
                                                0x00, 0x01, 0x01, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00};
    ASSERT_GE(file.size(), expectedStart.size());
    EXPECT_EQ(std::vector<uint8_t>(file.begin(), file.begin() + 20), expectedStart);
    EXPECT_EQ(file[file.size() - 2], 0xFF);
    EXPECT_EQ(file[file.size() - 1], 0xD9);

    std::vector<uint8_t> markers;
    std::vector<uint8_t> frame;
    for (const auto& s : testing::HeaderSegments(file)) {
        markers.push_back(s.marker);
        if (s.marker == 0xC0) frame = s.payload;
    }
    // JFIF, two quantisation tables, the frame, four Huffman tables, the scan; no restart interval.
    EXPECT_EQ(markers, (std::vector<uint8_t>{0xE0, 0xDB, 0xDB, 0xC0, 0xC4, 0xC4, 0xC4, 0xC4, 0xDA}));
    // 8-bit precision, 24 rows, 40 columns, 3 components: Y 2x2 table 0, Cb and Cr 1x1 table 1.
    EXPECT_EQ(frame, (std::vector<uint8_t>{8, 0, 24, 0, 40, 3, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1}));
}

TEST(JpegSave, FileIsWhatLibjpegWritesForTheSameCalls) {
    const TBitmap picture = PatternBitmap(47, 33);
    const struct {
        const char* what;
        std::function<void(TJPEGImage&)> set;
        std::function<void(jpeg_compress_struct&)> reference;
    } cases[] = {
        {"baseline", {}, {}},
        {"greyscale", [](TJPEGImage& i) { i.SetGrayscale(true); },
         [](jpeg_compress_struct& c) { jpeg_set_colorspace(&c, JCS_GRAYSCALE); }},
        {"progressive", [](TJPEGImage& i) { i.SetProgressiveEncoding(true); },
         [](jpeg_compress_struct& c) { jpeg_simple_progression(&c); }},
    };
    for (const auto& c : cases) {
        for (int quality : {10, 75, 95}) {
            EXPECT_EQ(SaveAsJpeg(picture, quality, c.set), testing::ReferenceEncode(picture, quality, c.reference))
                << c.what << " at quality " << quality;
        }
    }
}

TEST(JpegSave, QualityScalesTheTables) {
    const TBitmap picture = PatternBitmap(64, 48);
    const auto q95 = SaveAsJpeg(picture, 95), q10 = SaveAsJpeg(picture, 10);
    EXPECT_NE(testing::QuantTables(q95), testing::QuantTables(q10));
    EXPECT_GT(q95.size(), q10.size());

    const auto q100 = testing::QuantTables(SaveAsJpeg(picture, 100));
    ASSERT_EQ(q100.size(), 2u);
    for (const auto& table : q100) EXPECT_EQ(table, std::vector<uint16_t>(64, 1));

    // Out of the range 1 to 100 the library's clamping applies.
    const struct {
        int quality, sameAs;
    } clamped[] = {{0, 1}, {101, 100}, {255, 100}};
    for (const auto& c : clamped) EXPECT_EQ(SaveAsJpeg(picture, c.quality), SaveAsJpeg(picture, c.sameAs)) << c.quality;
}

TEST(JpegSave, AlphaAndPixelFormatDoNotReachTheFile) {
    // The same colours as 24 bits, as 32 bits with alpha 0 or 255 (as a pane gives them), and as
    // an 8-bit picture with a palette all give one file.
    const auto colour = [](int32_t x, int32_t y) { return Pattern(x, y) & 0xFFFFFF; };
    const auto file24 = SaveAsJpeg(MakeBitmap(37, 21, 24, colour), 90);
    const auto alpha0 = SaveAsJpeg(MakeBitmap(37, 21, 32, colour), 90);
    const auto alpha255 = SaveAsJpeg(MakeBitmap(37, 21, 32, [&](int32_t x, int32_t y) { return colour(x, y) | 0xFF000000u; }), 90);
    EXPECT_EQ(alpha0, alpha255);
    EXPECT_EQ(alpha0, file24);

    TBitmap indexed;
    indexed.SetBitsPerPixel(8);
    indexed.SetSize(19, 7);
    indexed.SetColorTable({RGBQuad(255, 0, 0), RGBQuad(0, 128, 255), RGBQuad(30, 200, 90)});
    for (int32_t y = 0; y < 7; ++y)
        for (int32_t x = 0; x < 19; ++x) indexed.ScanLine(y)[x] = static_cast<uint8_t>((x + y) % 3);
    EXPECT_EQ(SaveAsJpeg(indexed, 90), SaveAsJpeg(indexed.ConvertedTo(24), 90));
}

TEST(JpegSave, OddSizesRoundTripTheirSizeAndColours) {
    const struct {
        int32_t width, height;
    } sizes[] = {{1, 1}, {1, 37}, {37, 1}, {47, 33}, {17, 9}};
    for (const auto& s : sizes) {
        const TBitmap flat = MakeBitmap(s.width, s.height, 32, [](int32_t, int32_t) { return 0xFF3060C0u; });
        TJPEGImage image;
        LoadBytes(image, SaveAsJpeg(flat, 95));
        EXPECT_EQ(image.Width(), s.width);
        EXPECT_EQ(image.Height(), s.height);
        const auto surface = testing::DrawToSurface(image);
        for (uint32_t p : surface.pixels) {
            ASSERT_NEAR(int((p >> 16) & 0xFF), 0x30, 3) << s.width << "x" << s.height;
            ASSERT_NEAR(int((p >> 8) & 0xFF), 0x60, 3) << s.width << "x" << s.height;
            ASSERT_NEAR(int(p & 0xFF), 0xC0, 3) << s.width << "x" << s.height;
        }
    }
}

TEST(JpegSave, GreyscaleAndProgressiveEncoding) {
    const auto grey = SaveAsJpeg(PatternBitmap(30, 20), 90, [](TJPEGImage& i) { i.SetGrayscale(true); });
    TJPEGImage reopened;
    LoadBytes(reopened, grey);
    EXPECT_TRUE(reopened.Data().Grayscale);
    EXPECT_FALSE(reopened.ProgressiveEncoding());

    const auto progressive = SaveAsJpeg(PatternBitmap(30, 20), 90, [](TJPEGImage& i) { i.SetProgressiveEncoding(true); });
    bool hasProgressiveFrame = false;
    for (const auto& s : testing::HeaderSegments(progressive)) hasProgressiveFrame |= s.marker == 0xC2;
    EXPECT_TRUE(hasProgressiveFrame);
    LoadBytes(reopened, progressive);
    EXPECT_TRUE(reopened.ProgressiveEncoding());
    EXPECT_FALSE(reopened.Data().Grayscale);
}

TEST(JpegSave, LoadedFileIsSavedAgainByteForByte) {
    for (const char* file : {"video-001.jpg", "video-001.progressive.truncated.jpg", "video-001.cmyk.jpg"}) {
        const auto bytes = testing::CorpusBytes(file);
        TJPEGImage image;
        LoadBytes(image, bytes);
        image.SetCompressionQuality(10);
        TMemoryStream first;
        image.SaveToStream(first);
        EXPECT_EQ(first.Buffer(), bytes) << file;
        testing::DrawToSurface(image);  // decoded now: still the same bytes
        TMemoryStream second;
        image.SaveToStream(second);
        EXPECT_EQ(second.Buffer(), bytes) << file;
    }
}

// A stream that takes at most `room` bytes.
class ShortStream : public TStream {
public:
    explicit ShortStream(size_t room) : room_(room) {}
    size_t Read(void*, size_t) override { return 0; }
    size_t Write(const void*, size_t count) override {
        const size_t n = std::min(count, room_);
        room_ -= n;
        return n;
    }
    int64_t Seek(int64_t, TSeekOrigin) override { return 0; }

private:
    size_t room_;
};

TEST(JpegSave, WriteCutShortIsReported) {
    TJPEGImage image;
    LoadBytes(image, testing::CorpusBytes("video-001.jpg"));
    ShortStream out(1000);
    try {
        image.SaveToStream(out);
        ADD_FAILURE() << "no error";
    } catch (const EWriteError& e) {
        EXPECT_EQ(e.Message(), "Stream write error");
    }
}

TEST(JpegSave, LibraryErrorWhileEncodingLeavesNoBytes) {
    // Wider than a JPEG frame can be: the library refuses it when compression starts.
    const TBitmap tooWide = MakeBitmap(JPEG_MAX_DIMENSION + 1, 1, 24, [](int32_t, int32_t) { return 0u; });
    TJPEGImage image;
    image.Assign(const_cast<TBitmap*>(&tooWide));
    TMemoryStream out;
    try {
        image.SaveToStream(out);
        ADD_FAILURE() << "no error";
    } catch (const EJPEG& e) {
        EXPECT_EQ(e.Message(), Format("JPEG error #%d", static_cast<int>(JERR_IMAGE_TOO_BIG)));
    }
    EXPECT_EQ(out.Size(), 0);
    EXPECT_TRUE(image.CompressedBytes().empty());
    EXPECT_EQ(image.Width(), JPEG_MAX_DIMENSION + 1);  // the picture itself is kept
}

TEST(JpegSave, FilesGoThroughTheReplacingWriterAndReadBackThroughThePictureContainer) {
    RegisterJpegFormat();
    const auto folder = std::filesystem::temp_directory_path() / ("nox-jpeg-save-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "Right.JPG").string();

    const TBitmap picture = PatternBitmap(23, 11, 32);
    TJPEGImage image;
    image.SetCompressionQuality(80);
    image.Assign(const_cast<TBitmap*>(&picture));
    image.SaveToFile(path);
    EXPECT_EQ(ReadWholeFile(path), SaveAsJpeg(picture, 80));

    TPicture container;
    container.LoadFromFile(path);
    ASSERT_NE(dynamic_cast<TJPEGImage*>(container.Graphic()), nullptr);
    EXPECT_EQ(container.Width(), 23);
    EXPECT_EQ(container.Height(), 11);

    const std::string missing = (folder / "no-such-folder" / "x.jpg").string();
    try {
        image.SaveToFile(missing);
        ADD_FAILURE() << "no error";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message(), "Cannot create file " + missing);
    }
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace nox
