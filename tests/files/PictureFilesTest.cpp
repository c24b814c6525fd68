// Picture files by name: the format of a name, the save-name correction, reading a BMP file into a
// pane (alpha 255 afterwards) and writing a pane as BMP (alpha kept, old file kept on failure).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "files/PictureFiles.h"
#include "formats/gif/GifImage.h"
#include "formats/jpeg/JpegSettings.h"
#include "platform/Errors.h"
#include "platform/Stream.h"

namespace nox {
namespace {

using enum TPictureFormat;

TEST(PictureFiles, FormatOfName) {
    const struct {
        const char* name;
        TPictureFormat format;
    } cases[] = {
        {"cat.jpg", pfJPEG},       {"cat.JpG", pfJPEG},     {"/a/b/CAT.JPG", pfJPEG},
        {"cat.gif", pfGIF},        {"x.Gif", pfGIF},        {"cat.bmp", pfBMP},
        {"x.bmp.bmp", pfBMP},      {".BMP", pfBMP},         {"result", pfNone},
        {"cat.jpeg", pfNone},      {"cat.txt", pfNone},     {"cat.bmp ", pfNone},
        {"bmp", pfNone},           {"", pfNone},            {"cat.bmp.txt", pfNone},
        {"catbmp", pfNone},        {"a.b\xC2\xAD", pfNone},   {"cat.png", pfPNG},
        {"/a/CAT.pNg", pfPNG},     {"cat.png.txt", pfNone}, {"catpng", pfNone},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatOfName(c.name), c.format) << '"' << c.name << '"';
}

TEST(PictureFiles, SaveNameWithoutFormatGetsBmpAppended) {
    const struct {
        const char* name;
        const char* path;
        TPictureFormat format;
        bool corrected;
    } cases[] = {
        {"result", "result.BMP", pfBMP, true},
        {"cat.jpeg", "cat.jpeg.BMP", pfBMP, true},
        {"a.gif", "a.gif", pfGIF, false},
        {"x.bmp.bmp", "x.bmp.bmp", pfBMP, false},
        {"p.JPG", "p.JPG", pfJPEG, false},
        {"p.Png", "p.Png", pfPNG, false},
    };
    for (const auto& c : cases) {
        const TSaveName s = CorrectSaveName(c.name);
        EXPECT_EQ(s.Path, c.path);
        EXPECT_EQ(s.Format, c.format) << c.name;
        EXPECT_EQ(s.Corrected, c.corrected) << c.name;
    }
    EXPECT_STREQ(kUnrecognizedExtensionNote,
                 "The file name did not have a recognized extension (\"BMP\", \"JPG\", \"GIF\", or \"PNG\"): \"BMP\" was used.");
}

class PictureFilesOnDisk : public testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("noxsteg-files-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    void WriteBytes(const std::string& name, const std::vector<uint8_t>& bytes) const {
        std::ofstream(Path(name), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                            static_cast<std::streamsize>(bytes.size()));
    }

    std::filesystem::path dir_;
};

// A 2 x 1 BMP at 32 bits whose fourth bytes are 0 and 7.
const std::vector<uint8_t> kTwoPixels = {
    'B', 'M', 62, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  // file header
    40, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0,             // header size, width 2, height 1
    1, 0, 32, 0, 0, 0, 0, 0, 8, 0, 0, 0,             // planes, 32 bits, no compression, 8 bytes
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // resolutions, colours
    0x10, 0x20, 0x30, 0x00, 0x40, 0x50, 0x60, 0x07,  // pixels
};

TEST_F(PictureFilesOnDisk, BmpReadsIntoThePaneWithEveryAlpha255) {
    WriteBytes("two.BmP", kTwoPixels);
    TBitmap32 pane;
    ASSERT_TRUE(ReadPictureFile(Path("two.BmP"), pane));
    ASSERT_EQ(pane.Width(), 2);
    ASSERT_EQ(pane.Height(), 1);
    EXPECT_EQ(pane.GetPixel(0, 0), 0xFF302010u);
    EXPECT_EQ(pane.GetPixel(1, 0), 0xFF605040u);
}

TEST_F(PictureFilesOnDisk, NameOfNoFormatReadsNothing) {
    WriteBytes("two.bmpx", kTwoPixels);
    TBitmap32 pane;
    EXPECT_FALSE(ReadPictureFile(Path("two.bmpx"), pane));
    EXPECT_TRUE(pane.IsEmpty());
}

TEST_F(PictureFilesOnDisk, ZeroByteBmpEmptiesThePane) {
    WriteBytes("empty.bmp", {});
    TBitmap32 pane;
    pane.SetSize(3, 3);
    ASSERT_TRUE(ReadPictureFile(Path("empty.bmp"), pane));
    EXPECT_EQ(pane.Width(), 0);
    EXPECT_EQ(pane.Height(), 0);
}

TEST_F(PictureFilesOnDisk, ReaderErrorsPassOnAndThePaneKeepsItsPicture) {
    std::vector<uint8_t> bad = kTwoPixels;
    bad[26] = 2;  // planes
    WriteBytes("bad.bmp", bad);
    TBitmap32 pane;
    pane.SetSize(3, 1);
    try {
        ReadPictureFile(Path("bad.bmp"), pane);
        ADD_FAILURE() << "no error";
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message(), "Bitmap image is not valid");
    }
    EXPECT_EQ(pane.Width(), 3);
    try {
        ReadPictureFile(Path("missing.bmp"), pane);
        ADD_FAILURE() << "no error";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message(), "Cannot open file " + Path("missing.bmp"));
    }
}

TEST_F(PictureFilesOnDisk, BmpWriteKeepsThePanesAlphaAndReadsBackOpaque) {
    TBitmap32 pane;
    pane.SetSize(2, 1);
    pane.SetPixel(0, 0, 0x00302010);
    pane.SetPixel(1, 0, 0x07605040);
    WritePictureFile(Path("out.bmp"), pane, pfBMP, 95);
    EXPECT_EQ(ReadWholeFile(Path("out.bmp")), kTwoPixels);

    TBitmap32 back;
    ASSERT_TRUE(ReadPictureFile(Path("out.bmp"), back));
    EXPECT_EQ(back.GetPixel(0, 0), 0xFF302010u);
    EXPECT_EQ(back.GetPixel(1, 0), 0xFF605040u);
}

TEST_F(PictureFilesOnDisk, EmptyPaneWritesAZeroByteFile) {
    WriteBytes("old.bmp", kTwoPixels);
    TBitmap32 pane;
    WritePictureFile(Path("old.bmp"), pane, pfBMP, 95);
    EXPECT_EQ(std::filesystem::file_size(Path("old.bmp")), 0u);
}

TEST_F(PictureFilesOnDisk, FailedWriteLeavesTheOldFileAndNoTemporaryFile) {
    // A target that is a folder cannot be replaced.
    std::filesystem::create_directories(Path("taken.bmp"));
    TBitmap32 pane;
    pane.SetSize(1, 1);
    try {
        WritePictureFile(Path("taken.bmp"), pane, pfBMP, 95);
        ADD_FAILURE() << "no error";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message(), "Cannot create file " + Path("taken.bmp"));
    }
    EXPECT_TRUE(std::filesystem::is_directory(Path("taken.bmp")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), std::filesystem::directory_iterator()), 1);
}

}  // namespace
}  // namespace nox

namespace nox {
namespace {

TEST(PictureFiles, APaletteDisplaySwitchesJpegToEightBitsAndGifToDithering) {
    const struct {
        int depth;
        TJPEGPixelFormat jpeg;
        bool paletteDisplay;
    } cases[] = {{8, jf8Bit, true}, {4, jf8Bit, true}, {16, jf24Bit, false}, {24, jf24Bit, false}, {32, jf24Bit, false}};
    for (const auto& c : cases) {
        SetDisplayDepth(c.depth);
        EXPECT_EQ(JPEGDefaults().PixelFormat, c.jpeg) << c.depth;
        EXPECT_EQ(PaletteDisplay, c.paletteDisplay) << c.depth;
    }
}

}  // namespace
}  // namespace nox
