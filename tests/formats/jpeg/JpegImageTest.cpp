// The JPEG picture as an object: defaults, refused resizing, sharing of data between copies,
// taking over bitmaps, which setting changes drop the decoded picture, failed decodings, and the
// registration with the picture container.
#include <gtest/gtest.h>

#include <jerror.h>

#include "JpegTestSupport.h"
#include "platform/Canvas.h"
#include "platform/Errors.h"
#include "platform/Picture.h"
#include "platform/Stream.h"

namespace nox {
namespace {

using testing::CorpusBytes;
using testing::LoadBytes;
using testing::MakeBitmap;
using testing::Pattern;

std::vector<uint8_t> Saved(TJPEGImage& image) {
    TMemoryStream out;
    image.SaveToStream(out);
    return out.Buffer();
}

TEST(JpegImage, NewPicturesTakeTheDefaultsTable) {
    TJPEGImage plain;
    EXPECT_TRUE(plain.Smoothing());
    EXPECT_FALSE(plain.Grayscale());
    EXPECT_EQ(plain.PixelFormat(), jf24Bit);
    EXPECT_EQ(plain.CompressionQuality(), 90);
    EXPECT_FALSE(plain.ProgressiveDisplay());
    EXPECT_FALSE(plain.ProgressiveEncoding());
    EXPECT_EQ(plain.Performance(), jpBestQuality);
    EXPECT_EQ(plain.Scale(), jsFullSize);
    EXPECT_FALSE(plain.Palette().has_value());
    EXPECT_TRUE(plain.Empty());

    const TJPEGSettings saved = JPEGDefaults();
    const struct {
        int depth;
        TJPEGPixelFormat format;
    } depths[] = {{1, jf8Bit}, {8, jf8Bit}, {16, jf24Bit}, {24, jf24Bit}, {32, jf24Bit}};
    for (const auto& d : depths) {
        SetJPEGDisplayDepth(d.depth);
        EXPECT_EQ(TJPEGImage().PixelFormat(), d.format) << d.depth;
    }
    JPEGDefaults().CompressionQuality = 42;
    EXPECT_EQ(TJPEGImage().CompressionQuality(), 42);
    JPEGDefaults() = saved;
}

TEST(JpegImage, SizeCannotBeChanged) {
    TJPEGImage image;
    LoadBytes(image, CorpusBytes("video-001.jpg"));
    for (int which = 0; which < 2; ++which) {
        try {
            which == 0 ? image.SetWidth(10) : image.SetHeight(10);
            ADD_FAILURE() << "no error";
        } catch (const EInvalidGraphicOperation& e) {
            EXPECT_EQ(e.Message(), "Cannot change the size of a JPEG image");
        }
    }
    EXPECT_EQ(image.Width(), 150);
    EXPECT_EQ(image.Height(), 103);
}

TEST(JpegImage, CopiesShareTheDataAndCopyTheDecodedPicture) {
    TJPEGImage original;
    LoadBytes(original, CorpusBytes("video-001.jpg"));
    TJPEGImage undecoded;
    undecoded.Assign(&original);
    EXPECT_EQ(original.DataShareCount(), 2);
    EXPECT_FALSE(undecoded.HasDecodedPicture());

    const auto pixels = testing::DrawToSurface(original).pixels;
    TJPEGImage decoded;
    decoded.Assign(&original);
    EXPECT_EQ(original.DataShareCount(), 3);
    EXPECT_TRUE(decoded.HasDecodedPicture());
    EXPECT_EQ(testing::DrawToSurface(decoded).pixels, pixels);
    EXPECT_EQ(Saved(decoded), CorpusBytes("video-001.jpg"));

    // Loading new bytes into one copy leaves the others as they were.
    LoadBytes(original, CorpusBytes("video-005.gray.jpg"));
    EXPECT_EQ(decoded.DataShareCount(), 2);
    EXPECT_EQ(Saved(undecoded), CorpusBytes("video-001.jpg"));
}

TEST(JpegImage, CopiesOfATakenOverBitmapEncodeEachWithItsOwnQuality) {
    // Both share data without bytes; the first to save must not hand its bytes to the other.
    const TBitmap picture = MakeBitmap(40, 30, 32, Pattern);
    TJPEGImage first, second;
    first.Assign(const_cast<TBitmap*>(&picture));
    second.Assign(&first);
    first.SetCompressionQuality(10);
    second.SetCompressionQuality(95);
    const auto low = Saved(first), high = Saved(second);
    EXPECT_EQ(low, testing::SaveAsJpeg(picture, 10));
    EXPECT_EQ(high, testing::SaveAsJpeg(picture, 95));
    EXPECT_NE(low, high);
}

TEST(JpegImage, TakingOverABitmapCopiesItAndDropsTheBytes) {
    TJPEGImage image;
    LoadBytes(image, CorpusBytes("video-001.jpg"));
    TBitmap picture = MakeBitmap(3, 2, 24, [](int32_t x, int32_t) { return x == 0 ? 0x112233u : 0x445566u; });
    image.Assign(&picture);
    picture.ScanLine(0)[0] = 0xFF;  // the picture holds its own copy
    EXPECT_TRUE(image.CompressedBytes().empty());
    EXPECT_EQ(image.Width(), 3);
    EXPECT_EQ(image.Height(), 2);
    const auto surface = testing::DrawToSurface(image);
    EXPECT_EQ(surface.pixels, (std::vector<uint32_t>{0x112233, 0x445566, 0x445566, 0x112233, 0x445566, 0x445566}));

    TBitmap back;
    back.Assign(&image);
    EXPECT_EQ(back.GetWidth(), 3);
    EXPECT_EQ(back.ScanLine(1)[0], 0x33);

    TPicture container;
    try {
        image.Assign(&container);
        ADD_FAILURE() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "Cannot assign a TPicture to a TJPEGImage");
    }
}

TEST(JpegImage, TakingOverAGivenBitmapEncodesAsAssignDoes) {
    const TBitmap picture = MakeBitmap(21, 13, 32, Pattern);
    TJPEGImage image;
    LoadBytes(image, CorpusBytes("video-001.jpg"));
    image.SetCompressionQuality(60);
    image.TakeOverBitmap(std::make_unique<TBitmap>(picture));
    EXPECT_EQ(image.Width(), 21);
    EXPECT_EQ(Saved(image), testing::SaveAsJpeg(picture, 60));

    image.TakeOverBitmap(nullptr);  // nothing given: an empty picture
    EXPECT_TRUE(image.Empty());
    EXPECT_TRUE(Saved(image).empty());
}

TEST(JpegImage, DecodingSettingsDropTheDecodedPictureOnlyWhenItCanBeMadeAgain) {
    const struct {
        const char* what;
        std::function<void(TJPEGImage&)> change;
        bool dropsLoaded;
    } cases[] = {
        {"smoothing", [](TJPEGImage& i) { i.SetSmoothing(false); }, true},
        {"greyscale", [](TJPEGImage& i) { i.SetGrayscale(true); }, true},
        {"pixel format", [](TJPEGImage& i) { i.SetPixelFormat(jf8Bit); }, true},
        {"progressive display", [](TJPEGImage& i) { i.SetProgressiveDisplay(true); }, true},
        {"performance", [](TJPEGImage& i) { i.SetPerformance(jpBestSpeed); }, true},
        {"scale", [](TJPEGImage& i) { i.SetScale(jsQuarter); }, true},
        {"palette", [](TJPEGImage& i) { i.SetPalette(std::vector<TRGBQuad>{RGBQuad(1, 2, 3)}); }, true},
        {"same smoothing", [](TJPEGImage& i) { i.SetSmoothing(true); }, false},
        {"quality", [](TJPEGImage& i) { i.SetCompressionQuality(20); }, false},
        {"progressive encoding", [](TJPEGImage& i) { i.SetProgressiveEncoding(true); }, false},
    };
    const TBitmap picture = MakeBitmap(8, 8, 24, Pattern);
    for (const auto& c : cases) {
        TJPEGImage loaded;
        LoadBytes(loaded, CorpusBytes("video-001.jpg"));
        loaded.DIBNeeded();
        c.change(loaded);
        EXPECT_EQ(loaded.HasDecodedPicture(), !c.dropsLoaded) << c.what;

        // A taken-over bitmap has nothing to decode it from: it stays.
        TJPEGImage takenOver;
        takenOver.Assign(const_cast<TBitmap*>(&picture));
        c.change(takenOver);
        EXPECT_TRUE(takenOver.HasDecodedPicture()) << c.what;
        EXPECT_EQ(takenOver.Width(), 8) << c.what;
    }
}

TEST(JpegImage, FailedDecodingDrawsNothingAndKeepsNoPicture) {
    // A file whose scan asks for Huffman tables it never defines: the header loads, decoding fails.
    auto bytes = testing::SaveAsJpeg(MakeBitmap(16, 16, 24, Pattern), 90);
    size_t sos = 2;
    while (!(bytes[sos] == 0xFF && bytes[sos + 1] == 0xDA)) sos += 2 + ((size_t{bytes[sos + 2]} << 8) | bytes[sos + 3]);
    const size_t components = bytes[sos + 4];
    for (size_t i = 0; i < components; ++i) bytes[sos + 6 + 2 * i] = 0x33;

    TJPEGImage image;
    LoadBytes(image, bytes);
    EXPECT_EQ(image.Width(), 16);
    std::vector<uint32_t> pixels(16 * 16, 0xABCDEF);
    TCanvas canvas(pixels.data(), 16, 16);
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            image.Draw(canvas, Rect(0, 0, 16, 16));
            ADD_FAILURE() << "no error";
        } catch (const EJPEG& e) {
            EXPECT_EQ(e.Message(), Format("JPEG error #%d", static_cast<int>(JERR_NO_HUFF_TABLE)));
        }
        EXPECT_FALSE(image.HasDecodedPicture());
        EXPECT_EQ(pixels, std::vector<uint32_t>(16 * 16, 0xABCDEF));
    }
}

TEST(JpegImage, DrawStretchesTheDecodedPictureIntoTheRectangle) {
    TJPEGImage image;
    TBitmap picture = MakeBitmap(2, 1, 24, [](int32_t x, int32_t) { return x == 0 ? 0x0000FFu : 0x00FF00u; });
    image.Assign(&picture);
    std::vector<uint32_t> pixels(4 * 2, 7);
    TCanvas canvas(pixels.data(), 4, 2);
    image.Draw(canvas, Rect(0, 0, 4, 1));
    EXPECT_EQ(pixels, (std::vector<uint32_t>{0xFF, 0xFF, 0xFF00, 0xFF00, 7, 7, 7, 7}));
}

TEST(JpegImage, RegisteredAsJpegAndJpgJpegImageFile) {
    RegisterJpegFormat();
    for (const char* ext : {"jpg", "JPG", ".jpeg", "JPEG"}) {
        const TPicture::TFileFormat* format = TPicture::FindFormat(ext);
        ASSERT_NE(format, nullptr) << ext;
        EXPECT_EQ(format->Description, "JPEG Image File") << ext;
        const auto graphic = format->Create();
        EXPECT_STREQ(graphic->ClassName(), "TJPEGImage") << ext;
    }
}

}  // namespace
}  // namespace nox
