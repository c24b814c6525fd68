// A JPEG file in a pane: what the pixel buffer holds after taking a JPEG picture over, and the
// pane saved as a .JPG file and opened again through the picture-file functions.
#include <gtest/gtest.h>

#include <jerror.h>

#include <filesystem>
#include <unistd.h>

#include "JpegTestSupport.h"
#include "files/PictureFiles.h"
#include "image/Bitmap32.h"
#include "platform/Errors.h"
#include "platform/Stream.h"

namespace nox {
namespace {

std::vector<uint32_t> PanePixels(const TBitmap32& pane) {
    std::vector<uint32_t> out;
    for (int32_t y = 0; y < pane.Height(); ++y)
        for (int32_t x = 0; x < pane.Width(); ++x) out.push_back(pane.GetPixel(x, y));
    return out;
}

TEST(JpegPane, PaneHoldsTheDecodedPixelsOpaque) {
    for (const char* file : {"video-001.jpg", "video-005.gray.jpg"}) {
        const auto bytes = testing::CorpusBytes(file);
        TJPEGImage image;
        testing::LoadBytes(image, bytes);
        TBitmap32 pane;
        pane.Assign(&image);
        ASSERT_EQ(pane.Width(), 150) << file;
        ASSERT_EQ(pane.Height(), 103) << file;
        auto expected = testing::DrawToSurface(image).pixels;
        for (uint32_t& p : expected) p |= 0xFF000000u;
        EXPECT_EQ(PanePixels(pane), expected) << file;
    }
}

TEST(JpegPane, EmptyFileEmptiesThePane) {
    TJPEGImage image;
    testing::LoadBytes(image, {});
    TBitmap32 pane;
    pane.SetSize(4, 4);
    pane.Assign(&image);
    EXPECT_EQ(pane.Width(), 0);
    EXPECT_EQ(pane.Height(), 0);
}

TEST(JpegPane, FailedDecodingLeavesThePaneResizedWithNothingDrawn) {
    auto bytes = testing::SaveAsJpeg(testing::MakeBitmap(16, 8, 24, testing::Pattern), 90);
    size_t sos = 2;
    while (!(bytes[sos] == 0xFF && bytes[sos + 1] == 0xDA)) sos += 2 + ((size_t{bytes[sos + 2]} << 8) | bytes[sos + 3]);
    for (size_t i = 0; i < bytes[sos + 4]; ++i) bytes[sos + 6 + 2 * i] = 0x33;  // undefined Huffman tables
    TJPEGImage image;
    testing::LoadBytes(image, bytes);
    TBitmap32 pane;
    EXPECT_THROW(pane.Assign(&image), EJPEG);
    EXPECT_EQ(pane.Width(), 16);
    EXPECT_EQ(pane.Height(), 8);
    EXPECT_EQ(PanePixels(pane), std::vector<uint32_t>(16 * 8, 0));
}

TEST(JpegPane, PaneSavedAsJpgAndOpenedAgain) {
    const auto folder = std::filesystem::temp_directory_path() / ("nox-jpeg-pane-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "Right.JpG").string();

    TBitmap32 right;
    right.SetSize(33, 17);
    for (int32_t y = 0; y < 17; ++y)
        for (int32_t x = 0; x < 33; ++x) right.SetPixel(x, y, testing::Pattern(x, y));  // alpha 0
    WritePictureFile(path, right, TPictureFormat::pfJPEG, 75);
    const TBitmap opaque = testing::MakeBitmap(33, 17, 32, [](int32_t x, int32_t y) { return testing::Pattern(x, y) | 0xFF000000u; });
    EXPECT_EQ(ReadWholeFile(path), testing::SaveAsJpeg(opaque, 75));

    TBitmap32 left;
    ASSERT_TRUE(ReadPictureFile(path, left));
    EXPECT_EQ(left.Width(), 33);
    EXPECT_EQ(left.Height(), 17);
    TJPEGImage reference;
    testing::LoadBytes(reference, ReadWholeFile(path));
    auto expected = testing::DrawToSurface(reference).pixels;
    for (uint32_t& p : expected) p |= 0xFF000000u;
    EXPECT_EQ(PanePixels(left), expected);

    // An empty pane gives a file of 0 bytes.
    TBitmap32 empty;
    WritePictureFile(path, empty, TPictureFormat::pfJPEG, 75);
    EXPECT_TRUE(ReadWholeFile(path).empty());
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace nox
