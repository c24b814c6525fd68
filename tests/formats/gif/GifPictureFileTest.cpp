// Writing a pane to a ".gif" name and reading it back, as the window's SavePicture/LoadPicture and
// noxsteg-cli do: the file's exact bytes and the colours the pane gets back.
#include <gtest/gtest.h>

#include <filesystem>

#include <unistd.h>

#include "files/PictureFiles.h"
#include "platform/Errors.h"
#include "platform/Stream.h"
#include "tests/formats/gif/GifWriteTestSupport.h"

namespace nox {
namespace {

class GIFPictureFile : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() / ("noxsteg-gif-files-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    std::filesystem::path dir_;
};

TEST_F(GIFPictureFile, PaneIsWrittenOnTheCubeAndReadBackInItsColours) {
    // Colours as a pane holds them (alpha varies); each becomes its cube colour.
    const struct {
        TColor32 in, back;
        uint8_t index;
    } pixels[] = {
        {0x00FFFFFF, 0xFFFFFFFF, 215}, {0x80FF0000, 0xFFFF0000, 180}, {0xFF303030, 0xFF333333, 43},
        {0x002F2F2F, 0xFF000000, 0},   {0x12336699, 0xFF336699, 51},  {0xFFFCFBFA, 0xFFFFCCCC, 36 * 5 + 6 * 4 + 4},
    };
    TBitmap32 pane;
    pane.SetSize(3, 2);
    for (int i = 0; i < 6; ++i) pane.SetPixel(i % 3, i / 3, pixels[i].in);
    const std::string path = Path("right.GIF");
    WritePictureFile(path, pane, TPictureFormat::pfGIF, 75);

    const std::vector<uint8_t> file = ReadWholeFile(path);
    ASSERT_GT(file.size(), 792u);
    EXPECT_EQ(std::vector<uint8_t>(file.begin(), file.begin() + 13),
              (std::vector<uint8_t>{'G', 'I', 'F', '8', '7', 'a', 3, 0, 2, 0, 0x77, 0, 0}));
    EXPECT_EQ(file[22], 0x87);
    EXPECT_EQ(file[791], 8);
    std::vector<uint8_t> indices;
    for (const auto& p : pixels) indices.push_back(p.index);
    EXPECT_EQ(gifwritetest::ReferenceDecode(gifwritetest::Unblock(std::span(file).subspan(792)), 8), indices);
    EXPECT_EQ(file.back(), 0x3B);

    TBitmap32 left;
    ASSERT_TRUE(ReadPictureFile(path, left));
    ASSERT_EQ(left.Width(), 3);
    ASSERT_EQ(left.Height(), 2);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(left.GetPixel(i % 3, i / 3), pixels[i].back) << i;
}

TEST_F(GIFPictureFile, EmptyPaneGivesTheFourteenByteFile) {
    TBitmap32 pane;
    const std::string path = Path("empty.gif");
    WritePictureFile(path, pane, TPictureFormat::pfGIF, 75);
    EXPECT_EQ(ReadWholeFile(path), (std::vector<uint8_t>{'G', 'I', 'F', '8', '7', 'a', 0, 0, 0, 0, 0x77, 0, 0, 0x3B}));
}

TEST_F(GIFPictureFile, AFileThatCannotBeCreatedKeepsNothingHalfWritten) {
    TBitmap32 pane;
    pane.SetSize(2, 2);
    const std::string path = Path("missing-folder/out.gif");
    try {
        WritePictureFile(path, pane, TPictureFormat::pfGIF, 75);
        FAIL() << "no error";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message(), "Cannot create file " + path);
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), std::filesystem::directory_iterator()), 0);
}

}  // namespace
}  // namespace nox
