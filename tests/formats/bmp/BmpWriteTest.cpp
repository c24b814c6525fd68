// The BMP writer: exact bytes, the empty picture, round trips on odd sizes, and the file path
// through the picture container.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <vector>

#include "formats/bmp/Bmp.h"
#include "platform/Errors.h"
#include "platform/Picture.h"
#include "tests/formats/bmp/BmpBuilder.h"

namespace nox {
namespace {

std::vector<uint8_t> Write(const TBitmap& bitmap) {
    TMemoryStream out;
    WriteBmp(bitmap, out);
    return {out.Bytes().begin(), out.Bytes().end()};
}

TBitmap Bitmap32(int32_t width, int32_t height) {
    TBitmap bitmap;
    bitmap.SetBitsPerPixel(32);
    bitmap.SetSize(width, height);
    return bitmap;
}

void SetPixel(TBitmap& bitmap, int32_t x, int32_t y, uint32_t value) {
    std::memcpy(bitmap.ScanLine(y) + 4 * x, &value, 4);
}

TEST(BmpWrite, ThreeByTwoGivesTheExact78Bytes) {
    TBitmap bitmap = Bitmap32(3, 2);
    // Top row, then bottom row; the top bytes are the alpha a pane would hold.
    const uint32_t top[3] = {0x00112233, 0xFF445566, 0x80778899};
    const uint32_t bottom[3] = {0x01AABBCC, 0x00DDEEFF, 0xFF010203};
    for (int x = 0; x < 3; ++x) {
        SetPixel(bitmap, x, 0, top[x]);
        SetPixel(bitmap, x, 1, bottom[x]);
    }
    const std::vector<uint8_t> expected = {
        'B', 'M',                // type
        78, 0, 0, 0,             // file size: 54 + 24
        0, 0, 0, 0,              // reserved
        54, 0, 0, 0,             // pixel offset
        40, 0, 0, 0,             // header size
        3, 0, 0, 0,              // width
        2, 0, 0, 0,              // height, positive: bottom row first
        1, 0,                    // planes
        32, 0,                   // bits per pixel
        0, 0, 0, 0,              // no compression
        24, 0, 0, 0,             // pixel bytes
        0, 0, 0, 0, 0, 0, 0, 0,  // resolutions
        0, 0, 0, 0, 0, 0, 0, 0,  // colours used, important
        0xCC, 0xBB, 0xAA, 0x01, 0xFF, 0xEE, 0xDD, 0x00, 0x03, 0x02, 0x01, 0xFF,  // bottom row
        0x33, 0x22, 0x11, 0x00, 0x66, 0x55, 0x44, 0xFF, 0x99, 0x88, 0x77, 0x80,  // top row
    };
    EXPECT_EQ(Write(bitmap), expected);
}

TEST(BmpWrite, EmptyPictureWritesNothing) {
    for (auto [w, h] : {std::pair{0, 0}, std::pair{5, 0}, std::pair{0, 5}}) {
        EXPECT_TRUE(Write(Bitmap32(w, h)).empty()) << w << "x" << h;
    }
}

TEST(BmpWrite, OtherLayoutsAreWrittenAs32Bits) {
    TBitmap bitmap;
    bitmap.SetBitsPerPixel(8);
    bitmap.SetColorTable({RGBQuad(1, 2, 3), RGBQuad(4, 5, 6)});
    bitmap.SetSize(2, 1);
    bitmap.ScanLine(0)[0] = 1;
    const std::vector<uint8_t> bytes = Write(bitmap);
    ASSERT_EQ(bytes.size(), 54u + 8u);
    EXPECT_EQ(bytes[28], 32);  // bits per pixel
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 54, bytes.end()), (std::vector<uint8_t>{6, 5, 4, 0, 3, 2, 1, 0}));
}

TEST(BmpWrite, RoundTripsOddSizesExactly) {
    for (auto [w, h] : {std::pair{47, 33}, std::pair{1, 17}, std::pair{17, 1}, std::pair{1, 1}, std::pair{300, 2}}) {
        SCOPED_TRACE(testing::Message() << w << "x" << h);
        TBitmap bitmap = Bitmap32(w, h);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) SetPixel(bitmap, x, y, static_cast<uint32_t>(x * 7919 + y * 104729) * 2654435761u);
        const std::vector<uint8_t> bytes = Write(bitmap);
        EXPECT_EQ(bytes.size(), 54u + 4u * w * h);
        TMemoryStream in(bytes);
        TBitmap back;
        ReadBmp(back, in);
        EXPECT_EQ(back.GetWidth(), w);
        EXPECT_EQ(back.GetHeight(), h);
        EXPECT_EQ(test::PixelsOf(back), test::PixelsOf(bitmap));
    }
}

TEST(BmpWrite, LargePictureSpansSeveralWriteBlocks) {
    TBitmap bitmap = Bitmap32(1000, 700);  // 2.8 MB: three blocks
    for (int32_t y = 0; y < 700; ++y) SetPixel(bitmap, y % 1000, y, 0x01000000u + static_cast<uint32_t>(y));
    TMemoryStream in(Write(bitmap));
    TBitmap back;
    ReadBmp(back, in);
    EXPECT_EQ(test::PixelsOf(back), test::PixelsOf(bitmap));
}

class BmpFileTest : public testing::Test {
protected:
    void SetUp() override {
        RegisterBmpFormat();
        dir_ = std::filesystem::temp_directory_path() /
               ("noxsteg-bmp-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string Path(const char* name) const { return (dir_ / name).string(); }

    std::filesystem::path dir_;
};

TEST_F(BmpFileTest, PictureContainerWritesAndReadsBmp) {
    TPicture picture;
    TBitmap& bitmap = picture.Bitmap();
    bitmap = Bitmap32(2, 2);
    SetPixel(bitmap, 1, 0, 0x00ABCDEF);
    picture.SaveToFile(Path("a.bmp"));
    EXPECT_EQ(std::filesystem::file_size(Path("a.bmp")), 54u + 16u);

    TPicture loaded;
    loaded.LoadFromFile(Path("a.bmp"));
    auto* read = dynamic_cast<TBitmap*>(loaded.Graphic());
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(test::PixelsOf(*read), (std::vector<uint32_t>{0, 0x00ABCDEF, 0, 0}));
}

TEST_F(BmpFileTest, EmptyPictureGivesAZeroByteFileThatReadsEmpty) {
    TPicture picture;
    picture.Bitmap() = Bitmap32(0, 0);
    picture.SaveToFile(Path("empty.BMP"));
    EXPECT_EQ(std::filesystem::file_size(Path("empty.BMP")), 0u);
    TPicture loaded;
    loaded.LoadFromFile(Path("empty.BMP"));
    EXPECT_EQ(loaded.Width(), 0);
    EXPECT_EQ(loaded.Height(), 0);
}

TEST_F(BmpFileTest, FileErrorsNameThePath) {
    TPicture picture;
    picture.Bitmap() = Bitmap32(1, 1);
    const std::string missingFolder = Path("no/such/x.bmp");
    try {
        picture.SaveToFile(missingFolder);
        ADD_FAILURE() << "no error";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message(), "Cannot create file " + missingFolder);
    }
    try {
        picture.LoadFromFile(Path("missing.bmp"));
        ADD_FAILURE() << "no error";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message(), "Cannot open file " + Path("missing.bmp"));
    }
}

TEST(BmpRegister, RegistersBmpOnce) {
    RegisterBmpFormat();
    RegisterBmpFormat();
    const auto& formats = TPicture::FileFormats();
    EXPECT_EQ(std::count_if(formats.begin(), formats.end(), [](const auto& f) { return f.Extension == "bmp"; }), 1);
}

}  // namespace
}  // namespace nox
