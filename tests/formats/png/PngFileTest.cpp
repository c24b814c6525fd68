// PNG files through the picture-file layer: odd sizes round-trip exactly (alpha dropped), the
// file's alpha reaches the pane, empty files and panes, the first image of an animation, the
// clipboard's PNG, and the exact messages of refused files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "files/PictureFiles.h"
#include "formats/png/PngImage.h"
#include "platform/Clipboard.h"
#include "platform/Errors.h"
#include "platform/Stream.h"

namespace nox {
namespace {

class PngFile : public testing::Test {
protected:
    void SetUp() override {
        RegisterPictureFormats();
        dir_ = std::filesystem::temp_directory_path() /
               ("noxsteg-png-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    std::filesystem::path dir_;
};

// Panes of every alpha (the results of Subtract, Add and Set LSBs carry 0) come back with the same
// colours and alpha 255; rows of odd lengths catch any padding.
TEST_F(PngFile, OddSizesRoundTripExactly) {
    std::mt19937 random(19);
    for (const auto& [w, h] : {std::pair{1, 37}, {37, 1}, {47, 33}, {1, 1}, {3, 2}}) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        TBitmap32 pane;
        pane.SetSize(w, h);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) pane.RowAddress(y)[x] = static_cast<TColor32>(random());
        WritePictureFile(Path("odd.PnG"), pane, TPictureFormat::pfPNG, 95);
        TBitmap32 back;
        ASSERT_TRUE(ReadPictureFile(Path("odd.PnG"), back));
        ASSERT_EQ(back.Width(), w);
        ASSERT_EQ(back.Height(), h);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) ASSERT_EQ(back.RowAddress(y)[x], pane.RowAddress(y)[x] | 0xFF000000u);
    }
}

// Of an animated PNG the pane receives the first image; an empty file gives an empty pane (what
// the pane held before is gone), and an empty pane saves as an empty file. (Every colour type's
// values and alpha are the corpus test's part.)
TEST_F(PngFile, FirstImageOfAnAnimationAndEmptyFiles) {
    std::ofstream(Path("empty.png")).close();
    const struct {
        std::string path;
        int32_t width, height;
    } cases[] = {
        {std::string(NOXSTEG_TEST_DATA_DIR) + "/png/apng-red-then-green.png", 3, 2},
        {Path("empty.png"), 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        TBitmap32 pane;
        pane.SetSize(5, 5);
        ASSERT_TRUE(ReadPictureFile(c.path, pane));
        ASSERT_EQ(pane.Width(), c.width);
        ASSERT_EQ(pane.Height(), c.height);
        for (int32_t y = 0; y < c.height; ++y)
            for (int32_t x = 0; x < c.width; ++x) EXPECT_EQ(pane.GetPixel(x, y), 0xFFFF0000u) << "red, the first image";
    }
    TBitmap32 empty;
    WritePictureFile(Path("out.png"), empty, TPictureFormat::pfPNG, 95);
    EXPECT_EQ(std::filesystem::file_size(Path("out.png")), 0u);
}

// A PNG on the clipboard ("PNG", image/png) is pasted through our reader, alpha included.
TEST_F(PngFile, PastedPngKeepsItsValues) {
    TMemoryClipboard clipboard;
    clipboard.SetData(CF_PNG(), ReadWholeFile(std::string(NOXSTEG_CORPUS_DIR) + "/png/basn6a08.png"));
    TBitmap32 pasted, opened;
    pasted.Assign(&clipboard);
    ASSERT_TRUE(ReadPictureFile(std::string(NOXSTEG_CORPUS_DIR) + "/png/basn6a08.png", opened));
    ASSERT_EQ(pasted.Width(), 32);
    for (int32_t y = 0; y < 32; ++y)
        for (int32_t x = 0; x < 32; ++x) ASSERT_EQ(pasted.GetPixel(x, y), opened.GetPixel(x, y));
}

}  // namespace
}  // namespace nox
